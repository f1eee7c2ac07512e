#include "core/shipdata/tabel_controle.h"

#include <algorithm>

#include "core/survey/warnings.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using text::format_fixed;
using text::format_int;

namespace {

// Tonnages are typed with three decimals, so a step may be off by one thousandth either way from
// rounding alone; a jump must exceed the neighbours' steps by more than that.
constexpr double kAfrondingsruimte = 0.002;

}  // namespace

std::vector<TabelBevinding> controleer_tabel(const std::vector<TabelRij>& rijen) {
    std::vector<TabelBevinding> gevonden;
    const std::size_t n = rijen.size();
    std::size_t start = 0;
    while (start < n && !(rijen[start].tonnage > 0)) ++start;
    if (start == n) return gevonden;

    // steps[i]: tonnage per cm from row i - 1 to row i; only from the first rising row on (the
    // step out of the zero rows is the first real one).
    std::vector<double> stap(n, 0.0);
    std::vector<bool> heeft_stap(n, false);
    for (std::size_t i = std::max<std::size_t>(start, 1); i < n; ++i) {
        const int cm = rijen[i].inzinking - rijen[i - 1].inzinking;
        if (cm <= 0) continue;
        stap[i] = (rijen[i].tonnage - rijen[i - 1].tonnage) / cm;
        heeft_stap[i] = true;
    }

    for (std::size_t i = start; i < n; ++i) {
        const TabelRij& rij = rijen[i];
        const bool heeft_vorige = i > 0;
        const TabelRij vorige = heeft_vorige ? rijen[i - 1] : TabelRij{};
        auto bevinding = [&](TabelBevinding::Soort soort) {
            TabelBevinding b;
            b.soort = soort;
            b.inzinking = rij.inzinking;
            b.tonnage = rij.tonnage;
            b.vorige_cm = vorige.inzinking;
            b.vorige_t = vorige.tonnage;
            return b;
        };
        if (i > start && !(rij.tonnage > vorige.tonnage)) gevonden.push_back(bevinding(TabelBevinding::Soort::daalt));

        if (!heeft_stap[i] || !(stap[i] > 0)) continue;
        // Only rising neighbours count: beside a falling row every step would look like a jump.
        double buren = -1;
        bool alle_klein = true;
        for (std::size_t j : {i - 1, i + 1}) {
            if (j >= n || j < start || !heeft_stap[j] || !(stap[j] > 0)) continue;
            buren = std::max(buren, stap[j]);
            alle_klein = alle_klein && stap[i] > kSprongFactor * stap[j] + kAfrondingsruimte;
        }
        if (buren > 0 && alle_klein) {
            TabelBevinding b = bevinding(TabelBevinding::Soort::sprong);
            b.stap = stap[i];
            b.buren_stap = buren;
            gevonden.push_back(b);
        }
    }
    return gevonden;
}

std::string controle_vraag(const std::vector<TabelBevinding>& bevindingen, const TabelControleTeksten& teksten) {
    using survey::fill_template;
    std::string vraag = teksten.kop;
    for (std::size_t i = 0; i < bevindingen.size() && i < kMaxGetoond; ++i) {
        const TabelBevinding& b = bevindingen[i];
        vraag += '\n';
        if (b.soort == TabelBevinding::Soort::daalt) {
            vraag += fill_template(teksten.daalt, {format_int(b.inzinking), format_fixed(b.tonnage, 3),
                                                   format_int(b.vorige_cm), format_fixed(b.vorige_t, 3)});
        } else {
            vraag += fill_template(teksten.sprong, {format_int(b.inzinking), format_fixed(b.stap, 3),
                                                    format_fixed(b.buren_stap, 3)});
        }
    }
    if (bevindingen.size() > kMaxGetoond) {
        vraag += '\n' + fill_template(teksten.meer, {format_int(static_cast<long long>(bevindingen.size() - kMaxGetoond))});
    }
    return vraag + "\n\n" + teksten.vraag;
}

bool verliest_tabel(long long opgeslagen, long long nieuw) {
    return 2 * nieuw < opgeslagen;
}

std::string minder_vraag(long long opgeslagen, long long nieuw, const TabelControleTeksten& teksten) {
    return survey::fill_template(teksten.minder, {format_int(opgeslagen), format_int(nieuw)}) + "\n\n" +
           teksten.vraag;
}

}  // namespace ijken::shipdata
