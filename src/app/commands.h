#pragma once
// The program's commands: the main window, and the headless commands that run the same core code.
#include <iosfwd>
#include <string>

namespace ijken::app {

std::string help_text();

// ijken compute [--db PATH] [--ship ID]: surveys on standard input, result cells on standard output.
int run_compute(int argc, char** argv, const std::string& program_dir, std::istream& in, std::ostream& out,
                std::ostream& err);

// The main window and the event loop.
int run_window(int argc, char** argv, const std::string& program_dir);

}  // namespace ijken::app
