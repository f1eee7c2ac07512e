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
    std::array<const char*, 20>
        readings;  // port empty 1-5, starboard empty 1-5, port loaded 1-5, starboard loaded 1-5
    std::array<const char*, 10> cells;  // e01 e02 e11 e12 e21 e22 e31 e32 e42 e52
};

const ReadingCase kCases[] = {
    // extended_sums: e11 would be 179.5
    {"extended_sums",
     3,
     {"170.4", "0.0", "195.7", "0.0", "179.5", "167.8", "0.0", "187.5", "0.0", "176.4",
      "65.2",  "0.0", "9.9",   "0.0", "54.1",  "114.9", "0.0", "8.2",   "0.0", "101.6"},
     {"1077.3", "353.9", "179.6", "59.0", "71.4", "192.0", "38.283", "253.440", "215.157", "215.157"}},
    // extended_sums: e12 would be 71.8
    {"extended_sums",
     4,
     {"162.0", "197.9", "0.0", "170.2", "185.3", "171.5", "183.7", "0.0", "191.3", "185.3",
      "118.8", "101.5", "0.0", "30.9",  "29.7",  "99.4",  "93.6",  "0.0", "44.8",  "56.1"},
     {"1447.2", "574.8", "180.9", "71.9", "70.1", "179.1", "36.050", "229.376", "193.326", "193.326"}},
    // extended_sums: e02 would be 411.3
    {"extended_sums",
     3,
     {"183.48", "0.00", "180.41", "0.00", "195.59", "157.03", "0.00", "182.27", "0.00", "178.71",
      "8.06",   "0.00", "53.69",  "0.00", "53.94",  "100.05", "0.00", "102.19", "0.00", "93.42"},
     {"1077.5", "411.4", "179.6", "68.6", "71.4", "182.4", "38.283", "235.517", "197.234", "197.234"}},
    // extended_sums: e01 would be 721.5
    {"extended_sums",
     2,
     {"168.87", "0.00", "0.00", "0.00", "175.29", "190.70", "0.00", "0.00", "0.00", "186.59",
      "28.44",  "0.00", "0.00", "0.00", "109.68", "64.17",  "0.00", "0.00", "0.00", "37.58"},
     {"721.4", "239.9", "180.4", "60.0", "70.6", "191.0", "36.909", "251.560", "214.651", "214.651"}},
    // extended_quotient: e12 would be 68.6
    {"extended_quotient",
     5,
     {"192.8", "176.4", "169.5", "171.3", "163.9", "157.3", "158.4", "177.7", "170.1", "166.2",
      "79.1",  "72.9",  "31.1",  "69.0",  "97.3",  "88.1",  "47.9",  "78.8",  "73.6",  "48.7"},
     {"1703.6", "686.5", "170.4", "68.7", "80.6", "182.3", "54.102", "235.331", "181.229", "181.229"}},
    // extended_quotient: e11 would be 178.4
    {"extended_quotient",
     3,
     {"195.6", "0.0", "187.7", "0.0", "183.2", "178.9", "0.0", "154.7", "0.0", "170.6",
      "95.2",  "0.0", "41.1",  "0.0", "40.9",  "53.6",  "0.0", "14.7",  "0.0", "102.2"},
     {"1070.7", "347.7", "178.5", "58.0", "72.5", "193.0", "40.173", "255.320", "215.147", "215.147"}},
    // unrounded_fractie: e31 would be 72.590
    {"unrounded_fractie",
     4,
     {"153.90", "158.20", "0.00", "154.18", "156.89", "165.58", "158.50", "0.00", "153.59", "176.38",
      "106.88", "28.56",  "0.00", "18.58",  "71.25",  "67.84",  "67.96",  "0.00", "16.55",  "104.62"},
     {"1277.2", "482.2", "159.7", "60.3", "91.3", "190.7", "72.591", "250.996", "178.405", "178.405"}},
    // unrounded_fractie: e31 would be 75.019
    {"unrounded_fractie",
     1,
     {"0.000", "0.000", "155.326", "0.000", "0.000", "0.000", "0.000", "161.328", "0.000", "0.000",
      "0.000", "0.000", "108.488", "0.000", "0.000", "0.000", "0.000", "15.642",  "0.000", "0.000"},
     {"316.7", "124.1", "158.3", "62.1", "92.7", "188.9", "75.020", "247.614", "172.594", "172.594"}},
    // unrounded_fractie: e32 would be 157.706
    {"unrounded_fractie",
     1,
     {"0.000", "0.000", "186.068", "0.000", "0.000", "0.000", "0.000", "175.210", "0.000", "0.000",
      "0.000", "0.000", "107.966", "0.000", "0.000", "0.000", "0.000", "114.671", "0.000", "0.000"},
     {"361.3", "222.6", "180.6", "111.3", "70.4", "139.7", "36.565", "157.707", "121.142", "121.142"}},
};

TEST(ArithmeticReadings, SurveysThatTellTheReadingsApart) {
    ijken::testing::TempDir dir;
    data::create_database(dir.db_path());
    for (const ReadingCase& c : kCases) {
        survey::SurveyInput input;
        for (std::size_t i = 0; i < 20; ++i) input.readings[i] = c.readings[i];
        // Dummy 1 of the new database with the case's number of gauge points.
        const auto r =
            survey::recompute(dir.db_path(), survey::ShipParams{1, c.gauge_points, 251, 51}, input);
        const std::array<std::string, 10> got = {r.cells.e01, r.cells.e02, r.cells.e11, r.cells.e12,
                                                 r.cells.e21, r.cells.e22, r.cells.e31, r.cells.e32,
                                                 r.cells.e42, r.cells.e52};
        for (std::size_t i = 0; i < 10; ++i) {
            EXPECT_EQ(got[i], c.cells[i])
                << "cell " << i << " of a case against " << c.other_reading << ", readings " << c.readings[0]
                << " " << c.readings[5] << " " << c.readings[10] << " ...";
        }
    }
}

}  // namespace
