#pragma once
// Where the program keeps its files.
#include <string>

namespace ijken::app {

// The directory of the running program file, with its trailing separator.
std::string program_directory(const char* argv0);

// The directory of the database and the language files, with its trailing separator: the
// program's own directory when the user may write there (a program unpacked or built in the
// user's files), else the per-user application data directory (~/.local/share/ijken for an
// installed program), which is created when `create` is true and it is missing.
std::string data_directory(const std::string& program_dir, bool create);

// Puts the language files that are delivered beside the program, not held in it (the German
// tld.tln), into data_dir when it has none: from the program's directory, or from share/ijken
// beside the program's bin directory, where an installation puts them (PREFIX/bin/ijken reads
// PREFIX/share/ijken/tld.tln). A copy that cannot be written leaves the language out.
void deliver_language_files(const std::string& program_dir, const std::string& data_dir);

}  // namespace ijken::app
