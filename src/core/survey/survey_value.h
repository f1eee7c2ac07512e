#pragma once
// One survey as the main window holds it, and what the windows and commands that build from a
// survey (the report, `ijken report`) need besides it.
#include <array>
#include <string>
#include <vector>

#include "core/data/own_files.h"
#include "core/data/sqlite_table.h"
#include "core/forms/services.h"
#include "core/survey/computation.h"
#include "core/survey/ship_record.h"

namespace ijken::survey {

// The mask of the correction factor's field: a stored factor is shown (and computed with) as this
// mask fits it.
inline constexpr const char* kSaltMask = "!0.000;1;_";

// The selected ship's parameters, the survey's fields as typed and the results of both states,
// computed from those fields. A plain value: copying it copies the survey.
struct SurveyValue {
    int SchipID = 0;
    int Aantal_ijken = 0;
    int Max_inzinking = 0;
    int Min_inzinking = 0;
    // The twenty readings as typed, in the order port empty 1-5, starboard empty 1-5, port loaded
    // 1-5, starboard loaded 1-5 (the order of the survey's columns).
    std::array<std::string, 20> readings{"0", "0", "0", "0", "0", "0", "0", "0", "0", "0",
                                         "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"};
    // Shipper name, place, telephone, cargo; consignee name, place, telephone.
    std::array<std::string, 7> parties;
    // The salt correction factor as its field shows it ("1.025").
    std::string salt_correction = "1.000";
    // The print language as the choice on the main window holds it: 0 Dutch, 1 French, 2 German,
    // -1 none chosen.
    int print_language = 0;
    // Which of the five gauge rows are shown (the gauge points in use).
    std::array<bool, 5> rows_shown{};
    IjkResultaat resultaat_leeg;
    IjkResultaat resultaat_vol;

    ShipParams ship_params() const { return {SchipID, Aantal_ijken, Max_inzinking, Min_inzinking}; }
    SurveyInput input() const { return {readings, salt_correction}; }
};

// Where a window that builds from a survey gets it: the main window, or a survey loaded without one.
class SurveySource {
  public:
    virtual const SurveyValue& survey() const = 0;
    // The database the survey and its ship are stored in.
    virtual const std::string& database() const = 0;
    // The report's language menu chooses the print language of the survey.
    virtual void set_print_language(int index) = 0;
    // The platform's services (dialogs, files, printing); a missing one is null.
    virtual const forms::Services& window_services() const = 0;
    // Files the program keeps (the database, the language files): never overwritten by a save.
    virtual std::vector<data::OwnFile> own_files() const = 0;
    // The survey's ship's lines at the head of the report, read now. This one reads them from
    // database() on a connection of its own.
    virtual ShipParticulars ship_particulars() const;

    virtual ~SurveySource() = default;
};

// Column names of IJkOpnames for the twenty readings, in SurveyValue::readings order ("BBL_1", ...).
const std::array<std::string, 20>& reading_columns();

// The survey in the current row of a ship's survey list, as the main window shows it: the fields as
// stored (the factor as its field fits it), the gauge rows of the ship's points. Nothing computed.
SurveyValue survey_from_row(const ShipParams& ship, const data::SQLiteTable& row);

// Computes both states of the survey from its fields into its results. Throws, the results
// unchanged, when the computation fails.
void compute(SurveyValue& survey, const std::string& db_pad);
// The same on the caller's connection (in no transaction), for both states' lookups and the table's
// extension.
void compute(SurveyValue& survey, data::SQLiteDatabase& db);

}  // namespace ijken::survey
