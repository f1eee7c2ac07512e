#include "app/command_options.h"

#include <ostream>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/own_files.h"
#include "core/text/numbers.h"

namespace ijken::app {

std::optional<CommandOptions> parse_command_options(const std::string& command, int argc, char** argv,
                                                    const std::string& program_dir, bool allow_ship,
                                                    std::ostream& err) {
    CommandOptions options;
    options.db_pad = data::database_path(program_dir);
    bool have_output = false;
    const std::string prefix = "ijken " + command + ": ";
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool known = arg == "--db" || arg == "--output" || (allow_ship && arg == "--ship");
        if (!known) {
            err << prefix << "unknown argument \"" << arg << "\" (see ijken --help)\n";
            return std::nullopt;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            err << prefix << arg << " needs a value\n";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        if (arg == "--db") {
            options.db_pad = value;
        } else if (arg == "--output") {
            options.output = value;
            have_output = true;
        } else {
            const auto id = text::parse_int(value);
            if (!id || *id < -2147483647 || *id > 2147483647) {
                err << prefix << "--ship needs a whole number, not \"" << value << "\"\n";
                return std::nullopt;
            }
            options.ship_id = static_cast<int>(*id);
        }
    }
    if (!have_output) {
        err << prefix << "--output FILE is required (see ijken --help)\n";
        return std::nullopt;
    }
    return options;
}

std::string own_file_refusal(const std::filesystem::path& output, const std::string& db_pad,
                             const std::string& program_dir) {
    // The database in use and the program's own, and the language files beside either.
    std::string db_dir = std::filesystem::path(db_pad).parent_path().string();
    std::vector<data::OwnFile> own = data::own_files(db_pad, db_dir.empty() ? "." : db_dir);
    for (const data::OwnFile& file : data::own_files(data::database_path(program_dir), program_dir))
        own.push_back(file);
    const auto file = data::own_file_at(output, own);
    if (!file) return {};
    return output.string() + " is " +
           (file->kind == data::OwnFile::Kind::database ? "the program's database"
                                                        : "one of the program's language files") +
           "; nothing written, choose another output file";
}

}  // namespace ijken::app
