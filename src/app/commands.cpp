#include "app/commands.h"

#include <filesystem>
#include <istream>
#include <ostream>

#include "app/command_options.h"
#include "core/survey/computation.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_line.h"
#include "core/survey/warnings.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::app {

std::string help_text() {
    return "Usage:\n"
           "  ijken [toolkit options]     open the main window (e.g. -platform offscreen)\n"
           "  ijken compute [--db PATH] [--ship ID] [--warnings]\n"
           "                              compute surveys read from standard input\n"
           "  ijken export [--db PATH] [--ship ID] --output FILE.csv\n"
           "                              write the ship's surveys with their results as CSV\n"
           "  ijken backup [--db PATH] --output FILE\n"
           "                              copy the database safely, also while it is in use\n"
           "  ijken report [--db PATH] [--ship ID] [--survey ID] [--lang nl|fr|de] --output FILE.pdf\n"
           "                              write a survey's report as PDF\n"
           "  ijken push [--db PATH] --to CONNINFO\n"
           "                              send ships, gauge tables and surveys to the office\n"
           "  ijken office init --to CONNINFO\n"
           "  ijken office surveys --from CONNINFO [--ship NAME] [--since DATE] [--until DATE]\n"
           "                       [--deleted] [--text TEXT] --output FILE.csv\n"
           "  ijken office report --from CONNINFO --survey INSTALLATION:OPNAMEID [--lang L]\n"
           "                      --output FILE.pdf\n"
           "  ijken office serve --from CONNINFO [--listen ADDR:PORT]\n"
           "                              the office in the browser (default 127.0.0.1:8080)\n"
           "  ijken --help                show this text\n"
           "  ijken --version             show the version\n"
           "\n"
           "compute reads one survey a line, 21 fields separated by tabs:\n"
           "  port empty 1-5, starboard empty 1-5, port loaded 1-5, starboard loaded 1-5,\n"
           "  and the salt-correction factor (for example 1.000).\n"
           "For each line it writes the ten result cells, separated by tabs, in the order\n"
           "  total empty, total loaded, mean empty, mean loaded, immersion empty,\n"
           "  immersion loaded, tonnage empty, tonnage loaded, cargo, cargo with salt correction\n"
           "  (e01 e02 e11 e12 e21 e22 e31 e32 e42 e52), computed as the main window does.\n"
           "  --warnings  adds an eleventh field: what the main window warns about (immersion\n"
           "              outside the gauge table, port and starboard more than 10 cm apart,\n"
           "              a point left at 0), separated by \"; \"; empty when nothing\n"
           "  --db PATH   the database (default: ijken.db where the window keeps it); it must\n"
           "              exist\n"
           "  --ship ID   the ship whose gauge table is used (default: the selected ship)\n"
           "A gauge table is extended in the database when an immersion lies outside it, as in\n"
           "the main window. Bad input stops with a message and exit status 1.\n"
           "\n"
           "export writes a header line and a line per survey of the ship (default: the selected\n"
           "ship): readings, parties, cargo and the ten result cells, as CSV (RFC 4180, UTF-8).\n"
           "backup copies the database with SQLite's online backup, checks the copy with\n"
           "PRAGMA integrity_check and only then puts it at FILE.\n"
           "\n"
           "report writes the one-page report of a survey, exactly as the report window's\n"
           "\"Opslaan als PDF\" does after the program was started on the ship and the survey shown.\n"
           "  --db PATH     the database, as for compute; it must exist\n"
           "  --ship ID     the ship (default: the selected ship)\n"
           "  --survey ID   the Opnameid of one of the ship's surveys (default: its newest)\n"
           "  --lang L      nl, fr or de (default: the language stored with the survey)\n"
           "  --output F    the PDF file, replaced whole or left as it was\n"
           "Errors give one line on standard error and exit status 1.\n"
           "\n"
           "push sends the database to the office's PostgreSQL database in one transaction;\n"
           "CONNINFO is a libpq connection string or URI (\"host=office dbname=fleet user=anna\",\n"
           "\"postgresql://anna@office/fleet?sslmode=require\"); passwords come from PGPASSWORD,\n"
           "~/.pgpass or a service file. office init creates the office's tables; office surveys\n"
           "writes every survey of the fleet as CSV (dates YYYY-MM-DD, UTC, both days included);\n"
           "with --deleted also those deleted on board, with the time they went. office report\n"
           "writes a survey's report from the office's copy. INSTALLATION:OPNAMEID names the\n"
           "newest survey the barge gave that number; when a number came back after a delete,\n"
           "INSTALLATION:OPNAMEID~N names the N-th survey that had it (N = 1, 2 ...), as the\n"
           "Opnameid column of office surveys --deleted shows. A server that cannot be reached\n"
           "gives one line and exit status 1; a malformed CONNINFO exit status 2. A push waits\n"
           "at most 20 s for another push of the same barge (\"busy; try again\"), and gives up\n"
           "on an office that stays silent for 90 s.\n";
}

int run_compute(int argc, char** argv, const std::string& program_dir, std::istream& in, std::ostream& out,
                std::ostream& err) {
    static const CommandSyntax syntax{"compute", {"--db", "--ship", "--warnings"}, false, ""};
    const auto options = parse_command_options(syntax, argc, argv, program_dir, err);
    if (!options) return 2;
    const std::string& db_pad = options->db_pad;
    const std::optional<int>& ship_id = options->ship_id;
    const bool with_warnings = options->warnings;
    // Opening a missing file would create an empty database: check first.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(db_pad, ec)) {
        err << "ijken compute: no database at " << db_pad << "\n";
        return 1;
    }

    try {
        auto ship = ship_id ? survey::read_ship(db_pad, *ship_id) : survey::read_selected_ship(db_pad);
        if (!ship) {
            if (ship_id) err << "ijken compute: no ship with SchipID " << *ship_id << " in " << db_pad << "\n";
            else err << "ijken compute: no selected ship in " << db_pad << "\n";
            return 1;
        }
        std::string line;
        long long line_number = 0;
        while (std::getline(in, line)) {
            ++line_number;
            auto parsed = survey::parse_survey_line(line);
            if (!parsed.input) {
                err << "ijken compute: line " << line_number << ": " << parsed.error << "\n";
                return 1;
            }
            try {
                auto r = survey::herbereken(db_pad, ship->params, *parsed.input);
                out << survey::format_result_line(r.cells);
                if (with_warnings) {
                    const auto found = survey::find_warnings(ship->params, *parsed.input, r);
                    out << '\t' << text::cp1252_to_utf8(survey::warnings_field(found, ship->params));
                }
                out << '\n';
            } catch (const std::exception& e) {
                err << "ijken compute: line " << line_number << ": " << text::cp1252_to_utf8(e.what()) << "\n";
                return 1;
            }
        }
    } catch (const std::exception& e) {
        err << "ijken compute: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
    out.flush();
    return 0;
}

}  // namespace ijken::app
