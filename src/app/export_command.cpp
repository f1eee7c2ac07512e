#include "app/export_command.h"

#include <filesystem>
#include <ostream>

#include "app/command_options.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_export.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::app {

int run_export(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err) {
    static const CommandSyntax syntax{"export", {"--db", "--ship", "--output"}, true,
                                      "--output FILE is required (see ijken --help)"};
    const auto options = parse_command_options(syntax, argc, argv, program_dir, err);
    if (!options) return 2;
    // Opening a missing file would create an empty database: check first.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(options->db_pad, ec)) {
        err << "ijken export: no database at " << options->db_pad << "\n";
        return 1;
    }
    if (const std::string refusal = own_file_refusal(options->output, options->db_pad, program_dir);
        !refusal.empty()) {
        err << "ijken export: " << refusal << "\n";
        return 1;
    }
    try {
        const auto ship = options->ship_id ? survey::read_ship(options->db_pad, *options->ship_id)
                                           : survey::read_selected_ship(options->db_pad);
        if (!ship) {
            if (options->ship_id) {
                err << "ijken export: no ship with SchipID " << text::format_int(*options->ship_id) << " in "
                    << options->db_pad << "\n";
            } else {
                err << "ijken export: no selected ship in " << options->db_pad << "\n";
            }
            return 1;
        }
        const survey::ExportResult result = survey::export_surveys(options->db_pad, *ship, options->output);
        // The file is complete; a survey the main window could not compute either has empty result
        // cells, and is named here.
        for (const std::string& problem : result.problems) {
            err << "ijken export: " << text::cp1252_to_utf8(problem) << "\n";
        }
        out << "ijken export: " << text::format_int(result.surveys)
            << (result.surveys == 1 ? " survey" : " surveys") << " of " << text::cp1252_to_utf8(ship->name)
            << " written to " << options->output.string() << "\n";
    } catch (const std::exception& e) {
        err << "ijken export: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
    return 0;
}

}  // namespace ijken::app
