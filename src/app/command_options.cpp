#include "app/command_options.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/own_files.h"
#include "core/text/numbers.h"
#include "fleet/office.h"

namespace ijken::app {

namespace {

bool in_int_range(long long v) {
    return v >= -2147483647 && v <= 2147483647;
}

std::optional<int> whole_number(const std::string& value) {
    const auto n = text::parse_int(value);
    if (!n || !in_int_range(*n)) return std::nullopt;
    return static_cast<int>(*n);
}

// Refuses a value that is not of the option's kind.
void check_value(const OptionSpec& option, const std::string& value) {
    const std::string name(option.name);
    switch (option.kind) {
        case ValueKind::whole_number:
            if (!whole_number(value)) throw UsageError(name + " needs a whole number, not \"" + value + "\"");
            break;
        case ValueKind::language:
            report_language(value);
            break;
        case ValueKind::date:
            if (!fleet::is_date(value)) throw UsageError("a date is written YYYY-MM-DD, not \"" + value + "\"");
            break;
        case ValueKind::survey_key:
            if (!fleet::parse_survey_name(value)) {
                throw UsageError(name + " needs INSTALLATION:OPNAMEID (or INSTALLATION:OPNAMEID~N for the N-th survey"
                                        " that had the number), not \"" + value + "\"");
            }
            break;
        case ValueKind::flag:
        case ValueKind::text:
            break;
    }
}

}  // namespace

int report_language(const std::string& value) {
    if (value == "nl") return 0;
    if (value == "fr") return 1;
    if (value == "de") return 2;
    throw UsageError("--lang needs nl, fr or de, not \"" + value + "\"");
}

std::string shown_argument(const std::string& arg) {
    if (arg.find('=') != std::string::npos || arg.find("://") != std::string::npos) {
        return "(not repeated: it looks like a piece of a connection string)";
    }
    return "\"" + arg + "\"";
}

ParsedOptions parse_options(const CommandSpec& command, int argc, char** argv) {
    ParsedOptions parsed;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto taken = std::find_if(command.options.begin(), command.options.end(),
                                        [&](const CommandOption& o) { return o.option->name == arg; });
        if (taken == command.options.end()) throw UsageError("unknown argument " + shown_argument(arg) + " (see ijken --help)");
        const OptionSpec& option = *taken->option;
        std::string value;
        if (option.kind != ValueKind::flag) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') throw UsageError(arg + " needs a value");
            value = argv[++i];
            check_value(option, value);
        }
        if (!parsed.values_.emplace(arg, value).second) throw UsageError(arg + " is given twice");
    }
    for (const CommandOption& o : command.options) {
        if (o.required && !parsed.has(o.option->name)) {
            throw UsageError(std::string(o.option->name) + " " + std::string(o.option->value_name) +
                             " is required (see ijken --help)");
        }
    }
    return parsed;
}

std::optional<ParsedOptions> parse_options(const CommandSpec& command, int argc, char** argv, std::ostream& err) {
    try {
        return parse_options(command, argc, argv);
    } catch (const UsageError& e) {
        err << "ijken " << command.name << ": " << e.what() << "\n";
        return std::nullopt;
    }
}

std::optional<std::string> ParsedOptions::text(std::string_view name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string ParsedOptions::text_or(std::string_view name, std::string fallback) const {
    return text(name).value_or(std::move(fallback));
}

std::optional<int> ParsedOptions::number(std::string_view name) const {
    const auto value = text(name);
    if (!value) return std::nullopt;
    return whole_number(*value);
}

std::optional<int> ParsedOptions::language(std::string_view name) const {
    const auto value = text(name);
    if (!value) return std::nullopt;
    return report_language(*value);
}

std::optional<fleet::SurveyName> ParsedOptions::survey_name(std::string_view name) const {
    const auto value = text(name);
    if (!value) return std::nullopt;
    return fleet::parse_survey_name(*value);
}

std::string usage_line(const CommandSpec& command) {
    std::string line = "ijken ";
    line.append(command.name);
    for (const CommandOption& o : command.options) {
        line.append(o.required ? " " : " [").append(o.option->name);
        if (!o.option->value_name.empty()) line.append(" ").append(o.option->value_name);
        if (!o.required) line.append("]");
    }
    return line;
}

std::string own_file_refusal(const std::filesystem::path& output, const std::string& db_pad,
                             const std::string& program_dir) {
    // The database in use and the program's own, and the language files beside either.
    std::string db_dir = std::filesystem::path(db_pad).parent_path().string();
    std::vector<data::OwnFile> own = data::own_files(db_pad, db_dir.empty() ? "." : db_dir);
    // The database in use is usually the program's own: each file is looked at once.
    for (const data::OwnFile& file : data::own_files(data::database_path(program_dir), program_dir)) {
        const bool listed =
            std::any_of(own.begin(), own.end(), [&](const data::OwnFile& o) { return o.path == file.path; });
        if (!listed) own.push_back(file);
    }
    const auto file = data::own_file_at(output, own);
    if (!file) return {};
    const char* what = file->kind == data::OwnFile::Kind::database        ? "the program's database"
                       : file->kind == data::OwnFile::Kind::language_file ? "one of the program's language files"
                                                                          : "the program itself";
    return output.string() + " is " + what +
           "; nothing written, choose another output file";
}

}  // namespace ijken::app
