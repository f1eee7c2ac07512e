#include "app/commands.h"

#include <filesystem>
#include <istream>
#include <ostream>

#include "app/command_options.h"
#include "app/command_table.h"
#include "core/data/database_schema.h"
#include "core/survey/computation.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_line.h"
#include "core/survey/warnings.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::app {

int run_compute(int argc, char** argv, const std::string& program_dir, std::istream& in, std::ostream& out,
                std::ostream& err) {
    const auto options = parse_options(commands::compute, argc, argv, err);
    if (!options) return 2;
    const std::string db_pad = options->text_or("--db", data::database_path(program_dir));
    const std::optional<int> ship_id = options->number("--ship");
    const bool with_warnings = options->has("--warnings");
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
                auto r = survey::recompute(db_pad, ship->params, *parsed.input);
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
