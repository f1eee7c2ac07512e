#pragma once
// ijken report: the survey report written as PDF without a window, by the report window's own code.
#include <iosfwd>
#include <string>

namespace ijken::app {

// ijken report [--db PATH] [--ship ID] [--survey ID] [--lang nl|fr|de] --output FILE.pdf
// Returns the exit status: 0 when the file was written, 1 after a one-line message on err.
int run_report(int argc, char** argv, const std::string& program_dir, std::ostream& err);

}  // namespace ijken::app
