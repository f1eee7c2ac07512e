#pragma once
// ijken report: the survey report written as PDF without a window, by the report window's own code.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace ijken::data {
class SQLiteDatabase;
}

namespace ijken::app {

// What run_report does once the report is written and on the disk: return 0 to its caller, or end
// the process with status 0 at once, without taking down one by one what the process built (the
// page, the open connection, the program's and the libraries' statics); the standard streams are
// flushed first. A failure always returns.
enum class AfterReport { return_status, end_process };

// What to report and where.
struct ReportRequest {
    std::string db;
    std::optional<int> ship;    // default: the selected ship
    std::optional<int> survey;  // default: the ship's newest survey
    std::optional<int> lang;    // 0 nl, 1 fr, 2 de; default: the survey's stored language
    std::string output;
};

// Writes the report the request names, whole or not at all. Throws with the one line to show,
// without the command's name. on_written runs once the file is on the disk, while the connection
// the survey was read on is still open.
void write_report(const ReportRequest& request, const std::string& program_dir,
                  const std::function<void()>& on_written = {});

// The report of a survey in db as PDF bytes, as write_report writes it to its file: nothing is
// written anywhere. Throws with the one line to show.
std::string report_pdf(data::SQLiteDatabase& db, const std::string& db_name, std::optional<int> ship,
                       std::optional<int> survey, std::optional<int> lang);

// ijken report [--db PATH] [--ship ID] [--survey ID] [--lang nl|fr|de] --output FILE.pdf
// Returns the exit status: 0 when the file was written, 2 after a command line it refuses, 1 after
// any other failure; a refusal or failure is one line on err.
int run_report(int argc, char** argv, const std::string& program_dir, std::ostream& err,
               AfterReport after = AfterReport::return_status);

}  // namespace ijken::app
