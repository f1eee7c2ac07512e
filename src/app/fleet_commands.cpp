#include "app/fleet_commands.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <ostream>

#include "app/command_options.h"
#include "app/command_table.h"
#include "app/office_serve.h"
#include "app/report_command.h"
#include "core/data/database_schema.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/conninfo.h"
#include "fleet/office.h"
#include "fleet/pg_connection.h"
#include "fleet/push.h"

namespace ijken::app {

namespace {

// The options of a fleet command; a refusal is a FleetError with exit status 2.
ParsedOptions parse(const CommandSpec& command, int argc, char** argv) {
    try {
        return parse_options(command, argc, argv);
    } catch (const UsageError& e) {
        throw fleet::FleetError(e.what(), 2);
    }
}

std::string plural(long long n, const char* one, const char* many) {
    return text::format_int(n) + " " + (n == 1 ? one : many);
}

int push(int argc, char** argv, const std::string& program_dir, std::ostream& out) {
    const ParsedOptions o = parse(commands::push, argc, argv);
    const std::string db = o.text_or("--db", data::database_path(program_dir));
    const fleet::PushSummary s = fleet::push(db, *o.text("--to"));
    out << "ijken push: " << plural(s.ships, "ship", "ships") << " and " << plural(s.surveys, "survey", "surveys")
        << " of installation " << s.installation << " are at the office";
    out << " (" << plural(s.surveys_changed, "survey", "surveys") << " new or changed, "
        << text::format_int(s.surveys_deleted) << " marked deleted, "
        << plural(s.tables_replaced, "gauge table", "gauge tables") << " new or replaced)\n";
    for (const std::string& p : s.problems) out << "ijken push: results left empty for " << p << "\n";
    return 0;
}

// A directory of its own under the system's temporary directory, removed at the end.
class PrivateDir {
  public:
    PrivateDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ijken-office-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw fleet::FleetError("cannot make a temporary directory");
        path_ = pattern;
    }
    ~PrivateDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

int office_report(int argc, char** argv, const std::string& program_dir) {
    const ParsedOptions o = parse(commands::office_report, argc, argv);
    const fleet::SurveyName name = *o.survey_name("--survey");
    PrivateDir dir;
    const std::string db = (dir.path() / "ijken.db").string();
    fleet::materialise_survey(*o.text("--from"), name, db);
    // The barge's own report of the survey as the barge held it: the same bytes. The office's copy
    // holds the ship and the survey alone, as ship 1 and survey 1 (the barge's numbers are 64-bit).
    write_report({db, 1, 1, o.language("--lang"), *o.text("--output")}, program_dir);
    return 0;
}

int office(int argc, char** argv, const std::string& program_dir, std::ostream& out) {
    if (argc < 1) throw fleet::FleetError("needs init, surveys, report, name or serve (see ijken --help)", 2);
    const std::string what = argv[0];
    if (what == "init") {
        const ParsedOptions o = parse(commands::office_init, argc - 1, argv + 1);
        const fleet::SchemaAction done = fleet::create_office_schema(*o.text("--to"));
        out << "ijken office init: "
            << (done == fleet::SchemaAction::created    ? "the fleet tables were created\n"
                : done == fleet::SchemaAction::upgraded ? "the fleet tables were brought up to date\n"
                                                        : "the fleet tables are there\n");
        return 0;
    }
    if (what == "surveys") {
        const ParsedOptions o = parse(commands::office_surveys, argc - 1, argv + 1);
        const fleet::SurveyFilter filter{o.text("--ship"), o.text("--since"), o.text("--until"), o.has("--deleted"),
                                         o.text("--text")};
        const std::string output = *o.text("--output");
        const long long n = fleet::write_office_csv(*o.text("--from"), filter, output);
        out << "ijken office surveys: " << plural(n, "survey", "surveys") << " written to " << output << "\n";
        return 0;
    }
    if (what == "report") return office_report(argc - 1, argv + 1, program_dir);
    if (what == "name") {
        const ParsedOptions o = parse(commands::office_name, argc - 1, argv + 1);
        const std::string installation = *o.text("--installation"), name = o.text_or("--name", "");
        fleet::name_installation(*o.text("--to"), installation, name);
        out << "ijken office name: installation " << installation
            << (name.empty() ? " goes by its role's name again\n" : " is named \"" + name + "\"\n");
        return 0;
    }
    if (what == "serve") {
        // Refused here, with status 2, before handing over: the options and a malformed CONNINFO,
        // which the server would otherwise only find at the first login.
        const ParsedOptions o = parse(commands::office_serve, argc - 1, argv + 1);
        fleet::parse_conninfo(*o.text("--from"));
        return office_serve(argc - 1, argv + 1, out);
    }
    throw fleet::FleetError("unknown command " + shown_argument(what) + "; use init, surveys, report, name or serve", 2);
}

}  // namespace

int run_push(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err) {
    try {
        return push(argc, argv, program_dir, out);
    } catch (const fleet::FleetError& e) {
        err << "ijken push: " << e.what() << "\n";
        return e.exit_status();
    } catch (const std::exception& e) {
        err << "ijken push: " << fleet::one_line(text::cp1252_to_utf8(e.what())) << "\n";
        return 1;
    }
}

int run_office(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err) {
    std::string prefix = "ijken office";
    if (argc >= 1) {
        prefix += ' ';
        const std::string what = argv[0];
        // A stray piece of a connection string is never repeated, not even as the command's name.
        prefix += shown_argument(what)[0] == '"' ? what : std::string("(unknown)");
    }
    prefix += ": ";
    try {
        return office(argc, argv, program_dir, out);
    } catch (const fleet::FleetError& e) {
        err << prefix << e.what() << "\n";
        return e.exit_status();
    } catch (const std::exception& e) {
        err << prefix << fleet::one_line(text::cp1252_to_utf8(e.what())) << "\n";
        return 1;
    }
}

}  // namespace ijken::app
