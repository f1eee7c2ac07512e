#include "app/report_command.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "app/command_options.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/forms/services.h"
#include "core/report/print_form.h"
#include "core/store/surveys.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_value.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

#if defined(__SANITIZE_ADDRESS__)
#define IJKEN_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define IJKEN_LEAK_CHECKED 1
#endif
#endif
#if IJKEN_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

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

// The survey the main window shows when it starts on the ship (its newest), or the one chosen,
// computed once, in the print language chosen or stored with it, and the ship's lines for the
// report's header, read with the ship. Everything is read, and the gauge table extended, on one
// connection.
class ChosenSurvey : public survey::SurveySource {
  public:
    ChosenSurvey(const Options& o, const std::string& program_dir)
        : db_(o.db), program_dir_(program_dir), connection_(o.db, data::OpenMode::existing) {
        data::SQLiteDatabase& db = connection_;
        auto ship = survey::read_ship_with_particulars(db, o.ship);
        if (!ship) {
            if (o.ship) throw Failure("no ship with SchipID " + text::format_int(*o.ship) + " in " + o.db);
            throw Failure("no selected ship in " + o.db);
        }
        const survey::ShipParams& params = ship->first.params;
        survey_ = survey::survey_from_row(params, *chosen_row(db, params.SchipID, o.survey));
        particulars_ = std::move(ship->second);
        survey::compute(survey_, db);
        if (o.lang) survey_.print_language = *o.lang;
    }

    const survey::SurveyValue& survey() const override { return survey_; }
    const std::string& database() const override { return db_; }
    void set_print_language(int index) override { survey_.print_language = index; }
    const forms::Services& window_services() const override { return services_; }
    std::vector<data::OwnFile> own_files() const override { return data::own_files(db_, program_dir_, {}); }
    survey::ShipParticulars ship_particulars() const override { return particulars_; }

  private:
    // Only the chosen survey's row is read whole, however many surveys the ship has.
    static std::unique_ptr<data::SQLiteTable> chosen_row(data::SQLiteDatabase& db, int schip_id,
                                                         std::optional<int> opname_id) {
        const std::string ship_text = "ship " + text::format_int(schip_id);
        auto row = opname_id ? store::ship_survey(db, schip_id, *opname_id) : store::newest_survey(db, schip_id);
        if (row->RowCount() == 1) return row;
        if (opname_id && store::newest_survey(db, schip_id)->RowCount() == 1) {
            throw Failure(ship_text + " has no survey with Opnameid " + text::format_int(*opname_id));
        }
        throw Failure(ship_text + " has no surveys");
    }

    std::string db_;
    std::string program_dir_;
    data::SQLiteDatabase connection_;
    survey::SurveyValue survey_;
    survey::ShipParticulars particulars_;
    forms::Services services_;
};

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

// The report is on the disk: what is left in memory goes with the process, and so does the
// libraries' state, none of which is written anywhere at the end. That includes the connection:
// no transaction is open on it (the gauge table's extension was committed before the report was
// built), and the system closes the file, as when the process is killed, which SQLite is made to
// survive; its schema and caches are not taken down piece by piece.
[[noreturn]] void end_process() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#if IJKEN_LEAK_CHECKED
    // Under the leak checker, what was lost so far is reported as at an ordinary end.
    __lsan_do_leak_check();
#endif
    std::_Exit(0);
}

}  // namespace

int run_report(int argc, char** argv, const std::string& program_dir, std::ostream& err, AfterReport after) {
    try {
        if (after == AfterReport::end_process) data::configure_for_a_short_run();
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
        if (after == AfterReport::end_process) end_process();
        return 0;
    } catch (const std::exception& e) {
        err << "ijken report: " << text::cp1252_to_utf8(e.what()) << "\n";
        return 1;
    }
}

}  // namespace ijken::app
