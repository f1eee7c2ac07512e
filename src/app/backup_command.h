#pragma once
#include <iosfwd>
#include <string>

namespace ijken::app {

// ijken backup [--db PATH] --output FILE: a checked copy of the database through SQLite's online
// backup, safe while the program has the database open.
int run_backup(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err);

}  // namespace ijken::app
