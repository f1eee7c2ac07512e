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

#include "app/report_command.h"
#include "fleet/office.h"
#include "web/server.h"

namespace ijken::app {

namespace {

// The report as `ijken office report` writes it: the survey put back into a barge's database in a
// private directory, and the barge's own report command run on it.
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
    const std::int64_t ship = fleet::materialise_survey(db, name, database);
    // The survey is Opnameid 1 of the database made for it.
    std::vector<std::string> args{"--db", database, "--ship", std::to_string(ship), "--survey", "1", "--output", output};
    if (lang) {
        args.push_back("--lang");
        args.push_back(web::code(*lang));
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::ostringstream err;
    if (run_report(static_cast<int>(argv.size()), argv.data(), dir.string(), err) != 0) {
        throw fleet::FleetError(fleet::one_line(err.str()));
    }
    std::ifstream in(output, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int office_serve(int argc, char** argv, std::ostream& out, std::ostream& err) {
    web::ServeOptions options;
    bool from = false, listen = false;
    for (int i = 0; i < argc; i += 2) {
        const std::string name = argv[i];
        bool* seen = name == "--from" ? &from : name == "--listen" ? &listen : nullptr;
        if (!seen) throw fleet::FleetError("unknown argument \"" + name + "\" (see ijken --help)", 2);
        if (i + 1 >= argc || argv[i + 1][0] == '\0') throw fleet::FleetError(name + " needs a value", 2);
        if (*seen) throw fleet::FleetError(name + " is given twice", 2);
        *seen = true;
        (name == "--from" ? options.conninfo : options.listen) = argv[i + 1];
    }
    if (!from) throw fleet::FleetError("--from is required (see ijken --help)", 2);
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
