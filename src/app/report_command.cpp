#include "app/report_command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "app/command_options.h"
#include "core/data/database_schema.h"
#include "core/forms/services.h"
#include "core/report/print_form.h"
#include "core/survey/form1.h"
#include "core/survey/ship_record.h"
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

Options parse(int argc, char** argv, const std::string& program_dir) {
    static const CommandSyntax syntax{
        "report", {"--db", "--ship", "--survey", "--lang", "--output"}, false, "--output FILE.pdf is required"};
    const CommandOptions o = parse_command_options(syntax, argc, argv, program_dir);
    return {o.db_pad, o.ship_id, o.survey_id, o.language, o.output.string()};
}

// Loading a survey into the main window recomputes at every reading it changes: some forty times
// for a ship's survey shown after the readings were reset. The report needs only the results of
// the fields as they end up, which one computation of the final fields gives, so the readings are
// filled without their change handler and the survey is computed once afterwards.
class QuietReadings {
  public:
    explicit QuietReadings(survey::Form1& form) {
        for (forms::Edit* field : form.reading_fields()) quiet(field);
        quiet(&form.get<forms::Edit>("ZoutMaskEdit"));
    }
    ~QuietReadings() {
        for (auto& [field, handler] : saved_) field->on_change = std::move(handler);
    }
    QuietReadings(const QuietReadings&) = delete;
    QuietReadings& operator=(const QuietReadings&) = delete;

  private:
    void quiet(forms::Edit* field) {
        saved_.emplace_back(field, std::move(field->on_change));
        field->on_change = nullptr;
    }
    std::vector<std::pair<forms::Edit*, std::function<void()>>> saved_;
};

// The main window as the program leaves it after starting on the ship and showing the survey:
// the ship's gauge points and results, the survey's fields, its language.
void show_survey(survey::Form1& form, const Options& o) {
    const auto ship =
        o.ship ? survey::read_ship(form.db_pad, *o.ship) : survey::read_selected_ship(form.db_pad);
    if (!ship) {
        if (o.ship) throw Failure("no ship with SchipID " + text::format_int(*o.ship) + " in " + o.db);
        throw Failure("no selected ship in " + o.db);
    }
    form.SchipID = ship->params.SchipID;
    form.Aantal_ijken = ship->params.Aantal_ijken;
    form.Max_inzinking = ship->params.Max_inzinking;
    form.Min_inzinking = ship->params.Min_inzinking;
    QuietReadings quiet(form);
    form.zet_ijkpunten();
    form.laad_opnames();  // the newest survey, as the window shows at start
    data::SQLiteTable& list = *form.opnamelijst;
    const std::string ship_text = "ship " + text::format_int(form.SchipID);
    if (list.RowCount() == 0) throw Failure(ship_text + " has no surveys");
    if (o.survey) {
        list.MoveLast();
        const int column = list.FieldIndex("Opnameid");
        while (list.AsInteger(column) != *o.survey) {
            if (!list.Previous()) {
                throw Failure(ship_text + " has no survey with Opnameid " + text::format_int(*o.survey));
            }
        }
        form.toon_opname();
    }
    form.ijk_bb_l_1change();
    if (o.lang) form.get<forms::RadioGroup>("TaalKeuze").set_item_index(*o.lang);
}

std::string errno_text(int err) {
    return std::strerror(err);
}

// The report is written beside the output and renamed into place, so that the output is either
// the whole report or what it was before.
void write_report(report::Print_form& report, const std::string& output) {
    try {
        report.save_pdf(output);
    } catch (const std::system_error& e) {
        throw Failure("cannot write " + output + ": " + errno_text(e.code().value()));
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

        forms::ScriptedDialogs dialogs;
        survey::Form1 form(program_dir, dialogs);
        form.db_pad = o.db;
        show_survey(form, o);
        // A report window made afresh, built once as when it is first shown.
        report::Print_form report(form);
        report.update_pdf();
        write_report(report, o.output);
        return 0;
    } catch (const std::exception& e) {
        err << "ijken report: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
}

}  // namespace ijken::app
