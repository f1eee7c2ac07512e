// Surveys that tell the readings of the arithmetic apart (DESIGN.md, "Readings we chose for the
// arithmetic"). Each was found by tests/tools/search_readings.cpp: its cells as computed with the
// readings we chose differ in at least one cell from what another reading of the same rule gives
// (the comment above each row names the reading and the cell it would change). A change of any one
// reading fails this test.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/data/database_schema.h"
#include "core/survey/computation.h"
#include "support/temp_dir.h"

using namespace ijken;

namespace {

struct ReadingCase {
    const char* other_reading;
    int gauge_points;
    std::array<const char*, 20> readings;  // port empty 1-5, starboard empty 1-5, port loaded 1-5, starboard loaded 1-5
    std::array<const char*, 10> cells;     // e01 e02 e11 e12 e21 e22 e31 e32 e42 e52
};

const ReadingCase kCases[] = {
CASES_HERE
};

TEST(ArithmeticReadings, SurveysThatTellTheReadingsApart) {
    ijken::testing::TempDir dir;
    data::create_database(dir.db_path());
    for (const ReadingCase& c : kCases) {
        survey::SurveyInput input;
        for (std::size_t i = 0; i < 20; ++i) input.readings[i] = c.readings[i];
        // Dummy 1 of the new database with the case's number of gauge points.
        const auto r = survey::herbereken(dir.db_path(), survey::ShipParams{1, c.gauge_points, 251, 51}, input);
        const std::array<std::string, 10> got = {r.cells.e01, r.cells.e02, r.cells.e11, r.cells.e12, r.cells.e21,
                                                 r.cells.e22, r.cells.e31, r.cells.e32, r.cells.e42, r.cells.e52};
        for (std::size_t i = 0; i < 10; ++i) {
            EXPECT_EQ(got[i], c.cells[i]) << "cell " << i << " of a case against " << c.other_reading << ", readings "
                                          << c.readings[0] << " " << c.readings[5] << " " << c.readings[10] << " ...";
        }
    }
}

}  // namespace
