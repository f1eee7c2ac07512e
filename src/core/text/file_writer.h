#pragma once
// The one way the program writes a file: under a temporary name beside the target, flushed to the
// disk, then renamed over the target, and (unless the caller chose otherwise, see Flush) the
// directory flushed after it. At every moment the target holds either its old contents or the new
// ones, whole; a write that fails or is killed half-way leaves the old file as it was.
//
// The temporary name is "<target>.~<process id>-<serial>", unique to this process and this write,
// so that a left-over after a power cut explains itself.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ijken::text {

// A file that could not be written. The message is "Unable to write to <path>"; reason() is the
// system's explanation ("Permission denied"), error() its errno and step() where it failed.
class FileWriteError : public std::runtime_error {
  public:
    enum class Step { create, write, rename };

    FileWriteError(const std::string& path, std::string reason);
    FileWriteError(const std::string& path, int error, Step step);
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }
    int error() const { return error_; }
    Step step() const { return step_; }

  private:
    std::string path_;
    std::string reason_;
    int error_ = 0;
    Step step_ = Step::write;
};

// How far a commit carries the replacement. Both keep the target whole: the new contents are on
// the disk before they take the target's name. `directory` also flushes the directory after the
// rename, so that a power cut right after the commit cannot bring the old file back; `file` leaves
// the rename to the file system's next commit (ext4: within five seconds), for a file made again
// from the database at will (a report), where that flush would be the costliest step of the write.
enum class Flush { directory, file };

// A file on its way to its target. A target that is a link is written where the link points, and
// stays a link. Every failure throws FileWriteError naming the target as it was given.
class PendingFile {
  public:
    // Who creates the temporary file: this class (empty, with the permissions the target has or a
    // new file gets), or the caller, as SQLite does for a database it builds at temp_path().
    enum class Create { now, by_caller };

    explicit PendingFile(const std::filesystem::path& target, Create create = Create::now);
    // The caller names the temporary file (and creates it); the target is taken as given, a link
    // included.
    PendingFile(const std::filesystem::path& target, std::filesystem::path temp);
    // Unless committed, removes the temporary file and the side files SQLite may have left beside
    // it ("-journal", "-wal", "-shm"). Never throws.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::filesystem::path& temp_path() const { return temp_; }

    // Appends to the temporary file this class created.
    void write(std::string_view bytes);
    // Flushes the temporary file, renames it over the target and flushes the directory (see Flush).
    void commit(Flush flush = Flush::directory);
    // The same, but a file that stands at the target meanwhile is left alone: returns false then,
    // and the temporary file is removed.
    bool commit_unless_present();

  private:
    void flush();
    void finish(Flush flush);

    std::string shown_;
    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    bool committed_ = false;
};

// Replaces the file at path with bytes through a PendingFile. An existing file keeps its
// permissions and, where allowed, its owner.
void replace_file(const std::filesystem::path& path, std::string_view bytes, Flush flush = Flush::directory);

// A path as Windows-1252 text for a message; a character the code page lacks shows as "?".
std::string display_path(const std::filesystem::path& path);

}  // namespace ijken::text
