#pragma once
// The files the program keeps its own data in. A file the user names for an export, a PDF or a
// backup must never be one of them: writing a CSV over the database loses every ship, table and
// survey at once, and a PDF over the program file loses the installation.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/text/file_writer.h"

namespace ijken::data {

struct OwnFile {
    enum class Kind { database, language_file, program };
    std::filesystem::path path;
    Kind kind;
    // The message that refuses it, "%1" standing for the path as shown; empty for the Dutch one.
    std::string refusal = {};
};

// The database at db_pad with the side files SQLite keeps beside it, the language files (tln.tln,
// tlf.tln, tld.tln, tle.tln and any further names given) in language_dir, and the running
// program's own file.
std::vector<OwnFile> own_files(const std::string& db_pad, const std::string& language_dir,
                               const std::vector<std::string>& more_language_files = {});

// The own file that target is, if any: the same file by identity (also through a symbolic or a
// hard link, or another spelling of its path), or, where neither exists yet, the same path.
std::optional<OwnFile> own_file_at(const std::filesystem::path& target, const std::vector<OwnFile>& own);

// Throws std::runtime_error, with a message for the windows, when target is one of own.
void refuse_own_file(const std::filesystem::path& target, const std::vector<OwnFile>& own);

// The running program's file (/proc/self/exe: the file itself, whatever name it was started by);
// empty where the system does not tell.
std::filesystem::path running_program();

// Throws std::runtime_error when target cannot be written as a file: it is a folder, or its folder
// does not exist.
void check_output_path(const std::filesystem::path& target);

// Throws the message for the windows and the commands about a write to target that failed.
[[noreturn]] void throw_output_error(const std::filesystem::path& target, const text::FileWriteError& error);

}  // namespace ijken::data
