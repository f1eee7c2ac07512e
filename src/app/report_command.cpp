#include "app/report_command.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "app/command_options.h"
#include "app/command_table.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/report/report_subject.h"
#include "core/report/survey_page.h"
#include "core/text/cp1252.h"

#if defined(__SANITIZE_ADDRESS__)
#define IJKEN_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define IJKEN_LEAK_CHECKED 1
#endif
#endif
#if IJKEN_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace ijken::app {

namespace {

// A failure with the text of the one line the command prints.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

ReportRequest request(const ParsedOptions& o, const std::string& program_dir) {
    return {o.text_or("--db", data::database_path(program_dir)), o.number("--ship"), o.number("--survey"),
            o.language("--lang"), *o.text("--output")};
}

// The report is on the disk: what is left in memory goes with the process, and so does the
// libraries' state, none of which is written anywhere at the end. That includes the connection:
// no transaction is open on it (the gauge table's extension was committed before the report was
// built), and the system closes the file, as when the process is killed, which SQLite is made to
// survive; its schema and caches are not taken down piece by piece.
[[noreturn]] void end_process() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#if IJKEN_LEAK_CHECKED
    // Under the leak checker, what was lost so far is reported as at an ordinary end.
    __lsan_do_leak_check();
#endif
    std::_Exit(0);
}

}  // namespace

void write_report(const ReportRequest& request, const std::string& program_dir,
                  const std::function<void()>& on_written) {
    // Opening a missing file would create an empty database: check first.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(request.db, ec)) throw Failure("no database at " + request.db);
    if (const std::string refusal = own_file_refusal(request.output, request.db, program_dir); !refusal.empty())
        throw Failure(refusal);
    // Everything is read, and the gauge table extended, on one connection.
    data::SQLiteDatabase db(request.db, data::OpenMode::existing);
    const report::ReportSubject subject = report::read_report_subject(db, request.db, request.ship, request.survey);
    const int language = request.lang.value_or(subject.survey.print_language);
    try {
        report::write_survey_report(subject.survey, subject.ship, language, request.output);
    } catch (const std::system_error& e) {
        throw Failure("cannot write " + request.output + ": " + std::strerror(e.code().value()));
    }
    if (on_written) on_written();
}

std::string report_pdf(data::SQLiteDatabase& db, const std::string& db_name, std::optional<int> ship,
                       std::optional<int> survey, std::optional<int> lang) {
    const report::ReportSubject subject = report::read_report_subject(db, db_name, ship, survey);
    return report::survey_report_pdf(subject.survey, subject.ship, lang.value_or(subject.survey.print_language));
}

int run_report(int argc, char** argv, const std::string& program_dir, std::ostream& err, AfterReport after) {
    const auto parsed = parse_options(commands::report, argc, argv, err);
    if (!parsed) return 2;
    try {
        if (after == AfterReport::end_process) data::configure_for_a_short_run();
        // The process may end while the connection is still open: see end_process.
        std::function<void()> on_written;
        if (after == AfterReport::end_process) on_written = end_process;
        write_report(request(*parsed, program_dir), program_dir, on_written);
        return 0;
    } catch (const std::exception& e) {
        err << "ijken report: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
}

}  // namespace ijken::app
