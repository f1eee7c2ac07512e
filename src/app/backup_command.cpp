#include "app/backup_command.h"

#include <ostream>

#include "app/command_options.h"
#include "core/data/database_backup.h"
#include "core/text/cp1252.h"

namespace ijken::app {

int run_backup(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err) {
    static const CommandSyntax syntax{"backup", {"--db", "--output"}, true,
                                      "--output FILE is required (see ijken --help)"};
    const auto options = parse_command_options(syntax, argc, argv, program_dir, err);
    if (!options) return 2;
    if (const std::string refusal = own_file_refusal(options->output, options->db_pad, program_dir);
        !refusal.empty()) {
        err << "ijken backup: " << refusal << "\n";
        return 1;
    }
    try {
        data::backup_database(options->db_pad, options->output);
    } catch (const std::exception& e) {
        err << "ijken backup: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
    out << "ijken backup: " << options->db_pad << " copied to " << options->output.string() << "\n";
    return 0;
}

}  // namespace ijken::app
