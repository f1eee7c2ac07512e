// ijken-office-serve: the office's web server, a program of its own that `ijken office serve` hands
// over to. The HTTP library and the TLS libraries it is built with are loaded by this program
// only, never by a start of the window or another command.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <vector>

#include "app/command_options.h"
#include "app/command_table.h"
#include "app/report_command.h"
#include "core/text/cp1252.h"
#include "fleet/office.h"
#include "web/server.h"

namespace ijken::app {

namespace {

// The report as `ijken office report` writes it: the survey put back into a barge's database in a
// private directory, and the barge's own report written from it.
std::string report_pdf(fleet::PgConnection& db, const fleet::SurveyName& name, std::optional<web::Lang> lang) {
    // The report window's code keeps state of its own: one report at a time.
    static std::mutex one_at_a_time;
    std::lock_guard<std::mutex> lock(one_at_a_time);
    // In memory where the system offers it: the database and the file live for a few milliseconds,
    // and syncing them to a disk would be most of the work.
    const std::filesystem::path base = ::access("/dev/shm", W_OK | X_OK) == 0 ? std::filesystem::path("/dev/shm")
                                                                             : std::filesystem::temp_directory_path();
    std::string pattern = (base / "ijken-serve-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw fleet::FleetError("cannot make a temporary directory");
    const std::filesystem::path dir = pattern;
    struct Remove {
        std::filesystem::path dir;
        ~Remove() {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
    } remove{dir};
    const std::string database = (dir / "ijken.db").string(), output = (dir / "report.pdf").string();
    fleet::materialise_survey(db, name, database);
    // The barge's own report of the survey as the barge held it, as `ijken office report` writes
    // it: the office's copy holds the ship and the survey alone, as ship 1 and survey 1.
    std::optional<int> language;
    if (lang) language = static_cast<int>(*lang);
    try {
        write_report({database, 1, 1, language, output}, dir.string());
    } catch (const std::exception& e) {
        throw fleet::FleetError(fleet::one_line(text::cp1252_to_utf8(e.what())));
    }
    std::ifstream in(output, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
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
    options.report = report_pdf;
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
