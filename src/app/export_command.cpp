#include "app/export_command.h"

#include <filesystem>
#include <ostream>

#include "app/command_options.h"
#include "app/command_table.h"
#include "core/data/database_schema.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_export.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::app {

namespace {

struct Options {
    std::string db_pad;
    std::optional<int> ship_id;
    std::filesystem::path output;
};

}  // namespace

int run_export(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err) {
    const auto parsed = parse_options(commands::export_, argc, argv, err);
    if (!parsed) return 2;
    const Options o{parsed->text_or("--db", data::database_path(program_dir)), parsed->number("--ship"),
                    *parsed->text("--output")};
    // Opening a missing file would create an empty database: check first.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(o.db_pad, ec)) {
        err << "ijken export: no database at " << o.db_pad << "\n";
        return 1;
    }
    if (const std::string refusal = own_file_refusal(o.output, o.db_pad, program_dir);
        !refusal.empty()) {
        err << "ijken export: " << refusal << "\n";
        return 1;
    }
    try {
        const auto ship = o.ship_id ? survey::read_ship(o.db_pad, *o.ship_id)
                                           : survey::read_selected_ship(o.db_pad);
        if (!ship) {
            if (o.ship_id) {
                err << "ijken export: no ship with SchipID " << text::format_int(*o.ship_id) << " in "
                    << o.db_pad << "\n";
            } else {
                err << "ijken export: no selected ship in " << o.db_pad << "\n";
            }
            return 1;
        }
        const survey::ExportResult result = survey::export_surveys(o.db_pad, *ship, o.output);
        // The file is complete; a survey the main window could not compute either has empty result
        // cells, and is named here.
        for (const std::string& problem : result.problems) {
            err << "ijken export: " << text::cp1252_to_utf8(problem) << "\n";
        }
        out << "ijken export: " << text::format_int(result.surveys)
            << (result.surveys == 1 ? " survey" : " surveys") << " of " << text::cp1252_to_utf8(ship->name)
            << " written to " << o.output.string() << "\n";
    } catch (const std::exception& e) {
        err << "ijken export: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
    return 0;
}

}  // namespace ijken::app
