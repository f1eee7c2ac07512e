#pragma once
// A copy of the whole database file made with SQLite's online backup: it reads one consistent
// state of the file through SQLite's own locking, so it is sound also while the program (or
// another one) has the database open, where copying the file's bytes could catch a write half-way.
#include <filesystem>
#include <string>
#include <vector>

namespace ijken::data {

// Copies the database at `source` to `target`. The copy is written under a temporary name beside
// the target, checked with PRAGMA integrity_check, and only then renamed to `target`; on any
// failure nothing is left at or beside `target` (an earlier file there stays as it was). Never
// creates `source`. Throws SQLiteException for SQLite's errors and for a copy that fails the
// check, std::runtime_error for a target that cannot be written or that is the source itself.
void backup_database(const std::string& source, const std::filesystem::path& target);

// The rows of PRAGMA integrity_check on an existing database file: {"ok"} when it is sound.
std::vector<std::string> integrity_check(const std::string& file);

}  // namespace ijken::data
