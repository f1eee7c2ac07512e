// Searches many surveys for ones whose result cells differ between the readings of the arithmetic
// we chose and another reading of the same rules (support/survey_reference.h), and prints them as
// rows for the regression table in tests/survey/readings_test.cpp.
//
//   search_readings [COUNT] [SEED]     (default 2000000 surveys per reading, seed 1)
//
// The surveys are Dummy 1 of a new database (maximum immersion 251, its seeded gauge table) with 1
// to 5 gauge points and readings of 0 to 4 decimals between 0 and 251 cm.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/survey/computation.h"
#include "core/text/numbers.h"
#include "support/survey_reference.h"
#include "support/temp_dir.h"

using namespace ijken;

int main(int argc, char** argv) {
    const long long count = argc > 1 ? std::atoll(argv[1]) : 2000000;
    std::mt19937_64 random(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1);

    testing::TempDir dir;
    data::create_database(dir.db_path());
    std::map<int, double> table;
    {
        data::SQLiteDatabase db(dir.db_path());
        auto t = db.Query("select Inzinking, Tonnage from IJKtable where SchipID=1");
        for (; !t->AtEnd(); t->Next()) table[static_cast<int>(t->AsInteger(0))] = t->AsFloat(1);
    }
    const reference::Lookup lookup = [&](int cm) -> std::optional<double> {
        auto it = table.find(cm);
        if (it == table.end()) return std::nullopt;
        return it->second;
    };

    struct Other {
        const char* name;
        reference::Readings how;
    };
    const Other others[] = {{"extended_sums", {true, false, false}},
                            {"extended_quotient", {false, true, false}},
                            {"unrounded_fractie", {false, false, true}}};
    const char* cell_names[10] = {"e01", "e02", "e11", "e12", "e21", "e22", "e31", "e32", "e42", "e52"};

    for (const Other& other : others) {
        int found = 0;
        std::map<int, int> per_cell;
        for (long long n = 0; n < count && found < 12; ++n) {
            const int points = 1 + static_cast<int>(random() % 5);
            const auto in_use = survey::points_in_use(points);
            const int decimals = static_cast<int>(random() % 5);
            long long scale = 1;
            for (int d = 0; d < decimals; ++d) scale *= 10;
            // Both states lie in the table: the loaded readings small, the empty ones large.
            std::array<std::string, 20> texts;
            for (int i = 0; i < 20; ++i) {
                const bool loaded = i >= 10;
                const long long lo = (loaded ? 5 : 150) * scale, hi = (loaded ? 120 : 199) * scale;
                const long long v =
                    in_use[static_cast<std::size_t>(i % 5)]
                        ? lo + static_cast<long long>(random() % static_cast<unsigned long long>(hi - lo))
                        : 0;
                std::string t = text::format_int(v / scale);
                if (decimals > 0) {
                    std::string f = text::format_int(v % scale);
                    t += "." + std::string(static_cast<std::size_t>(decimals) - f.size(), '0') + f;
                }
                texts[static_cast<std::size_t>(i)] = t;
            }
            std::array<double, 20> values;
            for (int i = 0; i < 20; ++i)
                values[static_cast<std::size_t>(i)] =
                    survey::reading_value(texts[static_cast<std::size_t>(i)]);
            const survey::ShipParams ship{1, points, 251, 51};
            const auto chosen = reference::cells(values, 1.0, ship, lookup);
            const auto changed = reference::cells(values, 1.0, ship, lookup, other.how);
            if (chosen.cells == changed.cells) continue;
            int first = 0;
            while (chosen.cells[static_cast<std::size_t>(first)] ==
                   changed.cells[static_cast<std::size_t>(first)])
                ++first;
            // A few of each differing cell, not a dozen of one.
            if (per_cell[first]++ >= 3) continue;
            ++found;
            std::printf("    // %s: %s would be %s\n    {\"%s\", %d, {", other.name, cell_names[first],
                        changed.cells[static_cast<std::size_t>(first)].c_str(), other.name, points);
            for (int i = 0; i < 20; ++i)
                std::printf("%s\"%s\"", i ? ", " : "", texts[static_cast<std::size_t>(i)].c_str());
            std::printf("},\n     {");
            for (int i = 0; i < 10; ++i)
                std::printf("%s\"%s\"", i ? ", " : "", chosen.cells[static_cast<std::size_t>(i)].c_str());
            std::printf("}},\n");
        }
        std::fprintf(stderr, "%s: %d surveys found\n", other.name, found);
    }
    return 0;
}
