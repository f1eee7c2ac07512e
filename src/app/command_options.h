#pragma once
// The one parser of every command's options. Each option is declared once, with the text --help
// shows for it, in the table of command_table.cpp; a command names the options it takes. The rules
// are the same for every command: an option the command does not take, an option given twice, a
// missing or empty value, a value of the wrong kind and a missing required option are refused with
// one line, and the command ends with status 2.
#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/office.h"

namespace ijken::app {

// What an option's value must be; a flag has none.
enum class ValueKind { flag, text, whole_number, language, date, survey_key };

struct OptionSpec {
    std::string_view name;        // "--ship"
    std::string_view value_name;  // "ID", shown in the usage; empty for a flag
    ValueKind kind;
    std::string_view help;  // what --help says of it, lines separated by '\n'
};

// An option as one command takes it.
struct CommandOption {
    const OptionSpec* option;
    bool required = false;
};

struct CommandSpec {
    std::string_view name;  // "export", "office report"
    std::vector<CommandOption> options;
    std::string_view summary;  // one line under the usage
    std::string_view notes;    // what --help says of the command after its options; may be empty
};

// A command line its command refuses; what() is the message without the command's name.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The options given, each checked against its kind.
class ParsedOptions {
  public:
    bool has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
    std::optional<std::string> text(std::string_view name) const;
    std::string text_or(std::string_view name, std::string fallback) const;
    std::optional<int> number(std::string_view name) const;      // whole_number
    std::optional<int> language(std::string_view name) const;    // nl 0, fr 1, de 2
    // INSTALLATION:OPNAMEID (or ...~N, the N-th survey that had the number).
    std::optional<fleet::SurveyName> survey_name(std::string_view name) const;

  private:
    friend ParsedOptions parse_options(const CommandSpec& command, int argc, char** argv);
    std::map<std::string, std::string, std::less<>> values_;
};

// An argument as a message repeats it, in quotes; one that looks like a piece of a connection
// string (key=value, or a URI, which may hold a password) is never repeated.
std::string shown_argument(const std::string& arg);

// Reads the options of the command. Throws UsageError.
ParsedOptions parse_options(const CommandSpec& command, int argc, char** argv);
// The same, but a refused command line is written as "ijken <command>: ..." to err and gives
// nothing (the command then ends with status 2).
std::optional<ParsedOptions> parse_options(const CommandSpec& command, int argc, char** argv, std::ostream& err);

// The usage line of a command ("ijken report [--db PATH] ... --output FILE.pdf"), from its table.
std::string usage_line(const CommandSpec& command);

// The print language --lang names: nl 0, fr 1, de 2. Throws UsageError.
int report_language(const std::string& value);

// The message for an output file that is one of the program's own files (the database given by
// --db or the one where the window keeps it, or a language file beside either), empty when it is
// none of them. The command then writes nothing and ends with status 1.
std::string own_file_refusal(const std::filesystem::path& output, const std::string& db_pad,
                             const std::string& program_dir);

}  // namespace ijken::app
