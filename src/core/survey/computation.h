#pragma once
// The gauge computation: from the readings of one state (empty or loaded) to the ship's tonnage,
// and from both states to the cells of the result grid.
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ijken::data {
class SQLiteDatabase;
}

namespace ijken::survey {

// The selected ship as the computation needs it.
struct ShipParams {
    int SchipID = 0;
    int Aantal_ijken = 0;   // gauge points per side, 1 to 5
    int Max_inzinking = 0;  // cm; also the top of the gauge table
    int Min_inzinking = 0;  // cm; first immersion with a tonnage, 0 when not set
};

// The computed result of one state. Before the first computation every field is zero.
struct IjkResultaat {
    double som_bb = 0;
    double som_sb = 0;
    double totaal = 0;
    double gemiddeld = 0;
    double inzinking = 0;
    double fractie = 0;
    double per_cm = 0;
    double fractie_tonnage = 0;
    double tonnage_laag = 0;
    double tonnage_hoog = 0;
    double tonnage = 0;
    std::int32_t cm_laag = 0;
    std::int32_t cm_hoog = 0;
    // The first centimetre whose tonnage counts in the result (cm_laag; cm_hoog when the fraction
    // weighs it) but that the gauge table holds no row for: its tonnage was read as 0.
    std::optional<std::int32_t> missing_row;
};

// A reading that cannot be held with four decimals in 64 bits (about 9.2e14 and beyond).
class ReadingOverflow : public std::exception {
public:
    explicit ReadingOverflow(std::string text);
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A reading's text as a count of ten-thousandths. Empty or unparseable text is 0; the first comma
// counts as the decimal point. Throws ReadingOverflow for a value too large to hold.
std::int64_t waarde_uit_tekst(std::string_view text);

// The same value as a double, as the arithmetic uses it.
double reading_value(std::string_view text);

// Which of the five gauge points (index 0 = point 1) are in use for a number of gauge points.
std::array<bool, 5> points_in_use(int aantal_ijken);

class GaugeTable;

// One state: sums, mean, immersion, the two lookups in the ship's gauge table and the interpolated
// tonnage. Extends the table first when the immersion lies outside it.
IjkResultaat bereken_toestand(GaugeTable& table, const ShipParams& ship, const std::array<double, 5>& bb,
                              const std::array<double, 5>& sb);
// The same on the database: opens its own connection on db_pad for the two lookups.
IjkResultaat bereken_toestand(const std::string& db_pad, const ShipParams& ship,
                              const std::array<double, 5>& bb, const std::array<double, 5>& sb);

// One row written by the table's extension.
struct ExtensionRow {
    int immersion = 0;
    double tonnage = 0;
};
// The 30 rows below the highest zero row, continuing the mean step of the ten centimetres above
// it downward as negative tonnages.
std::vector<ExtensionRow> extension_below(int highest_zero, double tonnage_10_above);
// The 30 rows above the table, the straight continuation of its last centimetre, negated.
std::vector<ExtensionRow> extension_above(int max_inzinking, double top, double below_top);
// The text an extension row's tonnage is written as (its stored value is this text's number).
std::string extension_text(double tonnage);

// Writes up to 60 extrapolated rows below and above the ship's gauge table, once per ship (as long
// as a negative row exists, nothing more is written). What was written before an error stays.
void verleng_ijktabel(const std::string& db_pad, int ship_id, int max_inzinking);
// The same on the caller's connection, which must be in no transaction.
void verleng_ijktabel(data::SQLiteDatabase& db, int ship_id, int max_inzinking);

// The twenty readings of a survey in the order port empty 1-5, starboard empty 1-5, port loaded 1-5,
// starboard loaded 1-5, plus the salt-correction text.
struct SurveyInput {
    std::array<std::string, 20> readings;
    std::string salt_correction = "1.000";
};

// The ten value cells of the result grid.
struct ResultCells {
    std::string e01, e02, e11, e12, e21, e22, e31, e32, e42, e52;
};

struct Recomputation {
    IjkResultaat leeg;
    IjkResultaat vol;
    ResultCells cells;
};

// Both states and the result cells from a computation of one state (port and starboard readings),
// exactly as recompute forms them.
using StateComputation =
    std::function<IjkResultaat(const std::array<double, 5>& bb, const std::array<double, 5>& sb)>;
Recomputation recompute_with(const SurveyInput& input, const StateComputation& state);

// Both states and the result cells, exactly as the main window shows them. Throws (without having
// changed anything) when a reading cannot be held; database errors propagate. Each state opens its
// own connection.
Recomputation recompute(const std::string& db_pad, const ShipParams& ship, const SurveyInput& input);
// The same on a gauge table the caller holds (the survey list and the export compute many surveys
// from one copy of the table in memory).
Recomputation recompute(GaugeTable& table, const ShipParams& ship, const SurveyInput& input);

}  // namespace ijken::survey
