// The compute command's line reader and what the command makes of a line. Lines either read as
// 21 fields that join back into the line, or give a message that says truly what is wrong; a
// survey read is computed on a real database and its cells must agree with a second, plain
// computation of the same rules (support/survey_reference.h).
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/survey/computation.h"
#include "core/survey/survey_line.h"
#include "core/text/cp1252.h"
#include "fuzz_check.h"
#include "support/survey_reference.h"

using namespace ijken;

namespace {

// The seeded database in a directory of its own, with ship 1's table extended once, so that no
// computation writes to it any more and every run sees the same rows.
struct Database {
    std::string path;
    std::map<std::pair<int, int>, double> rows;  // (ship, cm) -> tonnage

    std::string dir;

    Database() {
        char name[] = "/tmp/ijken-fuzz-compute-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        dir = name;
        path = dir + "/ijken.db";
        data::create_database_if_missing(path);
        survey::verleng_ijktabel(path, 1, 251);
        data::SQLiteDatabase db(path);
        auto t = db.Query("select SchipID, Inzinking, Tonnage from IJKtable");
        for (; !t->AtEnd(); t->Next())
            rows[{static_cast<int>(t->AsInteger(0)), static_cast<int>(t->AsInteger(1))}] = t->AsFloat(2);
    }
    ~Database() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

bool well_formed_utf8(const std::string& s) {
    try {
        text::utf8_to_cp1252(s);
        return true;
    } catch (const text::EncodingError& e) {
        // Well-formed but outside the code page is still well-formed UTF-8.
        return std::string(e.what()).find("Ongeldige") == std::string::npos;
    }
}

void check_line(const Database& db, std::string_view line, const survey::ShipParams& ship) {
    const auto parsed = survey::parse_survey_line(line);
    std::string_view body = line;
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    std::size_t fields = 1;
    for (char c : body) fields += c == '\t';

    if (!parsed.input) {
        FUZZ_CHECK(!parsed.error.empty(), "an error without a message");
        FUZZ_CHECK(well_formed_utf8(parsed.error), "the message is no UTF-8: " + fuzz::shown(parsed.error));
        if (fields != 21) {
            FUZZ_CHECK(parsed.error == "expected 21 tab-separated fields, found " + std::to_string(fields),
                       "wrong count in " + fuzz::shown(parsed.error));
        } else {
            // The message is the converter's own about the first field it refuses, word for word.
            std::string first_refusal;
            std::size_t start = 0;
            for (std::size_t i = 0; i < 21 && first_refusal.empty(); ++i) {
                const std::size_t tab = body.find('\t', start);
                try {
                    text::utf8_to_cp1252(body.substr(
                        start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
                } catch (const text::EncodingError& e) {
                    first_refusal = e.what();
                }
                start = tab + 1;
            }
            FUZZ_CHECK(!first_refusal.empty(),
                       "a line of text the code page can hold was refused: " + fuzz::shown(line));
            FUZZ_CHECK(parsed.error == first_refusal,
                       "message " + fuzz::shown(parsed.error) + " for " + fuzz::shown(first_refusal));
        }
        return;
    }
    FUZZ_CHECK(fields == 21, "a line of " + std::to_string(fields) + " fields was read");
    const auto& in = *parsed.input;
    std::string joined;
    for (std::size_t i = 0; i < 20; ++i) joined += text::cp1252_to_utf8(in.readings[i]) + "\t";
    joined += text::cp1252_to_utf8(in.salt_correction);
    FUZZ_CHECK(joined == body, "fields do not join back into " + fuzz::shown(line));

    // The survey computed, against the reference.
    std::array<double, 20> values{};
    bool overflow = false;
    for (std::size_t i = 0; i < 20; ++i) {
        try {
            values[i] = survey::reading_value(in.readings[i]);
        } catch (const survey::ReadingOverflow&) {
            overflow = true;
        }
    }
    const auto lookup = [&](int cm) -> std::optional<double> {
        auto it = db.rows.find({ship.SchipID, cm});
        if (it == db.rows.end()) return std::nullopt;
        return it->second;
    };
    const auto expected =
        reference::cells(values, text::parse_double(in.salt_correction).value_or(1.0), ship, lookup);
    try {
        const auto r = survey::recompute(db.path, ship, in);
        FUZZ_CHECK(!overflow && !expected.out_of_range,
                   "computed what cannot be computed: " + fuzz::shown(line));
        const auto got = reference::cells_of(r.cells);
        for (std::size_t i = 0; i < 10; ++i) {
            FUZZ_CHECK(got[i] == expected.cells[i], "cell " + std::to_string(i) + " is " + got[i] +
                                                        ", reference " + expected.cells[i] + " for " +
                                                        fuzz::shown(line));
        }
        FUZZ_CHECK(r.leeg.cm_hoog == r.leeg.cm_laag + 1 && r.vol.cm_hoog == r.vol.cm_laag + 1,
                   "cm_hoog is not cm_laag + 1");
    } catch (const survey::ReadingOverflow&) {
        FUZZ_CHECK(overflow, "a reading that fits was refused: " + fuzz::shown(line));
    } catch (const std::runtime_error& e) {
        FUZZ_CHECK(!overflow && expected.out_of_range,
                   std::string("unexpected error \"") + e.what() + "\" for " + fuzz::shown(line));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Database db;
    fuzz::Input in(data, size);
    // Dummy 1 (with its gauge table) or Dummy 2 (none), with 1 to 5 gauge points.
    const std::uint8_t pick = in.byte();
    survey::ShipParams ship = pick & 1 ? survey::ShipParams{2, 3, 250, 0} : survey::ShipParams{1, 3, 251, 51};
    ship.Aantal_ijken = 1 + (pick >> 1) % 5;
    // Lines as the command reads them: up to each LF.
    std::string_view rest = in.rest();
    for (int n = 0; n < 4 && !rest.empty(); ++n) {
        const std::size_t lf = rest.find('\n');
        check_line(db, rest.substr(0, lf), ship);
        if (lf == std::string_view::npos) break;
        rest.remove_prefix(lf + 1);
    }
    return 0;
}
