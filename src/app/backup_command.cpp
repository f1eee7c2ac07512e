#include "app/backup_command.h"

#include <filesystem>
#include <ostream>

#include "app/command_options.h"
#include "app/command_table.h"
#include "core/data/database_schema.h"
#include "core/data/database_backup.h"
#include "core/text/cp1252.h"

namespace ijken::app {

int run_backup(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err) {
    const auto parsed = parse_options(commands::backup, argc, argv, err);
    if (!parsed) return 2;
    const struct {
        std::string db_pad;
        std::filesystem::path output;
    } o{parsed->text_or("--db", data::database_path(program_dir)), *parsed->text("--output")};
    if (const std::string refusal = own_file_refusal(o.output, o.db_pad, program_dir);
        !refusal.empty()) {
        err << "ijken backup: " << refusal << "\n";
        return 1;
    }
    try {
        data::backup_database(o.db_pad, o.output);
    } catch (const std::exception& e) {
        err << "ijken backup: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
    out << "ijken backup: " << o.db_pad << " copied to " << o.output.string() << "\n";
    return 0;
}

}  // namespace ijken::app
