#pragma once
// The headless commands, which run the same core code as the main window.
#include <iosfwd>
#include <string>

#include "app/command_table.h"

namespace ijken::app {

// ijken compute [--db PATH] [--ship ID]: surveys on standard input, result cells on standard output.
int run_compute(int argc, char** argv, const std::string& program_dir, std::istream& in, std::ostream& out,
                std::ostream& err);

}  // namespace ijken::app
