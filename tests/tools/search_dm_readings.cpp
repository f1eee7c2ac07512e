// Searches decimetre tables whose expanded centimetre rows differ between the readings of the
// expansion we chose (the step rounded to four decimals halves to even; each centimetre rounded
// to 0.001 as the survey computation rounds: the quotient by the double nearest 0.001 in extended
// precision, halves to even) and another reading of the same words, and prints them as rows for
// the regression table in tests/shipdata/dm_readings_test.cpp.
//
//   search_dm_readings [COUNT] [SEED]     (default 2000000 tables, seed 1)
//
// A table is one pair of decimetre rows, 10 cm apart as the window makes them (51 and 61), with
// tonnages of four decimals up to 2,000 t.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/shipdata/decimetre_table.h"
#include "core/text/numbers.h"

using namespace ijken;

namespace {

struct Reading {
    const char* name;
    std::function<double(double)> step;   // the step from the unrounded quotient
    std::function<std::string(double)> shown;  // a running value as the grid shows it
};

double step_even(double q) {
    return text::round_to_step(q, 0.0001);
}
std::string shown_even(double v) {
    return text::format_fixed(text::round_to_step(v, 0.001), 3, 5);
}

// The centimetre texts of the pair (c0, t0), (c1, t1) under a reading.
std::vector<std::string> expand(const Reading& r, int c0, double t0, int c1, double t1) {
    const double step = r.step(text::ext_div(text::ext_sub(t1, t0), c1 - c0));
    std::vector<std::string> out;
    double v = t0;
    for (int c = c0; c <= c1; ++c) {
        out.push_back(r.shown(v));
        v = text::ext_add(v, step);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const long long count = argc > 1 ? std::atoll(argv[1]) : 2000000;
    std::mt19937_64 random(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1);
    const Reading chosen{"chosen", step_even, shown_even};
    const std::vector<Reading> others = {
        {"step unrounded", [](double q) { return q; }, shown_even},
        {"step halves away from zero",
         [](double q) {
             const long double unit = 0.0001;  // the double nearest, as round_to_step takes it
             return static_cast<double>(std::roundl(q / unit) * unit);
         },
         shown_even},
        {"t by double rounding", step_even,
         [](double v) { return text::format_fixed(std::nearbyint(v / 0.001) * 0.001, 3, 5); }},
        {"t by printf", step_even, [](double v) { return text::format_fixed(v, 3, 5); }},
    };
    std::vector<int> found(others.size());
    std::uniform_int_distribution<long long> tonnage(0, 20000000);
    for (long long i = 0; i < count; ++i) {
        const long long k0 = tonnage(random) % (i % 2 ? 20000000 : 20000);
        const long long k1 = k0 + tonnage(random) % (i % 3 ? 100000 : 1000);
        const double t0 = static_cast<double>(static_cast<long double>(k0) / 10000);
        const double t1 = static_cast<double>(static_cast<long double>(k1) / 10000);
        const auto want = expand(chosen, 51, t0, 61, t1);
        // The program itself must agree with the chosen reading.
        const auto program =
            shipdata::expand(52, 61, {{"51", text::format_fixed(t0, 4)}, {"61", text::format_fixed(t1, 4)}});
        for (int c = 51; c < 61; ++c) {
            if (program.tonnages[static_cast<std::size_t>(c)] != want[static_cast<std::size_t>(c - 51)]) {
                std::printf("the program differs from the chosen reading at %.4f .. %.4f, %d cm\n", t0, t1, c);
                return 1;
            }
        }
        for (std::size_t r = 0; r < others.size(); ++r) {
            if (found[r] >= 3) continue;
            const auto got = expand(others[r], 51, t0, 61, t1);
            // Only the centimetres the table shows: 61 is shown with its own tonnage.
            for (int c = 52; c < 61; ++c) {
                const auto at = static_cast<std::size_t>(c - 51);
                if (got[at] != want[at]) {
                    std::printf("%s: {\"%.4f\", \"%.4f\", %d, \"%s\"},  // %s gives \"%s\"\n", others[r].name, t0, t1,
                                c, want[at].c_str(), others[r].name, got[at].c_str());
                    ++found[r];
                    break;
                }
            }
        }
    }
    for (std::size_t r = 0; r < others.size(); ++r) std::printf("%s: %d found\n", others[r].name, found[r]);
    return 0;
}
