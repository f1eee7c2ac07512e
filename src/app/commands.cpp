#include "app/commands.h"

#include <filesystem>
#include <istream>
#include <ostream>

#include "core/data/database_schema.h"
#include "core/survey/computation.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_line.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::app {

std::string help_text() {
    return "Usage:\n"
           "  ijken                       open the main window\n"
           "  ijken compute [--db PATH] [--ship ID]\n"
           "                              compute surveys read from standard input\n"
           "  ijken --help                show this text\n"
           "\n"
           "compute reads one survey a line, 21 fields separated by tabs:\n"
           "  port empty 1-5, starboard empty 1-5, port loaded 1-5, starboard loaded 1-5,\n"
           "  and the salt-correction factor (for example 1.000).\n"
           "For each line it writes the ten result cells, separated by tabs, in the order\n"
           "  total empty, total loaded, mean empty, mean loaded, immersion empty,\n"
           "  immersion loaded, tonnage empty, tonnage loaded, cargo, cargo with salt correction\n"
           "  (e01 e02 e11 e12 e21 e22 e31 e32 e42 e52), computed as the main window does.\n"
           "  --db PATH   the database (default: ijken.db beside the program); it must exist\n"
           "  --ship ID   the ship whose gauge table is used (default: the selected ship)\n"
           "A gauge table is extended in the database when an immersion lies outside it, as in\n"
           "the main window. Bad input stops with a message and exit status 1.\n";
}

int run_compute(int argc, char** argv, const std::string& program_dir, std::istream& in, std::ostream& out,
                std::ostream& err) {
    std::string db_pad = data::database_path(program_dir);
    std::optional<int> ship_id;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--db" || arg == "--ship") && i + 1 >= argc) {
            err << "ijken compute: " << arg << " needs a value\n";
            return 2;
        }
        if (arg == "--db") {
            db_pad = argv[++i];
        } else if (arg == "--ship") {
            auto id = text::parse_int(argv[++i]);
            if (!id || *id < -2147483647 || *id > 2147483647) {
                err << "ijken compute: --ship needs a whole number, not \"" << argv[i] << "\"\n";
                return 2;
            }
            ship_id = static_cast<int>(*id);
        } else {
            err << "ijken compute: unknown argument \"" << arg << "\" (see ijken --help)\n";
            return 2;
        }
    }
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
                out << survey::format_result_line(r.cells) << '\n';
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
