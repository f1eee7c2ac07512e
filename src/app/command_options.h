#pragma once
// The options that the export and backup commands share: --db PATH, --ship ID, --output FILE.
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

namespace ijken::app {

struct CommandOptions {
    std::string db_pad;            // --db, default: ijken.db beside the program
    std::optional<int> ship_id;    // --ship
    std::filesystem::path output;  // --output, required
};

// Reads the options of `ijken <command>`. --ship is accepted only when allow_ship. On a bad or
// missing option it writes "ijken <command>: ..." to err and returns nothing (exit status 2).
std::optional<CommandOptions> parse_command_options(const std::string& command, int argc, char** argv,
                                                    const std::string& program_dir, bool allow_ship,
                                                    std::ostream& err);

// The message for an output file that is one of the program's own files (the database given by
// --db or the one where the window keeps it, or a language file beside either), empty when it is
// none of them. The command then writes nothing and ends with status 1.
std::string own_file_refusal(const std::filesystem::path& output, const std::string& db_pad,
                             const std::string& program_dir);

}  // namespace ijken::app
