#include "core/survey/warnings.h"

#include <cstdint>

#include "core/text/numbers.h"

namespace ijken::survey {

using text::format_fixed;
using text::format_int;

namespace {

// Ten-thousandths of a centimetre: the difference is compared on the readings' exact four-decimal
// counts, so 10.0 cm is never taken for 10.0000000001.
constexpr std::int64_t kMaxSideDifferenceCount = static_cast<std::int64_t>(kMaxSideDifference * 10000);

void state_warnings(const ShipParams& ship, const SurveyInput& input, char state, const IjkResultaat& result,
                    std::vector<Warning>& out) {
    if (result.missing_row) {
        // Whatever the range says, a row that was not there is what decided the figure.
        Warning w;
        w.kind = WarningKind::no_table_row;
        w.state = state;
        w.immersion = *result.missing_row;
        out.push_back(w);
    } else if (result.inzinking < ship.Min_inzinking || result.inzinking > ship.Max_inzinking) {
        Warning w;
        w.kind = WarningKind::outside_table;
        w.state = state;
        w.immersion = result.inzinking;
        out.push_back(w);
    }

    const std::size_t port = state == 'l' ? 0 : 10;
    const std::size_t starboard = port + 5;
    const auto in_use = points_in_use(ship.Aantal_ijken);
    std::int64_t bb[5] = {};
    std::int64_t sb[5] = {};
    bool any_filled = false;
    for (std::size_t p = 0; p < 5; ++p) {
        if (!in_use[p]) continue;
        bb[p] = waarde_uit_tekst(input.readings[port + p]);
        sb[p] = waarde_uit_tekst(input.readings[starboard + p]);
        any_filled = any_filled || bb[p] != 0 || sb[p] != 0;
    }
    for (std::size_t p = 0; p < 5; ++p) {
        if (!in_use[p]) continue;
        const int point = static_cast<int>(p) + 1;
        if (bb[p] == 0 || sb[p] == 0) {
            // A state nobody has filled in yet is no mistake; one reading forgotten among others is.
            if (!any_filled) continue;
            for (char side : {'b', 's'}) {
                if ((side == 'b' ? bb[p] : sb[p]) != 0) continue;
                Warning w;
                w.kind = WarningKind::zero_reading;
                w.state = state;
                w.point = point;
                w.side = side;
                out.push_back(w);
            }
            // A reading of 0 against a real one always differs by far; the zero says it better.
            continue;
        }
        const std::int64_t d = bb[p] > sb[p] ? bb[p] - sb[p] : sb[p] - bb[p];
        if (d > kMaxSideDifferenceCount) {
            Warning w;
            w.kind = WarningKind::side_difference;
            w.state = state;
            w.point = point;
            w.difference = static_cast<double>(static_cast<long double>(d) / 10000);
            out.push_back(w);
        }
    }
}

}  // namespace

std::vector<Warning> find_warnings(const ShipParams& ship, const SurveyInput& input, const Recomputation& r) {
    std::vector<Warning> warnings;
    state_warnings(ship, input, 'l', r.leeg, warnings);
    state_warnings(ship, input, 'v', r.vol, warnings);
    return warnings;
}

std::string fill_template(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(pattern.size() + 16);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += args[n];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string warning_text(const Warning& w, const ShipParams& ship, const WarningTexts& texts) {
    switch (w.kind) {
        case WarningKind::outside_table:
            return fill_template(texts.outside_table,
                                 {format_fixed(w.immersion, 1), format_int(ship.Min_inzinking),
                                  format_int(ship.Max_inzinking)});
        case WarningKind::side_difference:
            return fill_template(texts.side_difference, {format_int(w.point), format_fixed(w.difference, 1)});
        case WarningKind::no_table_row:
            return fill_template(texts.no_table_row, {format_int(static_cast<long long>(w.immersion))});
        case WarningKind::zero_reading:
            return fill_template(w.side == 'b' ? texts.zero_port : texts.zero_starboard,
                                 {format_int(w.point)});
    }
    return {};
}

std::string full_warning_text(const Warning& w, const ShipParams& ship, const WarningTexts& texts) {
    return (w.state == 'l' ? texts.empty : texts.loaded) + ": " + warning_text(w, ship, texts);
}

std::vector<std::string> warning_lines(const std::vector<Warning>& warnings, const ShipParams& ship,
                                       const WarningTexts& texts) {
    std::vector<std::string> lines;
    for (char state : {'l', 'v'}) {
        std::string line;
        for (const Warning& w : warnings) {
            if (w.state != state) continue;
            line += line.empty() ? (state == 'l' ? texts.empty : texts.loaded) + ": " : std::string("; ");
            line += warning_text(w, ship, texts);
        }
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

std::string warnings_field(const std::vector<Warning>& warnings, const ShipParams& ship,
                           const WarningTexts& texts) {
    std::string field;
    for (const Warning& w : warnings) {
        if (!field.empty()) field += "; ";
        field += full_warning_text(w, ship, texts);
    }
    return field;
}

}  // namespace ijken::survey
