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
struct TabelRij {
    int inzinking = 0;
    double tonnage = 0;
};

struct TabelBevinding {
    enum class Soort {
        daalt,   // not above the row before it
        sprong,  // step per cm more than three times its neighbours'
    };
    Soort soort = Soort::daalt;
    int inzinking = 0;      // the row found
    double tonnage = 0;     // its tonnage
    int vorige_cm = 0;      // the row before it
    double vorige_t = 0;    // its tonnage
    double stap = 0;        // sprong: this row's step per cm (from the row before)
    double buren_stap = 0;  // sprong: the larger of the neighbouring steps per cm

    friend bool operator==(const TabelBevinding&, const TabelBevinding&) = default;
};

// A step counts as a jump when it is more than this many times the neighbouring steps.
inline constexpr double kSprongFactor = 3.0;

// The rows found, in rising immersion; a row may appear once for each kind.
std::vector<TabelBevinding> controleer_tabel(const std::vector<TabelRij>& rijen);

// The question texts, Windows-1252; %1... are replaced by the values in each comment. The window
// keeps them in hidden labels so that a language file can reword them.
struct TabelControleTeksten {
    std::string kop = "De IJK tabel lijkt tikfouten te bevatten:";
    // %1 cm, %2 tonnage, %3 cm of the row before, %4 its tonnage
    std::string daalt = "%1 cm: %2 t is niet meer dan %4 t bij %3 cm";
    // %1 cm, %2 step per cm, %3 the neighbouring step per cm
    std::string sprong = "%1 cm: stap %2 t/cm, meer dan 3 keer de stap ernaast (%3 t/cm)";
    // %1 the number of rows not listed
    std::string meer = "... en nog %1";
    std::string vraag = "Toch opslaan zoals hij is?";
    // Before a table that keeps fewer than half of the stored rows (none, say) replaces them:
    // %1 the rows stored now, %2 the rows that would be stored.
    std::string minder = "De opgeslagen IJK tabel heeft %1 regels; opslaan vervangt ze door %2 regels.";
};

// At most this many findings are listed; the rest are counted.
inline constexpr std::size_t kMaxGetoond = 15;

// The whole question for the findings (not empty).
std::string controle_vraag(const std::vector<TabelBevinding>& bevindingen, const TabelControleTeksten& teksten);

// Whether storing `nieuw` rows over `opgeslagen` stored ones loses so much of the table (all of it,
// or more than half) that the user is asked first; and that question.
bool verliest_tabel(long long opgeslagen, long long nieuw);
std::string minder_vraag(long long opgeslagen, long long nieuw, const TabelControleTeksten& teksten);

}  // namespace ijken::shipdata
