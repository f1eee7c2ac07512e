#include "app/fleet_commands.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <vector>

#include "app/office_serve.h"
#include "app/report_command.h"
#include "core/data/database_schema.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/office.h"
#include "fleet/pg_connection.h"
#include "fleet/push.h"

namespace ijken::app {

namespace {

using Options = std::map<std::string, std::string>;

// --name VALUE pairs, each name known and given once. Throws FleetError with exit status 2.
Options parse(int argc, char** argv, const std::set<std::string>& known, const std::set<std::string>& required) {
    Options o;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!known.count(arg)) throw fleet::FleetError("unknown argument \"" + arg + "\" (see ijken --help)", 2);
        if (i + 1 >= argc || argv[i + 1][0] == '\0') throw fleet::FleetError(arg + " needs a value", 2);
        if (!o.emplace(arg, argv[++i]).second) throw fleet::FleetError(arg + " is given twice", 2);
    }
    for (const std::string& r : required) {
        if (!o.count(r)) throw fleet::FleetError(r + " is required (see ijken --help)", 2);
    }
    return o;
}

std::optional<std::string> optional(const Options& o, const std::string& name) {
    const auto it = o.find(name);
    if (it == o.end()) return std::nullopt;
    return it->second;
}

std::string plural(long long n, const char* one, const char* many) {
    return text::format_int(n) + " " + (n == 1 ? one : many);
}

int push(int argc, char** argv, const std::string& program_dir, std::ostream& out) {
    const Options o = parse(argc, argv, {"--db", "--to"}, {"--to"});
    const std::string db = optional(o, "--db").value_or(data::database_path(program_dir));
    const fleet::PushSummary s = fleet::push(db, o.at("--to"));
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
    const Options o = parse(argc, argv, {"--from", "--survey", "--lang", "--output"}, {"--from", "--survey", "--output"});
    const auto name = fleet::parse_survey_name(o.at("--survey"));
    if (!name) {
        throw fleet::FleetError("--survey needs INSTALLATION:OPNAMEID (or INSTALLATION:OPNAMEID~N for the N-th survey"
                                " that had the number), not \"" + o.at("--survey") + "\"",
                                2);
    }
    PrivateDir dir;
    const std::string db = (dir.path() / "ijken.db").string();
    const std::int64_t ship = fleet::materialise_survey(o.at("--from"), *name, db);
    // The barge's own command on the survey as the barge held it: the same bytes.
    std::vector<std::string> args{"--db", db, "--ship", std::to_string(ship), "--survey", "1",
                                  "--output", o.at("--output")};
    if (auto lang = optional(o, "--lang")) {
        args.push_back("--lang");
        args.push_back(*lang);
    }
    std::vector<char*> argv_report;
    for (std::string& a : args) argv_report.push_back(a.data());
    std::ostringstream report_err;
    const int status = run_report(static_cast<int>(argv_report.size()), argv_report.data(), program_dir, report_err);
    std::string message = report_err.str();
    if (message.rfind("ijken report: ", 0) == 0) message.erase(0, 14);
    if (status != 0) throw fleet::FleetError(fleet::one_line(message));
    return 0;
}

int office(int argc, char** argv, const std::string& program_dir, std::ostream& out) {
    if (argc < 1) throw fleet::FleetError("needs init, surveys, report or serve (see ijken --help)", 2);
    const std::string what = argv[0];
    if (what == "init") {
        const Options o = parse(argc - 1, argv + 1, {"--to"}, {"--to"});
        const bool created = fleet::create_office_schema(o.at("--to"));
        out << "ijken office init: " << (created ? "the fleet tables were created\n" : "the fleet tables are there\n");
        return 0;
    }
    if (what == "surveys") {
        // --deleted is a switch: also the surveys deleted on board, with their names.
        std::vector<char*> rest(argv + 1, argv + argc);
        const auto deleted = std::find_if(rest.begin(), rest.end(), [](const char* a) { return a == std::string("--deleted"); });
        const bool with_deleted = deleted != rest.end();
        if (with_deleted) rest.erase(deleted);
        const Options o = parse(static_cast<int>(rest.size()), rest.data(),
                                {"--from", "--ship", "--since", "--until", "--text", "--output"}, {"--from", "--output"});
        fleet::SurveyFilter filter{optional(o, "--ship"), optional(o, "--since"), optional(o, "--until"),
                                   with_deleted, optional(o, "--text")};
        for (const auto* date : {&filter.since, &filter.until}) {
            if (*date && !fleet::is_date(**date)) {
                throw fleet::FleetError("a date is written YYYY-MM-DD, not \"" + **date + "\"", 2);
            }
        }
        const long long n = fleet::write_office_csv(o.at("--from"), filter, o.at("--output"));
        out << "ijken office surveys: " << plural(n, "survey", "surveys") << " written to " << o.at("--output")
            << "\n";
        return 0;
    }
    if (what == "report") return office_report(argc - 1, argv + 1, program_dir);
    if (what == "serve") return office_serve(argc - 1, argv + 1, out);
    throw fleet::FleetError("unknown command \"" + what + "\"; use init, surveys, report or serve", 2);
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
        prefix += argv[0];
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
