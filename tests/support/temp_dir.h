#pragma once
// A fresh temporary directory that plays the program's directory in a test; removed at the end.
#include <filesystem>
#include <string>

namespace ijken::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The directory with its trailing separator, as the program forms it for its own directory.
    std::string dir() const { return path_.string() + "/"; }
    // The database path beside the "program": <dir>/ijken.db
    std::string db_path() const { return dir() + "ijken.db"; }

private:
    std::filesystem::path path_;
};

}  // namespace ijken::testing
