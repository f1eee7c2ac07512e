#include "app/command_options.h"

#include <ostream>

#include "core/data/database_schema.h"
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

}  // namespace ijken::app
