#pragma once
// The arithmetic of a gauge certificate: the decimetre immersions of a table, the tonnage texts
// typed into it, and its expansion to whole centimetres by linear interpolation. Pure functions on
// texts and numbers, no window and no database, so that they can be driven with any input.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ijken::shipdata {

// Input that makes no table: the message says what and where, in the user's words.
class TableError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The immersions of the decimetre rows from first centimetre F to last centimetre L: F - 1, then
// every tenth centimetre while it does not pass L, then L itself when the tens stopped short of
// it. F = 52, L = 252 gives 51, 61, ..., 251, 252; F = 51, L = 250 gives 50, 60, ..., 250.
std::vector<int> decimetre_immersions(int first_cm, int last_cm);

// Refuses a range whose last centimetre lies below its first.
void check_range(int first_cm, int last_cm);

// A tonnage as typed into a decimetre cell, in tonnes with four decimals (halves to even); the
// first "," counts as the decimal point. Empty text is nothing (nullopt). Text that is no number,
// a negative number or one too large to hold throws TableError naming the text and the immersion.
std::optional<double> read_tonnage(std::string_view text, int immersion);

// One row of the decimetre table as the grid holds it.
struct DecimetreRow {
    std::string immersion;
    std::string tonnage;
};

// The centimetre table: for every immersion 0 to L the tonnage text ("%5.3f"), and the row the
// grid scrolls to (the last pair's upper immersion; 0 when there was no pair).
struct CentimetreTable {
    std::vector<std::string> tonnages;
    int top_row = 0;
};

// Expands a decimetre table to centimetres. Immersions 0 to F - 1 get "0.000". Between two
// neighbouring rows the step is their tonnage difference per centimetre, rounded to four decimals
// (halves to even); the running tonnage starts at the lower row's tonnage and grows by the step,
// each centimetre showing it rounded to three decimals (halves to even). Each decimetre row starts
// afresh from its own tonnage, so only L shows the accumulated value of the last pair.
//
// The whole table is checked before anything is computed: a range with L below F, an immersion
// that is no whole number or does not rise, a tonnage that read_tonnage refuses, or an empty
// tonnage in any row but the first (where the certificate's tonnage is 0) throws TableError.
CentimetreTable expand(int first_cm, int last_cm, const std::vector<DecimetreRow>& rows);

// A tonnage read from the database as the grids show it: at least three decimals (100 shows as
// "100.000", 2.5 as "2.500"), more only when the stored value has them, so that storing it again
// neither drops nor changes the row.
std::string tonnage_text(double tonnage);

// A tonnage typed into the centimetre grid, as it is stored: nullopt for a row that is not stored
// (an empty cell, or zero written in three characters or fewer such as "0"); else the value.
// Throws TableError as read_tonnage does.
std::optional<double> cm_tonnage(std::string_view text, int immersion);

}  // namespace ijken::shipdata
