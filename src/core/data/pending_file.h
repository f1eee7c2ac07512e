#pragma once
// A file written in full under a temporary name beside its target and only then renamed over it,
// so that an export or a backup that fails half-way leaves neither a partial file nor a damaged
// earlier copy behind.
#include <filesystem>
#include <string>

namespace ijken::data {

class PendingFile {
  public:
    // Picks a temporary name in the target's folder (so the rename stays on one file system).
    // Throws std::runtime_error when the target is a folder or its folder does not exist.
    explicit PendingFile(std::filesystem::path target);
    // Removes the temporary file, and the side files SQLite may have left beside it, unless the
    // file was committed. Never throws.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::filesystem::path& target() const { return target_; }
    const std::filesystem::path& temp_path() const { return temp_; }

    // Renames the temporary file over the target (replacing a file of that name). Throws
    // std::runtime_error with the system's reason when it cannot.
    void commit();

  private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool committed_ = false;
};

// A path as Windows-1252 text for a message; a character the code page lacks shows as "?".
std::string display_path(const std::filesystem::path& path);

}  // namespace ijken::data
