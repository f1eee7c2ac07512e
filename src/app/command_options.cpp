#include "app/command_options.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/own_files.h"
#include "core/text/numbers.h"

namespace ijken::app {

namespace {

int whole_number(std::string_view option, const std::string& value) {
    const auto id = text::parse_int(value);
    if (!id || *id < -2147483647 || *id > 2147483647) {
        throw UsageError(std::string(option) + " needs a whole number, not \"" + value + "\"");
    }
    return static_cast<int>(*id);
}

int language(const std::string& value) {
    if (value == "nl") return 0;
    if (value == "fr") return 1;
    if (value == "de") return 2;
    throw UsageError("--lang needs nl, fr or de, not \"" + value + "\"");
}

void take_value(CommandOptions& options, std::string_view option, const std::string& value) {
    if (option == "--db") {
        options.db_pad = value;
    } else if (option == "--ship") {
        options.ship_id = whole_number(option, value);
    } else if (option == "--survey") {
        options.survey_id = whole_number(option, value);
    } else if (option == "--lang") {
        options.language = language(value);
    } else {
        options.output = value;
    }
}

}  // namespace

CommandOptions parse_command_options(const CommandSyntax& syntax, int argc, char** argv,
                                     const std::string& program_dir) {
    CommandOptions options;
    options.db_pad = data::database_path(program_dir);
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (std::find(syntax.options.begin(), syntax.options.end(), arg) == syntax.options.end()) {
            throw UsageError("unknown argument \"" + arg + "\" (see ijken --help)");
        }
        if (arg == "--warnings") {
            options.warnings = true;
            continue;
        }
        if (i + 1 >= argc || (syntax.empty_value_is_missing && argv[i + 1][0] == '\0')) {
            throw UsageError(arg + " needs a value");
        }
        take_value(options, arg, argv[++i]);
    }
    if (!syntax.output_required.empty() && options.output.empty()) throw UsageError(syntax.output_required);
    return options;
}

std::optional<CommandOptions> parse_command_options(const CommandSyntax& syntax, int argc, char** argv,
                                                    const std::string& program_dir, std::ostream& err) {
    try {
        return parse_command_options(syntax, argc, argv, program_dir);
    } catch (const UsageError& e) {
        err << "ijken " << syntax.command << ": " << e.what() << "\n";
        return std::nullopt;
    }
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
