// The compute command, run as a real process on a real database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/data/database_schema.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using ijken::testing::Outcome;

class ComputeCommand : public ::testing::Test {
protected:
    ijken::testing::TempDir dir;

    Outcome compute(const std::string& args, const std::string& input) {
        return ijken::testing::run_program(dir.path(), std::string(IJKEN_BINARY) + " compute " + args, input);
    }
};

const std::string kGrainCoop3 =
    "220\t0.0\t200\t0.0\t180\t220\t0.0\t200\t0.0\t180\t20\t0.0\t20\t0.0\t20\t20\t0.0\t20\t0.0\t20\t";

}  // namespace

TEST_F(ComputeCommand, WritesTheResultCellsOfEachLine) {
    ijken::data::create_database(dir.db_path());
    auto r = compute("--db " + dir.db_path(), kGrainCoop3 + "1.000\n" + kGrainCoop3 + "1.025\r\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1200.0\t120.0\t200.0\t20.0\t51.0\t231.0\t3.410\t328.172\t324.762\t324.762\n"
              "1200.0\t120.0\t200.0\t20.0\t51.0\t231.0\t3.410\t328.172\t324.762\t332.881\n");
}

TEST_F(ComputeCommand, UsesTheGivenShip) {
    ijken::data::create_database(dir.db_path());
    auto r = compute("--db " + dir.db_path() + " --ship 2", kGrainCoop3 + "1.000\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1200.0\t120.0\t200.0\t20.0\t50.0\t230.0\t0.000\t0.000\t0.000\t0.000\n");
}

TEST_F(ComputeCommand, BadInputStopsWithAMessage) {
    ijken::data::create_database(dir.db_path());
    auto r = compute("--db " + dir.db_path(), kGrainCoop3 + "1.000\n1\t2\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ijken compute: line 2: expected 21 tab-separated fields, found 2\n");

    r = compute("--db " + dir.db_path(), "1e20" + kGrainCoop3.substr(3) + "1.000\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ijken compute: line 1: De aflezing \"1e20\" is te groot om mee te rekenen\n");

    r = compute("--db " + dir.db_path() + " --ship 99", "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no ship with SchipID 99"), std::string::npos);

    r = compute("--db " + dir.db_path() + " --ship x", "");
    EXPECT_EQ(r.status, 2);
    r = compute("--bogus", "");
    EXPECT_EQ(r.status, 2);
}

TEST_F(ComputeCommand, ACharacterOutsideTheCodePageIsNamedAsTyped) {
    // The message about "Ł" was once turned into UTF-8 a second time and came out garbled.
    ijken::data::create_database(dir.db_path());
    auto r = compute("--db " + dir.db_path(), "\xc5\x81" + kGrainCoop3.substr(3) + "1.000\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.err,
        "ijken compute: line 1: Het teken \"\xc5\x81\" (U+0141) bestaat niet in Windows-1252 en kan niet "
        "worden opgeslagen\n");
}

TEST_F(ComputeCommand, DoesNotCreateAMissingDatabase) {
    auto r = compute("--db " + dir.db_path(), kGrainCoop3 + "1.000\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ijken compute: no database at " + dir.db_path() + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.db_path()));
}

// A ship whose gauge table has no row where the lookups look: the figures as designed (0 t), and
// the warnings say that no row was found rather than that the tonnage was extrapolated.
TEST_F(ComputeCommand, WarnsOfALookupThatFoundNoRow) {
    ijken::data::create_database(dir.db_path());
    auto r = compute("--db " + dir.db_path() + " --ship 2 --warnings", kGrainCoop3 + "1.000\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1200.0\t120.0\t200.0\t20.0\t50.0\t230.0\t0.000\t0.000\t0.000\t0.000\t"
              "Leeg: geen ijktabelrij bij 50 cm: tonnage als 0 t gelezen; "
              "Vol: geen ijktabelrij bij 230 cm: tonnage als 0 t gelezen\n");
}
