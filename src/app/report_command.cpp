#include "app/report_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/command_options.h"
#include "core/data/database_schema.h"
#include "core/forms/services.h"
#include "core/report/print_form.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_value.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::app {

namespace {

// A failure with the text of the one line the command prints.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string db;
    std::optional<int> ship;
    std::optional<int> survey;
    std::optional<int> lang;
    std::string output;
};

int whole_number(const std::string& option, const std::string& value) {
    const auto id = text::parse_int(value);
    if (!id || *id < -2147483647 || *id > 2147483647) {
        throw Failure(option + " needs a whole number, not \"" + value + "\"");
    }
    return static_cast<int>(*id);
}

Options parse(int argc, char** argv, const std::string& program_dir) {
    Options o;
    o.db = data::database_path(program_dir);
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takes_value =
            arg == "--db" || arg == "--ship" || arg == "--survey" || arg == "--lang" || arg == "--output";
        if (!takes_value) throw Failure("unknown argument \"" + arg + "\" (see ijken --help)");
        if (i + 1 >= argc) throw Failure(arg + " needs a value");
        const std::string value = argv[++i];
        if (arg == "--db") {
            o.db = value;
        } else if (arg == "--ship") {
            o.ship = whole_number(arg, value);
        } else if (arg == "--survey") {
            o.survey = whole_number(arg, value);
        } else if (arg == "--lang") {
            if (value == "nl")
                o.lang = 0;
            else if (value == "fr")
                o.lang = 1;
            else if (value == "de")
                o.lang = 2;
            else
                throw Failure("--lang needs nl, fr or de, not \"" + value + "\"");
        } else {
            o.output = value;
        }
    }
    if (o.output.empty()) throw Failure("--output FILE.pdf is required");
    return o;
}

// The survey the main window shows when it starts on the ship (its newest), or the one chosen,
// computed once, in the print language chosen or stored with it.
class ChosenSurvey : public survey::SurveySource {
  public:
    ChosenSurvey(const Options& o, const std::string& program_dir) : db_(o.db), program_dir_(program_dir) {
        const auto ship = o.ship ? survey::read_ship(db_, *o.ship) : survey::read_selected_ship(db_);
        if (!ship) {
            if (o.ship) throw Failure("no ship with SchipID " + text::format_int(*o.ship) + " in " + o.db);
            throw Failure("no selected ship in " + o.db);
        }
        const auto list = survey::read_surveys(db_, ship->params.SchipID);
        const std::string ship_text = "ship " + text::format_int(ship->params.SchipID);
        if (list->RowCount() == 0) throw Failure(ship_text + " has no surveys");
        list->MoveLast();
        if (o.survey) {
            const int column = list->FieldIndex("Opnameid");
            while (list->AsInteger(column) != *o.survey) {
                if (!list->Previous()) {
                    throw Failure(ship_text + " has no survey with Opnameid " + text::format_int(*o.survey));
                }
            }
        }
        survey_ = survey::survey_from_row(ship->params, *list);
        survey::compute(survey_, db_);
        if (o.lang) survey_.print_language = *o.lang;
    }

    const survey::SurveyValue& survey() const override { return survey_; }
    const std::string& database() const override { return db_; }
    void set_print_language(int index) override { survey_.print_language = index; }
    const forms::Services& window_services() const override { return services_; }
    std::vector<data::OwnFile> own_files() const override { return data::own_files(db_, program_dir_, {}); }

  private:
    std::string db_;
    std::string program_dir_;
    survey::SurveyValue survey_;
    forms::Services services_;
};

std::string errno_text(int err) {
    return std::strerror(err);
}

// Writes the report to a fresh file beside the output and renames it into place, so that the
// output is either the whole report or what it was before.
void write_report(report::Print_form& report, const std::string& output) {
    const std::filesystem::path target(output);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::string name = ".";
    name += target.filename().string();
    name += ".XXXXXX";
    std::string pattern = (dir / name).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw Failure("cannot write " + output + ": " + errno_text(errno));
    close(fd);
    try {
        report.save_pdf(pattern);
        // mkstemp makes the file private; the report gets the permissions of any file made here.
        const mode_t mask = umask(0);
        umask(mask);
        std::filesystem::permissions(pattern, static_cast<std::filesystem::perms>(0666 & ~mask));
        if (std::rename(pattern.c_str(), output.c_str()) != 0) {
            throw Failure("cannot write " + output + ": " + errno_text(errno));
        }
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(pattern, ec);
        throw;
    }
}

}  // namespace

int run_report(int argc, char** argv, const std::string& program_dir, std::ostream& err) {
    try {
        const Options o = parse(argc, argv, program_dir);
        // Opening a missing file would create an empty database: check first.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(o.db, ec)) throw Failure("no database at " + o.db);
        if (const std::string refusal = own_file_refusal(o.output, o.db, program_dir); !refusal.empty())
            throw Failure(refusal);

        ChosenSurvey chosen(o, program_dir);
        // A report window made afresh, built once as when it is first shown.
        report::Print_form report(chosen);
        report.update_pdf();
        write_report(report, o.output);
        return 0;
    } catch (const std::exception& e) {
        err << "ijken report: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
}

}  // namespace ijken::app
