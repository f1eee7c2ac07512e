#pragma once
// ijken report: the survey report written as PDF without a window, by the report window's own code.
#include <iosfwd>
#include <string>

namespace ijken::app {

// What run_report does once the report is written and on the disk: return 0 to its caller, or end
// the process with status 0 at once, without taking down one by one what the process built (the
// page, the open connection, the program's and the libraries' statics); the standard streams are
// flushed first. A failure always returns.
enum class AfterReport { return_status, end_process };

// ijken report [--db PATH] [--ship ID] [--survey ID] [--lang nl|fr|de] --output FILE.pdf
// Returns the exit status: 0 when the file was written, 1 after a one-line message on err.
int run_report(int argc, char** argv, const std::string& program_dir, std::ostream& err,
               AfterReport after = AfterReport::return_status);

}  // namespace ijken::app
