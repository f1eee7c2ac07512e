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

}  // namespace ijken::app
