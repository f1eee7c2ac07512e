// ijken-office-serve: the office's web server, a program of its own that `ijken office serve` hands
// over to. The HTTP library and the TLS libraries it is built with are loaded by this program
// only, never by a start of the window or another command.

#include <iostream>

#include "app/command_options.h"
#include "app/command_table.h"
#include "app/report_command.h"
#include "core/data/sqlite_database.h"
#include "core/text/cp1252.h"
#include "fleet/office.h"
#include "web/server.h"

namespace ijken::app {

namespace {

// The report as `ijken office report` writes it: the survey put back into a barge's database and
// the barge's own report written from it. The database and the document live in memory only, for a
// few milliseconds: reports run side by side, and a server that is killed leaves nothing on disk.
std::string survey_report(fleet::PgConnection& db, const fleet::SurveyName& name, std::optional<web::Lang> lang) {
    data::SQLiteDatabase copy{data::InMemory{}};
    fleet::materialise_survey(db, name, copy);
    // The office's copy holds the ship and the survey alone, as ship 1 and survey 1.
    std::optional<int> language;
    if (lang) language = static_cast<int>(*lang);
    try {
        return app::report_pdf(copy, "the office's copy", 1, 1, language);
    } catch (const fleet::FleetError&) {
        throw;
    } catch (const std::exception& e) {
        throw fleet::FleetError(fleet::one_line(text::cp1252_to_utf8(e.what())));
    }
}

int office_serve(int argc, char** argv, std::ostream& out, std::ostream& err) {
    ParsedOptions o;
    try {
        o = parse_options(commands::office_serve, argc, argv);
    } catch (const UsageError& e) {
        throw fleet::FleetError(e.what(), 2);
    }
    web::ServeOptions options;
    options.conninfo = *o.text("--from");
    options.listen = o.text_or("--listen", options.listen);
    web::parse_listen(options.listen);
    options.report = survey_report;
    return web::serve(options, out, err);
}

}  // namespace
}  // namespace ijken::app

int main(int argc, char** argv) {
    try {
        return ijken::app::office_serve(argc - 1, argv + 1, std::cout, std::cerr);
    } catch (const ijken::fleet::FleetError& e) {
        std::cerr << "ijken office serve: " << e.what() << "\n";
        return e.exit_status();
    } catch (const std::exception& e) {
        std::cerr << "ijken office serve: " << ijken::fleet::one_line(e.what()) << "\n";
        return 1;
    }
}
