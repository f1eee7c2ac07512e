#pragma once
// What makes a computed survey untrustworthy, found after each recomputation: an immersion outside
// the ship's own gauge table (the tonnage is then an extrapolation), a lookup that found no row in
// the table (its tonnage was read as 0; said instead of "extrapolated"), port and starboard that
// differ by more than 10 cm at one gauge point (the ship lists, or a mark was misread), and a
// point in use left at 0 while the other readings of its state are filled in.
//
// The texts are templates with %1, %2 ... for the values, so that a language file can reword and
// reorder them; the main window keeps them in hidden labels that the translation reaches.
#include <string>
#include <vector>

#include "core/survey/computation.h"

namespace ijken::survey {

enum class WarningKind {
    outside_table,    // immersion below Min_inzinking or above Max_inzinking
    side_difference,  // port and starboard differ by more than 10 cm at one point
    zero_reading,     // a point in use reads 0 while other readings of its state do not
    no_table_row,     // a lookup found no row: that centimetre's tonnage was read as 0
};

struct Warning {
    WarningKind kind = WarningKind::outside_table;
    char state = 'l';      // 'l' empty, 'v' loaded
    int point = 0;         // gauge point 1 to 5 (not for outside_table)
    char side = 'b';       // zero_reading: 'b' port, 's' starboard
    double immersion = 0;  // outside_table: the immersion, cm; no_table_row: the row's centimetre
    double difference = 0;  // side_difference: |port - starboard|, cm

    friend bool operator==(const Warning&, const Warning&) = default;
};

// The templates, Windows-1252. %1... are replaced by the values named in each comment.
struct WarningTexts {
    std::string empty = "Leeg";
    std::string loaded = "Vol";
    // %1 immersion, %2 Min_inzinking, %3 Max_inzinking
    // Short, because the main window has room for two lines of about 80 characters.
    std::string outside_table = "inzinking %1 buiten ijktabel %2-%3: ge\xEBxtrapoleerd";
    // %1 point, %2 difference in cm
    std::string side_difference = "punt %1 BB/SB %2 cm verschil";
    // %1 point
    std::string zero_port = "punt %1 BB op 0";
    std::string zero_starboard = "punt %1 SB op 0";
    // %1 the centimetre without a row
    std::string no_table_row = "geen ijktabelrij bij %1 cm: tonnage als 0 t gelezen";
};

// Port and starboard may differ by this much (cm) at one point without a warning.
constexpr double kMaxSideDifference = 10.0;

// The warnings for a survey that recompute computed into r, empty state first; within a state
// the table range first, then the points in order. Readings are read as the computation reads
// them (recompute has already refused any it cannot hold).
std::vector<Warning> find_warnings(const ShipParams& ship, const SurveyInput& input, const Recomputation& r);

// A template with %1..%9 replaced by args (a % followed by anything else stays as it is).
std::string fill_template(const std::string& pattern, const std::vector<std::string>& args);

// One warning without its state ("punt 3 SB op 0").
std::string warning_text(const Warning& w, const ShipParams& ship, const WarningTexts& texts);
// One warning with its state in front ("Leeg: punt 3 SB op 0").
std::string full_warning_text(const Warning& w, const ShipParams& ship, const WarningTexts& texts);

// One line per state that has warnings: the state, then its warnings separated by "; ". The
// main window shows these two lines at most beside the result grid.
std::vector<std::string> warning_lines(const std::vector<Warning>& warnings, const ShipParams& ship,
                                       const WarningTexts& texts);

// Every warning with its state, separated by "; ": the eleventh field of `ijken compute
// --warnings`. Empty when there are none.
std::string warnings_field(const std::vector<Warning>& warnings, const ShipParams& ship,
                           const WarningTexts& texts = {});

}  // namespace ijken::survey
