#include "core/survey/computation.h"

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "core/survey/gauge_lookup.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using text::ext_add;
using text::ext_div;
using text::ext_mul;
using text::ext_sub;
using text::format_fixed;
using text::format_int;
using text::round_to_step;

ReadingOverflow::ReadingOverflow(std::string text)
    : message_("De aflezing \"" + text::excerpt(text) + "\" is te groot om mee te rekenen") {}

std::int64_t waarde_uit_tekst(std::string_view text) {
    std::string t(text);
    if (t.empty()) t = "0.0";
    else if (t.size() == 1) t += ".0";
    if (auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    auto value = text::parse_fixed4(t);
    switch (value.status) {
        case text::Fixed4::Status::ok: return value.count;
        case text::Fixed4::Status::overflow: throw ReadingOverflow(std::string(text));
        case text::Fixed4::Status::not_a_number: break;
    }
    return 0;
}

double reading_value(std::string_view text) {
    return static_cast<double>(static_cast<long double>(waarde_uit_tekst(text)) / 10000);
}

std::array<bool, 5> points_in_use(int aantal_ijken) {
    switch (aantal_ijken) {
        case 1: return {false, false, true, false, false};
        case 2: return {true, false, false, false, true};
        case 3: return {true, false, true, false, true};
        case 4: return {true, true, false, true, true};
        case 5: return {true, true, true, true, true};
        default: return {false, false, false, false, false};
    }
}

namespace {

double sum_of(const std::array<double, 5>& v) {
    double s = v[0];
    for (std::size_t i = 1; i < v.size(); ++i) s = ext_add(s, v[i]);
    return s;
}

std::int32_t whole_cm(double x) {
    // A mean far outside any ship (only possible with typed readings) has no whole centimetre that
    // a gauge table could hold; refuse it rather than overflow.
    if (!(x > -2147483000.0 && x < 2147483000.0)) {
        throw std::runtime_error("De inzinking " + format_fixed(x, 1) + " cm valt buiten elke ijktabel");
    }
    return static_cast<std::int32_t>(x);
}

// Sums, mean, immersion, fraction and the two whole centimetres of one state.
IjkResultaat state_before_lookup(const ShipParams& ship, const std::array<double, 5>& bb,
                                 const std::array<double, 5>& sb) {
    if (ship.Aantal_ijken <= 0) {
        throw std::runtime_error("Het schip heeft " + format_int(ship.Aantal_ijken) +
                                 " ijkpunten; er kan geen gemiddelde worden bepaald");
    }
    IjkResultaat r;
    r.som_bb = sum_of(bb);
    r.som_sb = sum_of(sb);
    r.totaal = ext_add(r.som_bb, r.som_sb);
    r.gemiddeld = round_to_step(ext_div(r.totaal, 2.0 * ship.Aantal_ijken), 0.1);
    r.inzinking = ext_sub(ship.Max_inzinking, r.gemiddeld);

    // The interpolation weight is the distance above the lower whole centimetre; for a positive
    // immersion that is its fractional part.
    double rounded = round_to_step(r.inzinking, 0.1);
    r.fractie = ext_sub(rounded, std::floor(rounded));
    r.cm_laag = whole_cm(std::floor(r.inzinking));
    r.cm_hoog = whole_cm(std::ceil(r.inzinking));
    if (r.cm_hoog == r.cm_laag) r.cm_hoog = r.cm_laag + 1;
    return r;
}

bool above_table(const IjkResultaat& r, const ShipParams& ship) {
    return r.inzinking > ship.Max_inzinking;
}

bool needs_extension(const IjkResultaat& r, const ShipParams& ship) {
    return r.inzinking < ship.Min_inzinking - 1 || above_table(r, ship);
}

double table_tonnage(std::optional<double> stored, bool above) {
    if (!stored) return 0;
    double t = *stored;
    // Above the table the extension stores the continuation negated.
    if (above && t < 0) t = -t;
    return t;
}

void interpolate(IjkResultaat& r, double tonnage_laag, double tonnage_hoog) {
    r.tonnage_laag = tonnage_laag;
    r.tonnage_hoog = tonnage_hoog;
    r.per_cm = ext_sub(r.tonnage_hoog, r.tonnage_laag);
    r.fractie_tonnage = round_to_step(ext_mul(r.per_cm, r.fractie), 0.001);
    r.tonnage = round_to_step(ext_add(r.tonnage_laag, r.fractie_tonnage), 0.001);
}

}  // namespace

IjkResultaat bereken_toestand(GaugeTable& table, const ShipParams& ship, const std::array<double, 5>& bb,
                              const std::array<double, 5>& sb) {
    IjkResultaat r = state_before_lookup(ship, bb, sb);
    const bool above = above_table(r, ship);
    if (needs_extension(r, ship)) table.extend(ship.Max_inzinking);
    const std::optional<double> stored_low = table.tonnage(r.cm_laag);
    const std::optional<double> stored_high = table.tonnage(r.cm_hoog);
    interpolate(r, table_tonnage(stored_low, above), table_tonnage(stored_high, above));
    // The upper row weighs only with a fraction: at a whole centimetre (the top of the table, say)
    // a missing row above changes nothing.
    if (!stored_low) r.missing_row = r.cm_laag;
    else if (!stored_high && r.fractie != 0) r.missing_row = r.cm_hoog;
    return r;
}

IjkResultaat bereken_toestand(const std::string& db_pad, const ShipParams& ship, const std::array<double, 5>& bb,
                              const std::array<double, 5>& sb) {
    DatabaseGaugeTable table(db_pad, ship.SchipID);
    return bereken_toestand(table, ship, bb, sb);
}

std::vector<ExtensionRow> extension_below(int highest_zero, double tonnage_10_above) {
    std::vector<ExtensionRow> rows;
    const double step = ext_div(tonnage_10_above, 10);
    double v = 0;
    for (int k = 1; k <= 30; ++k) {
        v = ext_sub(v, step);
        rows.push_back({highest_zero - k, v});
    }
    return rows;
}

std::vector<ExtensionRow> extension_above(int max_inzinking, double top, double below_top) {
    std::vector<ExtensionRow> rows;
    double v = -top;
    const double slope = ext_sub(top, below_top);
    for (int k = 1; k <= 30; ++k) {
        v = ext_sub(v, slope);
        rows.push_back({max_inzinking + k, v});
    }
    return rows;
}

std::string extension_text(double tonnage) {
    return format_fixed(tonnage, 3, 5);
}

Recomputation recompute(const std::string& db_pad, const ShipParams& ship, const SurveyInput& input) {
    return recompute_with(input, [&](const std::array<double, 5>& bb, const std::array<double, 5>& sb) {
        return bereken_toestand(db_pad, ship, bb, sb);
    });
}

Recomputation recompute(GaugeTable& table, const ShipParams& ship, const SurveyInput& input) {
    return recompute_with(input, [&](const std::array<double, 5>& bb, const std::array<double, 5>& sb) {
        return bereken_toestand(table, ship, bb, sb);
    });
}

Recomputation recompute_with(const SurveyInput& input, const StateComputation& state) {
    // Every reading is converted before anything is computed, so a reading that cannot be held
    // changes nothing at all.
    std::array<double, 20> v;
    for (std::size_t i = 0; i < 20; ++i) v[i] = reading_value(input.readings[i]);
    auto part = [&](std::size_t from) {
        return std::array<double, 5>{v[from], v[from + 1], v[from + 2], v[from + 3], v[from + 4]};
    };

    Recomputation r;
    r.leeg = state(part(0), part(5));
    r.vol = state(part(10), part(15));
    const double loaded = ext_sub(r.vol.tonnage, r.leeg.tonnage);
    const double salt = text::parse_double(input.salt_correction).value_or(1.0);

    auto& c = r.cells;
    c.e01 = format_fixed(r.leeg.totaal, 1, 3);
    c.e02 = format_fixed(r.vol.totaal, 1, 3);
    c.e11 = format_fixed(r.leeg.gemiddeld, 1, 3);
    c.e12 = format_fixed(r.vol.gemiddeld, 1, 3);
    c.e21 = format_fixed(r.leeg.inzinking, 1, 3);
    c.e22 = format_fixed(r.vol.inzinking, 1, 3);
    c.e31 = format_fixed(r.leeg.tonnage, 3, 3);
    c.e32 = format_fixed(r.vol.tonnage, 3, 3);
    c.e42 = format_fixed(loaded, 3, 3);
    c.e52 = format_fixed(ext_mul(salt, loaded), 3, 3);
    return r;
}

}  // namespace ijken::survey
