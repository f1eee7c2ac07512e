#pragma once
// The one parser of the commands' options: --db PATH, --ship ID, --survey ID, --lang L,
// --warnings and --output FILE, each command accepting the ones its syntax names.
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ijken::app {

struct CommandOptions {
    std::string db_pad;            // --db, default: ijken.db beside the program
    std::optional<int> ship_id;    // --ship
    std::optional<int> survey_id;  // --survey
    std::optional<int> language;   // --lang nl, fr or de: 0, 1 or 2
    bool warnings = false;         // --warnings
    std::filesystem::path output;  // --output
};

struct CommandSyntax {
    std::string command;                    // "export"
    std::vector<std::string_view> options;  // the options it accepts
    // Whether an empty value counts as none ("--db ''" is then "--db needs a value").
    bool empty_value_is_missing = false;
    // The message when --output is missing or empty; no message: --output may be left out.
    std::string output_required;
};

// A command line its syntax refuses; what() is the message without the command's name.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The print language --lang names: nl 0, fr 1, de 2. Throws UsageError.
int report_language(const std::string& value);

// Reads the options of `ijken <command>`. Throws UsageError.
CommandOptions parse_command_options(const CommandSyntax& syntax, int argc, char** argv,
                                     const std::string& program_dir);

// The same, but a refused command line is written as "ijken <command>: ..." to err and gives
// nothing (the command then ends with status 2).
std::optional<CommandOptions> parse_command_options(const CommandSyntax& syntax, int argc, char** argv,
                                                    const std::string& program_dir, std::ostream& err);

// The message for an output file that is one of the program's own files (the database given by
// --db or the one where the window keeps it, or a language file beside either), empty when it is
// none of them. The command then writes nothing and ends with status 1.
std::string own_file_refusal(const std::filesystem::path& output, const std::string& db_pad,
                             const std::string& program_dir);

}  // namespace ijken::app
