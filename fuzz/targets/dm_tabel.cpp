// The gauge-table expansion from decimetres to centimetres, against a slow reference that works
// in whole ten-thousandths: the step is the exact quotient rounded halves to even, a centimetre
// shows the exact running value rounded to thousandths halves to even. Where the exact value lies
// on a half (a tie the double arithmetic may break either way) either neighbour is accepted, and
// nowhere else. A second mode feeds raw texts: the expansion then either refuses with TableError or
// gives a table of the promised shape.
#include <cmath>
#include <string>
#include <vector>

#include "core/shipdata/decimetre_table.h"
#include "core/text/numbers.h"
#include "fuzz_check.h"

using namespace ijken;

namespace {

long long floor_div(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// The integers nearest a / b (b > 0): one, or both neighbours when a / b lies on a half.
std::pair<long long, long long> nearest(long long a, long long b) {
    const long long lo = floor_div(a, b);
    const long long rest2 = 2 * (a - lo * b);
    if (rest2 < b) return {lo, lo};
    if (rest2 > b) return {lo + 1, lo + 1};
    return {lo, lo + 1};
}

// A count of ten-thousandths as a tonnage text, in one of the ways a user types it.
std::string tonnage_text(long long count, unsigned style) {
    std::string s = text::format_int(count / 10000) + "." + text::format_int(count % 10000, 4);
    for (char& c : s) c = c == ' ' ? '0' : c;
    if (style % 3 == 1) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (style % 3 == 2) s[s.find('.')] = ',';
    return s;
}

std::string row_detail(int f, int l, const std::vector<shipdata::DecimetreRow>& rows) {
    std::string d = "F=" + text::format_int(f) + " L=" + text::format_int(l);
    for (const auto& r : rows) d += " [" + r.immersion + " " + r.tonnage + "]";
    return d;
}

void check_reference(fuzz::Input& in) {
    const int l = in.byte() + in.byte() % 2 * 256;  // 0 .. 511
    const int f = in.byte() % (l + 12);
    const int n = in.byte() % 9;
    std::vector<int> c;
    std::vector<long long> k;
    std::vector<shipdata::DecimetreRow> rows;
    int at = -1 + in.byte() % 4;
    for (int i = 0; i < n && at <= l; ++i) {
        c.push_back(at);
        const long long count = in.value<std::uint32_t>() % (in.byte() % 2 ? 10000000u : 4000000000u);
        k.push_back(i == 0 && count % 5 == 0 ? 0 : count);
        rows.push_back({text::format_int(at),
                        i == 0 && count % 5 == 0 ? std::string() : tonnage_text(k.back(), in.byte())});
        at += 1 + in.byte() % 30;
    }
    const std::string detail = row_detail(f, l, rows);
    if (f > l) {
        bool refused = false;
        try {
            shipdata::expand(f, l, rows);
        } catch (const shipdata::TableError&) {
            refused = true;
        }
        FUZZ_CHECK(refused, "a range with L below F was expanded: " + detail);
        return;
    }
    const shipdata::CentimetreTable out = shipdata::expand(f, l, rows);
    FUZZ_CHECK(out.tonnages.size() == static_cast<std::size_t>(l) + 1, "size: " + detail);

    // Allowed range of each centimetre in thousandths; "blank" for one no pair reaches.
    struct Cell {
        bool blank = true;
        long long lo = 0, hi = 0;
    };
    std::vector<Cell> want(static_cast<std::size_t>(l) + 1);
    for (int cc = 0; cc < f && cc <= l; ++cc) want[static_cast<std::size_t>(cc)] = {false, 0, 0};
    for (std::size_t i = 0; i + 1 < c.size(); ++i) {
        const auto [s_lo, s_hi] = nearest(k[i + 1] - k[i], c[i + 1] - c[i]);
        for (int cc = c[i]; cc <= c[i + 1]; ++cc) {
            if (cc < 0) continue;
            const long long j = cc - c[i];
            const auto a = nearest(k[i] + j * s_lo, 10);
            const auto b = nearest(k[i] + j * s_hi, 10);
            want[static_cast<std::size_t>(cc)] = {false, std::min(a.first, b.first), std::max(a.second, b.second)};
        }
    }
    for (int cc = 0; cc <= l; ++cc) {
        const Cell& w = want[static_cast<std::size_t>(cc)];
        const std::string& got = out.tonnages[static_cast<std::size_t>(cc)];
        const std::string where = "cm " + text::format_int(cc) + " shows \"" + got + "\": " + detail;
        if (w.blank) {
            FUZZ_CHECK(got.empty(), where);
            continue;
        }
        const auto v = text::parse_double(got);
        FUZZ_CHECK(v && got.size() >= 5 && got[got.size() - 4] == '.', where);
        const long long thousandths = std::llround(*v * 1000);
        FUZZ_CHECK(thousandths >= w.lo && thousandths <= w.hi,
                   where + " (want " + text::format_int(w.lo) + ".." + text::format_int(w.hi) + " thousandths)");
    }
    FUZZ_CHECK(out.top_row == (c.size() >= 2 ? c.back() : 0), "bovenste_rij: " + detail);
}

// Any texts at all: refused with TableError, or a table of L + 1 rows whose filled cells are numbers.
void check_raw(fuzz::Input& in) {
    const int l = in.byte() + in.byte() % 2 * 256;
    const int f = in.byte() % (l + 12) - 2;
    const int n = in.byte() % 6;
    std::vector<shipdata::DecimetreRow> rows;
    for (int i = 0; i < n; ++i) {
        const std::string a(in.bytes(in.byte() % 12));
        rows.push_back({a, std::string(in.bytes(in.byte() % 24))});
    }
    try {
        const shipdata::CentimetreTable out = shipdata::expand(f, l, rows);
        FUZZ_CHECK(f <= l && out.tonnages.size() == static_cast<std::size_t>(l) + 1, row_detail(f, l, rows));
        for (const std::string& t : out.tonnages) {
            FUZZ_CHECK(t.empty() || text::parse_double(t), "\"" + fuzz::shown(t) + "\": " + row_detail(f, l, rows));
        }
    } catch (const shipdata::TableError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    if (in.byte() % 4 == 0) {
        check_raw(in);
    } else {
        check_reference(in);
    }
    return 0;
}
