#include "core/data/database_schema.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/data/sqlite_database.h"
#include "data_test_util.h"
#include "support/temp_dir.h"

namespace ijken::data {
namespace {

using test::detailed;
using test::error_of;

TEST(DatabasePath, IsTheProgramDirectoryAndTheFileName) {
    EXPECT_EQ(database_path("/opt/ijken/"), "/opt/ijken/ijken.db");
    EXPECT_EQ(database_path("/opt/ijken"), "/opt/ijken/ijken.db");
}

// One freshly created and seeded database shared by the read-only checks.
class FreshDatabase : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new ijken::testing::TempDir;
        created = create_database_if_missing(dir->db_path());
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static std::unique_ptr<SQLiteTable> query(const std::string& sql) {
        SQLiteDatabase db(dir->db_path());
        return db.Query(sql);
    }
    static inline ijken::testing::TempDir* dir = nullptr;
    static inline bool created = false;
};

TEST_F(FreshDatabase, IsCreatedOnlyOnce) {
    EXPECT_TRUE(created);
    EXPECT_FALSE(create_database_if_missing(dir->db_path()));
    EXPECT_EQ(query("SELECT count(*) FROM Schiptable")->AsInteger(0), 5);
}

TEST_F(FreshDatabase, HoldsFiveShipsWithTheFirstSelected) {
    auto t = query("SELECT * FROM Schiptable ORDER BY SchipID");
    ASSERT_EQ(t->RowCount(), 5);
    const int id = t->FieldIndex("SchipID"), name = t->FieldIndex("Name"), sel = t->FieldIndex("Selected"),
              taal = t->FieldIndex("taal"), min = t->FieldIndex("Min_inzinking"),
              max = t->FieldIndex("Max_inzinking"), gauges = t->FieldIndex("Aantal_ijken"),
              veld1 = t->FieldIndex("veld1"), brief = t->FieldIndex("Meetbrief_NR");
    const int taal_of[] = {1, 2, 2, 1, 1};
    for (int i = 0; i < 5; ++i, t->Next()) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t->AsInteger(id), i + 1);
        EXPECT_EQ(t->AsString(name), "Dummy " + std::to_string(i + 1));
        EXPECT_EQ(t->AsString(brief), "BR12345");
        EXPECT_EQ(t->AsInteger(sel), i == 0 ? 1 : 0);
        EXPECT_EQ(t->AsInteger(taal), taal_of[i]);
        EXPECT_EQ(t->AsInteger(gauges), 3);  // written as the text "3", stored as a number
        EXPECT_EQ(t->AsInteger(max), i == 0 ? 251 : 250);
        EXPECT_EQ(t->AsInteger(min), i == 0 ? 51 : 0);  // NULL reads as 0 for Dummy 2..5
        EXPECT_EQ(t->AsString(veld1), "");
    }
    EXPECT_EQ(query("SELECT typeof(Min_inzinking) FROM Schiptable WHERE Name = 'Dummy 2'")->AsString(0),
              "null");
}

TEST_F(FreshDatabase, HoldsTheGaugeTableOfShipOne) {
    EXPECT_EQ(query("SELECT count(*) FROM IJKtable WHERE SchipID <> 1")->AsInteger(0), 0);
    auto t = query("SELECT Inzinking, Tonnage FROM IJKtable WHERE SchipID = 1 ORDER BY Inzinking");
    ASSERT_EQ(t->RowCount(), 250);
    double previous = 0;
    for (int c = 0; c < 250; ++c, t->Next()) {
        ASSERT_EQ(t->AsInteger(0), c);
        const double tonnage = t->AsFloat(1);
        if (c < 50) {
            EXPECT_EQ(tonnage, 0.0) << c;
        } else {
            EXPECT_GT(tonnage, previous) << c;
        }
        previous = tonnage;
    }
    struct Point {
        int immersion;
        double tonnage;
        const char* text;
    };
    for (const Point& p :
         {Point{49, 0.0, "0"}, Point{50, 1.705, "1.705"}, Point{51, 3.41, "3.41"}, Point{59, 17.05, "17.05"},
          Point{60, 18.761, "18.761"}, Point{61, 20.472, "20.472"}, Point{249, 363.8, "363.8"}}) {
        auto row = query("SELECT Tonnage FROM IJKtable WHERE SchipID = 1 AND Inzinking = " +
                         std::to_string(p.immersion));
        ASSERT_EQ(row->RowCount(), 1);
        EXPECT_EQ(row->AsFloat(0), p.tonnage) << p.immersion;
        EXPECT_EQ(row->AsString(0), p.text) << p.immersion;
    }
    // Stored as numbers, not as the padded text they were written with.
    EXPECT_EQ(query("SELECT count(*) FROM IJKtable WHERE typeof(Tonnage) <> 'real'")->AsInteger(0), 0);
}

TEST_F(FreshDatabase, HoldsThreeSurveysListedByEntryTime) {
    auto t = query("SELECT * FROM IJkOpnames WHERE Schipid = 1 ORDER BY InvoerDatum");
    ASSERT_EQ(t->RowCount(), 3);
    const int shipper = t->FieldIndex("Verlader_Naam");
    const int bbl1 = t->FieldIndex("BBL_1");
    const char* expected_bbl1[] = {"230", "225", "220"};
    for (int i = 0; i < 3; ++i, t->Next()) {
        EXPECT_EQ(t->AsString(shipper), "Grain Coop " + std::to_string(i + 1));
        EXPECT_EQ(t->AsString(bbl1), expected_bbl1[i]);
        EXPECT_EQ(t->AsString(t->FieldIndex("Verlader_Plaats")), "Melun");
        EXPECT_EQ(t->AsString(t->FieldIndex("Ontvanger_Naam")), "CHV");
        EXPECT_EQ(t->AsString(t->FieldIndex("Ontvanger_Plaats")), "Veghel");
        EXPECT_EQ(t->AsString(t->FieldIndex("SBV_5")), "20");
    }
    EXPECT_EQ(
        query("SELECT count(*) FROM IJkOpnames WHERE InvoerDatum > datetime('now', '-1 hour')")->AsInteger(0),
        1);
}

TEST_F(FreshDatabase, UnwrittenSurveyColumnsReadTheirDefaults) {
    auto t = query("SELECT * FROM IJkOpnames WHERE Verlader_Naam = 'Grain Coop 3'");
    ASSERT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->AsString(t->FieldIndex("BBL_2")), "0.0");
    EXPECT_EQ(t->AsString(t->FieldIndex("BBL_4")), "0.0");
    EXPECT_EQ(t->AsString(t->FieldIndex("Taal")), "0");
    EXPECT_EQ(t->AsString(t->FieldIndex("Verlader_Telefoon")), "");
    EXPECT_EQ(t->AsString(t->FieldIndex("Lading")), "");
    EXPECT_EQ(t->AsFloat(t->FieldIndex("ZoutCorrectie")), 1.0);
    EXPECT_EQ(t->AsString(t->FieldIndex("ZoutCorrectie")), "1");
    EXPECT_EQ(error_of([&] { t->AsInteger(t->FieldIndex("BBL_1")); }), "Not an integer or numeric field");
}

TEST_F(FreshDatabase, KeepsTheCreationStatements) {
    // SQLite keeps each CREATE text from its first keyword up to (not including) the semicolon.
    auto keep = [](std::string sql) {
        sql.erase(0, sql.find("CREATE"));
        sql.erase(sql.rfind(';'));
        return sql;
    };
    auto t = query("SELECT name, sql FROM sqlite_master ORDER BY rowid");
    std::vector<std::pair<std::string, std::string>> expected = {
        {"Schiptable", keep(kCreateSchiptable)}, {"SchiptableName", keep(kCreateSchiptableIndex)},
        {"IJKtable", keep(kCreateIJKtable)},     {"sqlite_autoindex_IJKtable_1", ""},
        {"IJkOpnames", keep(kCreateIJkOpnames)}, {"OpnameIndex", keep(kCreateOpnameIndex)}};
    ASSERT_EQ(t->RowCount(), static_cast<int>(expected.size()));
    for (const auto& [name, sql] : expected) {
        EXPECT_EQ(t->AsString(0), name);
        EXPECT_EQ(t->AsString(1), sql);
        t->Next();
    }
}

// ---- writing into a fresh database --------------------------------------------------------------

TEST(CreatedDatabase, GaugeRowsAreUniquePerShipAndImmersion) {
    ijken::testing::TempDir dir;
    create_database(dir.db_path());
    SQLiteDatabase db(dir.db_path());
    const std::string duplicate =
        "INSERT INTO IJktable(SchipID,Inzinking,Tonnage) VALUES (\"1\",\"60\",\"1.000\");";
    EXPECT_EQ(error_of([&] { db.Execute(duplicate); }),
              detailed("Error executing SQL statement", 19, "Abort due to contraint violation", duplicate,
                       "UNIQUE constraint failed: IJKtable.Inzinking, IJKtable.SchipID"));
    db.Execute(
        "INSERT OR REPLACE INTO IJktable(SchipID,Inzinking,Tonnage) VALUES (\"1\",\"60\",\"-1.000\");");
    auto t = db.Query("SELECT Tonnage FROM IJKtable WHERE [schipId]=1 AND Inzinking=60");
    ASSERT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->AsFloat(0), -1.0);
}

TEST(CreatedDatabase, AnExistingEmptyFileIsUsedAsItIs) {
    ijken::testing::TempDir dir;
    std::ofstream(dir.db_path()).close();
    EXPECT_FALSE(create_database_if_missing(dir.db_path()));
    EXPECT_EQ(std::filesystem::file_size(dir.db_path()), 0u);
    SQLiteDatabase db(dir.db_path());
    const std::string sql = "SELECT * FROM Schiptable where [Selected]=1";
    EXPECT_EQ(error_of([&] { db.Query(sql); }),
              detailed("Error executing SQL", 1, "SQL error or missing database", sql,
                       "no such table: Schiptable"));
}

TEST(CreatedDatabase, CreationInAMissingDirectoryFails) {
    ijken::testing::TempDir dir;
    const std::string path = database_path(dir.dir() + "gone");
    EXPECT_EQ(error_of([&] { create_database_if_missing(path); }),
              "Failed to open database \"" + path + "\" : unable to open database file");
}

TEST(CreatedDatabase, AFailingStepKeepsWhatWasDoneBefore) {
    // A file that already has a gauge table: the ships go in, then creating the gauge table fails.
    ijken::testing::TempDir dir;
    {
        SQLiteDatabase db(dir.db_path());
        db.Execute("CREATE TABLE IJKtable (x)");
    }
    EXPECT_EQ(error_of([&] { create_database(dir.db_path()); }),
              detailed("Error executing SQL", 1, "SQL error or missing database", kCreateIJKtable,
                       "table [IJKtable] already exists"));
    SQLiteDatabase db(dir.db_path());
    EXPECT_EQ(db.Query("SELECT count(*) FROM Schiptable")->AsInteger(0), 5);
    EXPECT_EQ(db.Query("SELECT count(*) FROM sqlite_master WHERE name = 'IJkOpnames'")->AsInteger(0), 0);
}

// ---- the first start, built beside the final file ---------------------------------------------

// The file names in the program directory, sorted.
std::vector<std::string> files_in(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FirstStart, AFailedCreationLeavesNoFileAndNamesTheDatabase) {
    ijken::testing::TempDir dir;
    // A directory where SQLite wants the temporary file's journal: the first change fails.
    const std::string temporary = dir.db_path() + "." + std::to_string(getpid()) + ".new";
    std::filesystem::create_directories(temporary + "-journal/blocked");
    const std::string message = error_of([&] { create_database_if_missing(dir.db_path()); });
    EXPECT_NE(message.find("Error executing SQL statement"), std::string::npos) << message;
    EXPECT_EQ(message.find(".new"), std::string::npos) << "the user knows the file as ijken.db: " << message;
    EXPECT_EQ(files_in(dir.path()),
              std::vector<std::string>{"ijken.db." + std::to_string(getpid()) + ".new-journal"});

    // The next start, without the obstacle, builds it whole.
    std::filesystem::remove_all(temporary + "-journal");
    EXPECT_TRUE(create_database_if_missing(dir.db_path()));
    EXPECT_EQ(files_in(dir.path()), std::vector<std::string>{"ijken.db"});
    SQLiteDatabase db(dir.db_path());
    EXPECT_EQ(db.Query("SELECT count(*) FROM IJkOpnames")->AsInteger(0), 3);
}

TEST(FirstStart, ClearsWhatAKilledStartLeftButNotAStartAtWork) {
    ijken::testing::TempDir dir;
    auto touch = [&](const std::string& name) { std::ofstream(dir.path() / name) << "half"; };
    // Left by starts that were killed (no process has these numbers now)...
    touch("ijken.db.999999998.new");
    touch("ijken.db.999999998.new-journal");
    touch("ijken.db.999999999.new-wal");
    // ...by one still at work (our parent process lives), and files that only look alike.
    const std::string live = "ijken.db." + std::to_string(getppid()) + ".new";
    touch(live);
    touch("ijken.db.12x.new");
    touch("ijken.db.bak");
    EXPECT_TRUE(create_database_if_missing(dir.db_path()));
    std::vector<std::string> expected = {"ijken.db", "ijken.db.12x.new", "ijken.db.bak", live};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files_in(dir.path()), expected);
}

}  // namespace
}  // namespace ijken::data
