#include "core/survey/gauge_lookup.h"

#include <gtest/gtest.h>

#include "core/data/database_schema.h"
#include "core/survey/computation.h"
#include "support/temp_dir.h"

using namespace ijken;
using namespace ijken::survey;

namespace {

long long extension_rows(const std::string& db_path) {
    data::SQLiteDatabase db(db_path);
    return db.Query("select count(*) from IJKtable where Tonnage<0")->AsInteger(0);
}

// The two back-ends give the same state, and only the database one writes. Dummy 1 as seeded: 3
// gauge points, table from 51 to 251 cm with zero rows 0 to 49; one mean reading on all three
// points of both sides.
TEST(GaugeLookup, TheCopyAndTheDatabaseComputeTheSameStateWhereverTheImmersionLies) {
    struct Case {
        const char* where;
        double reading;
        bool extends;
    };
    const Case cases[] = {
        {"inside, on a whole centimetre", 20, false},
        {"inside, between two centimetres", 20.37, false},
        {"at the top of the table", 0, false},
        {"below the table, in the extension", 230, true},
        {"among the zero rows", 250.5, true},
        {"above the table, in the extension", -5.25, true},
        {"above the extension", -40, true},
    };
    const ShipParams dummy1{1, 3, 251, 51};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        ijken::testing::TempDir dir;
        data::create_database(dir.db_path());
        const std::array<double, 5> side{c.reading, 0, c.reading, 0, c.reading};

        MemoryGaugeTable copy = MemoryGaugeTable::read(dir.db_path(), 1);
        const IjkResultaat in_memory = bereken_toestand(copy, dummy1, side, side);
        EXPECT_EQ(extension_rows(dir.db_path()), 0);
        const IjkResultaat stored = bereken_toestand(dir.db_path(), dummy1, side, side);
        EXPECT_EQ(extension_rows(dir.db_path()) > 0, c.extends);

        EXPECT_EQ(in_memory.cm_laag, stored.cm_laag);
        EXPECT_EQ(in_memory.cm_hoog, stored.cm_hoog);
        EXPECT_DOUBLE_EQ(in_memory.tonnage_laag, stored.tonnage_laag);
        EXPECT_DOUBLE_EQ(in_memory.tonnage_hoog, stored.tonnage_hoog);
        EXPECT_DOUBLE_EQ(in_memory.tonnage, stored.tonnage);
        // And the copy now holds what the database holds, extension included.
        EXPECT_EQ(copy.rows(), MemoryGaugeTable::read(dir.db_path(), 1).rows());

        // The database on the caller's connection (as `ijken report` reads all on one), a row a
        // lookup or two at once, each on a fresh database: the same state and the same rows
        // written, and the connection left usable.
        for (auto reading : {DatabaseGaugeTable::Reading::row, DatabaseGaugeTable::Reading::with_next}) {
            ijken::testing::TempDir fresh;
            data::create_database(fresh.db_path());
            data::SQLiteDatabase connection(fresh.db_path());
            DatabaseGaugeTable on_connection(connection, 1, reading);
            const IjkResultaat borrowed = bereken_toestand(on_connection, dummy1, side, side);
            EXPECT_FALSE(connection.in_transaction());
            EXPECT_EQ(extension_rows(fresh.db_path()), extension_rows(dir.db_path()));
            EXPECT_EQ(borrowed.cm_laag, stored.cm_laag);
            EXPECT_DOUBLE_EQ(borrowed.tonnage_laag, stored.tonnage_laag);
            EXPECT_DOUBLE_EQ(borrowed.tonnage_hoog, stored.tonnage_hoog);
        }
    }
}

}  // namespace

// Which lookup found no row: the lower centimetre always counts, the upper one only with a
// fraction to weigh it; the figures are those of a row read as 0, as designed.
TEST(GaugeLookup, ALookupThatFindsNoRowIsNamedAndReadAsZero) {
    struct Case {
        const char* where;
        double reading;  // on all three points of both sides; immersion 251 - reading
        std::optional<std::int32_t> missing;
        double tonnage;
    };
    // Rows 100 to 102 and 105 only: 103 and 104 are a hole, nothing above 105.
    const std::map<int, double> rows{{100, 10.0}, {101, 12.0}, {102, 14.0}, {105, 20.0}};
    const Case cases[] = {
        {"both rows there", 150.5, std::nullopt, 11.0},
        {"at a whole centimetre below a hole", 149, std::nullopt, 14.0},
        {"the upper row missing, with a fraction", 148.5, 103, 7.0},
        {"the lower row missing", 147.5, 103, 0.0},
        {"at the top row, nothing above it", 146, std::nullopt, 20.0},
        {"above the top row", 145.5, 106, 10.0},
    };
    const ShipParams ship{1, 3, 251, 100};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        MemoryGaugeTable table(rows);
        const std::array<double, 5> side{c.reading, 0, c.reading, 0, c.reading};
        const IjkResultaat r = bereken_toestand(table, ship, side, side);
        EXPECT_EQ(r.missing_row, c.missing);
        EXPECT_DOUBLE_EQ(r.tonnage, c.tonnage);
    }
}
