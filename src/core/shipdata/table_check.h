#pragma once
// A look over a centimetre table before it is stored, for what a typing error in it looks like: a
// tonnage that does not rise with the immersion (a digit dropped or swapped), and a step per
// centimetre more than three times the steps on both sides of it (a digit too many). Real hulls
// give a tonnage that rises smoothly, so either is far more likely a slip than the certificate.
//
// The zero rows below the table (0 to F - 1) are no fault: the check starts where the tonnage
// first rises above 0.
#include <string>
#include <vector>

namespace ijken::shipdata {

// One stored row: immersion in whole centimetres and tonnage in tonnes, in rising immersion.
struct TableRow {
    int immersion = 0;
    double tonnage = 0;
};

struct TableFinding {
    enum class Kind {
        falls,  // not above the row before it
        jump,   // step per cm more than three times its neighbours'
    };
    Kind kind = Kind::falls;
    int immersion = 0;          // the row found
    double tonnage = 0;         // its tonnage
    int previous_cm = 0;        // the row before it
    double previous_t = 0;      // its tonnage
    double step = 0;            // jump: this row's step per cm (from the row before)
    double neighbour_step = 0;  // jump: the larger of the neighbouring steps per cm

    friend bool operator==(const TableFinding&, const TableFinding&) = default;
};

// A step counts as a jump when it is more than this many times the neighbouring steps.
inline constexpr double kJumpFactor = 3.0;

// The rows found, in rising immersion; a row may appear once for each kind.
std::vector<TableFinding> check_table(const std::vector<TableRow>& rows);

// The question texts, Windows-1252; %1... are replaced by the values in each comment. The window
// keeps them in hidden labels so that a language file can reword them.
struct TableCheckTexts {
    std::string heading = "De IJK tabel lijkt tikfouten te bevatten:";
    // %1 cm, %2 tonnage, %3 cm of the row before, %4 its tonnage
    std::string falls = "%1 cm: %2 t is niet meer dan %4 t bij %3 cm";
    // %1 cm, %2 step per cm, %3 the neighbouring step per cm
    std::string jump = "%1 cm: stap %2 t/cm, meer dan 3 keer de stap ernaast (%3 t/cm)";
    // %1 the number of rows not listed
    std::string more = "... en nog %1";
    std::string question = "Toch opslaan zoals hij is?";
    // Before a table that keeps fewer than half of the stored rows (none, say) replaces them:
    // %1 the rows stored now, %2 the rows that would be stored.
    std::string fewer = "De opgeslagen IJK tabel heeft %1 regels; opslaan vervangt ze door %2 regels.";
};

// At most this many findings are listed; the rest are counted.
inline constexpr std::size_t kMaxListed = 15;

// The whole question for the findings (not empty).
std::string check_question(const std::vector<TableFinding>& findings, const TableCheckTexts& texts);

// Whether storing `proposed` rows over `stored` stored ones loses so much of the table (all of it,
// or more than half) that the user is asked first; and that question.
bool loses_table(long long stored, long long proposed);
std::string fewer_rows_question(long long stored, long long proposed, const TableCheckTexts& texts);

}  // namespace ijken::shipdata
