#pragma once
// A second, plain-spoken computation of a survey's result cells, for the fuzz target of the compute
// command and for the search for readings that tell the arithmetic's readings apart. It follows the
// written rules step by step and can be switched to the other readings of three of them, so that a
// search can look for surveys whose cells differ between the reading we chose and another one.
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "core/survey/computation.h"
#include "core/text/numbers.h"

namespace ijken::reference {

struct Readings {
    // Sums accumulated in extended precision and rounded to a double once, instead of after each
    // addition (p1 + p2 + p3 + p4 + p5 and som_bb + som_sb).
    bool extended_sums = false;
    // The mean's quotient passed to the 0.1 rounding in extended precision, not rounded to a
    // double first.
    bool extended_quotient = false;
    // fractie taken from the immersion itself, not from the immersion rounded to 0.1.
    bool unrounded_fractie = false;
};

using Lookup = std::function<std::optional<double>(int cm)>;  // the stored tonnage, if a row exists

struct Cells {
    std::array<std::string, 10> cells;  // e01 e02 e11 e12 e21 e22 e31 e32 e42 e52
    bool out_of_range = false;          // an immersion no gauge table can hold
};

namespace detail {

using LD = long double;
inline double rd(LD v) {
    return static_cast<double>(v);
}
inline double step_round(double x, double step) {
    const LD q = static_cast<LD>(x) / static_cast<LD>(step);
    return rd(std::nearbyintl(q) * static_cast<LD>(step));
}

struct State {
    double totaal = 0, gemiddeld = 0, inzinking = 0, tonnage = 0;
    bool out_of_range = false;
};

inline State state(const std::array<double, 5>& p, const std::array<double, 5>& s,
                   const survey::ShipParams& ship, const Lookup& lookup, const Readings& how) {
    State r;
    if (how.extended_sums) {
        LD bb = p[0], sb = s[0];
        for (int i = 1; i < 5; ++i) bb += p[i], sb += s[i];
        r.totaal = rd(bb + sb);
    } else {
        double bb = p[0], sb = s[0];
        for (int i = 1; i < 5; ++i) bb = rd(static_cast<LD>(bb) + p[i]), sb = rd(static_cast<LD>(sb) + s[i]);
        r.totaal = rd(static_cast<LD>(bb) + sb);
    }
    const double divisor = 2.0 * ship.Aantal_ijken;
    if (how.extended_quotient) {
        const LD q = static_cast<LD>(r.totaal) / divisor / static_cast<LD>(0.1);
        r.gemiddeld = rd(std::nearbyintl(q) * static_cast<LD>(0.1));
    } else {
        r.gemiddeld = step_round(rd(static_cast<LD>(r.totaal) / divisor), 0.1);
    }
    r.inzinking = rd(static_cast<LD>(ship.Max_inzinking) - r.gemiddeld);
    const double base = how.unrounded_fractie ? r.inzinking : step_round(r.inzinking, 0.1);
    const double fractie = rd(static_cast<LD>(base) - std::floor(base));
    const double laag = std::floor(r.inzinking);
    if (!(laag > -2147483000.0 && laag < 2147483000.0)) {
        r.out_of_range = true;
        return r;
    }
    const int cm_laag = static_cast<int>(laag);
    const int cm_hoog =
        std::ceil(r.inzinking) == laag ? cm_laag + 1 : static_cast<int>(std::ceil(r.inzinking));
    const bool boven = r.inzinking > ship.Max_inzinking;
    auto tonnage_at = [&](int cm) {
        double t = lookup(cm).value_or(0.0);
        return boven && t < 0 ? -t : t;
    };
    const double t_laag = tonnage_at(cm_laag), t_hoog = tonnage_at(cm_hoog);
    const double per_cm = rd(static_cast<LD>(t_hoog) - t_laag);
    const double fractie_tonnage = step_round(rd(static_cast<LD>(per_cm) * fractie), 0.001);
    r.tonnage = step_round(rd(static_cast<LD>(t_laag) + fractie_tonnage), 0.001);
    return r;
}

}  // namespace detail

// The cells of a survey given its readings as values (port empty 1-5, starboard empty 1-5, port
// loaded 1-5, starboard loaded 1-5) and the salt factor's value.
inline Cells cells(const std::array<double, 20>& v, double zout, const survey::ShipParams& ship,
                   const Lookup& lookup, const Readings& how = {}) {
    auto part = [&](int from) {
        return std::array<double, 5>{v[from], v[from + 1], v[from + 2], v[from + 3], v[from + 4]};
    };
    const auto leeg = detail::state(part(0), part(5), ship, lookup, how);
    const auto vol = detail::state(part(10), part(15), ship, lookup, how);
    Cells c;
    if (leeg.out_of_range || vol.out_of_range) {
        c.out_of_range = true;
        return c;
    }
    const double geladen = detail::rd(static_cast<detail::LD>(vol.tonnage) - leeg.tonnage);
    using text::format_fixed;
    c.cells = {format_fixed(leeg.totaal, 1, 3),
               format_fixed(vol.totaal, 1, 3),
               format_fixed(leeg.gemiddeld, 1, 3),
               format_fixed(vol.gemiddeld, 1, 3),
               format_fixed(leeg.inzinking, 1, 3),
               format_fixed(vol.inzinking, 1, 3),
               format_fixed(leeg.tonnage, 3, 3),
               format_fixed(vol.tonnage, 3, 3),
               format_fixed(geladen, 3, 3),
               format_fixed(detail::rd(static_cast<detail::LD>(zout) * geladen), 3, 3)};
    return c;
}

inline std::array<std::string, 10> cells_of(const survey::ResultCells& c) {
    return {c.e01, c.e02, c.e11, c.e12, c.e21, c.e22, c.e31, c.e32, c.e42, c.e52};
}

}  // namespace ijken::reference
