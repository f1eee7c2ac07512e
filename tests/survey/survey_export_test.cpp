// The CSV export of a ship's surveys: the file's bytes, the computed cells, and what a failure
// leaves behind.
#include "core/survey/survey_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "support/temp_dir.h"

using namespace ijken;
using namespace ijken::survey;

namespace {

std::string read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t files_in(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

class SurveyExport : public ::testing::Test {
  protected:
    void SetUp() override { data::create_database(dir.db_path()); }

    // A survey of Dummy 1 entered after the seeded ones; readings at points 1, 3, 5 as given.
    void add_survey(const std::string& shipper, const std::string& bbl_3, const std::string& bbv_1) {
        data::SQLiteDatabase db(dir.db_path());
        db.Execute(
            "insert into IJkOpnames (Schipid, InvoerDatum, Verlader_Naam, Verlader_Plaats, Ontvanger_Naam, "
            "Ontvanger_Plaats, Ontvanger_Telefoon, Lading, ZoutCorrectie, BBL_1, BBL_3, BBL_5, SBL_1, SBL_3, "
            "SBL_5, BBV_1, BBV_3, BBV_5, SBV_1, SBV_3, SBV_5) values (1, datetime('2030-01-01', ?), ?, "
            "'Melun', "
            "'CHV', 'Veghel', '+31 10 1234567', '=HYPERLINK(1)', 1.025, '220', ?, '180', '220', '200', "
            "'180', ?, "
            "'20', '20', '20', '20', '20')",
            {"+" + std::to_string(++added_) + " minutes", shipper, bbl_3, bbv_1});
    }
    ShipRecord dummy1() const { return {ShipParams{1, 3, 251, 51}, "Dummy 1", "BR12345", 1}; }

    ijken::testing::TempDir dir;
    int added_ = 0;
};

TEST(CsvField, QuotesWhatNeedsItAndDisarmsFormulas) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"Melun", "Melun"},
        {"200,5", "\"200,5\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"-5", "-5"},
        {"+2.5e1", "+2.5e1"},
        {"=1+1", "'=1+1"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"-x", "'-x"},
        {"+31 10 1234567", "'+31 10 1234567"},
        {"=\"a\",b", "\"'=\"\"a\"\",b\""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(csv_field(in), out) << in;
}

TEST_F(SurveyExport, WritesEverySurveyWithItsResultsAsUtf8Csv) {
    add_survey("Caf\xE9, \"De Ster\"", "200,0", "20");
    const auto file = dir.path() / "uit.csv";
    const ExportResult result = export_surveys(dir.db_path(), dummy1(), file);
    EXPECT_EQ(result.surveys, 4);
    EXPECT_TRUE(result.problems.empty());

    const std::string csv = read(file);
    const std::string header =
        "\xEF\xBB\xBFOpnameid,Schip,InvoerDatum (UTC),Verlader_Naam,Verlader_Plaats,Verlader_Telefoon,"
        "Ontvanger_Naam,Ontvanger_Plaats,Ontvanger_Telefoon,Lading,Taal,ZoutCorrectie,"
        "BBL_1,BBL_2,BBL_3,BBL_4,BBL_5,SBL_1,SBL_2,SBL_3,SBL_4,SBL_5,BBV_1,BBV_2,BBV_3,BBV_4,BBV_5,"
        "SBV_1,SBV_2,SBV_3,SBV_4,SBV_5,Totaal leeg,Totaal vol,Gemiddeld leeg,Gemiddeld vol,Inzinking leeg,"
        "Inzinking vol,Tonnage leeg,Tonnage vol,Geladen,Zout correctie\r\n";
    ASSERT_EQ(csv.substr(0, header.size()), header);
    // In order of entry: the seeded three (oldest first), then the new one.
    EXPECT_LT(csv.find("Grain Coop 1"), csv.find("Grain Coop 2"));
    EXPECT_LT(csv.find("Grain Coop 3"), csv.find("De Ster"));
    const std::string last =
        "4,Dummy 1,2030-01-01 00:01:00,\"Caf\xC3\xA9, \"\"De Ster\"\"\",Melun,,CHV,Veghel,'+31 10 1234567,"
        "'=HYPERLINK(1),0,1.025,220,0.0,\"200,0\",0.0,180,220,0.0,200,0.0,180,20,0.0,20,0.0,20,20,0.0,20,0.0,"
        "20,"
        "1200.0,120.0,200.0,20.0,51.0,231.0,3.410,328.172,324.762,332.881\r\n";
    ASSERT_GE(csv.size(), last.size());
    EXPECT_EQ(csv.substr(csv.size() - last.size()), last);
}

TEST_F(SurveyExport, ASurveyThatCannotBeComputedKeepsItsDataWithEmptyResults) {
    add_survey("Te groot", "200", "1e20");
    add_survey("Daarna", "200", "20");
    const auto file = dir.path() / "uit.csv";
    const ExportResult result = export_surveys(dir.db_path(), dummy1(), file);
    EXPECT_EQ(result.surveys, 5);
    EXPECT_EQ(result.problems,
              std::vector<std::string>{"Opname 4: De aflezing \"1e20\" is te groot om mee te rekenen"});
    const std::string csv = read(file);
    EXPECT_NE(csv.find(",1e20,0.0,20,0.0,20,20,0.0,20,0.0,20,,,,,,,,,,\r\n5,Dummy 1,"), std::string::npos);
    EXPECT_NE(csv.find("Daarna"), std::string::npos);
}

TEST_F(SurveyExport, ASurveyAboveTheTableGetsTheMainWindowsFiguresWithoutExtendingTheStoredTable) {
    add_survey("Boven", "200", "-200");
    auto extension_rows = [&] {
        data::SQLiteDatabase db(dir.db_path());
        return db.Query("select count(*) from IJKtable where Tonnage<0")->AsInteger(0);
    };
    std::ostringstream csv;
    write_surveys_csv(dir.db_path(), dummy1(), csv);
    EXPECT_EQ(extension_rows(), 0);

    SurveyInput input;
    input.readings = {"220", "", "200", "", "180", "220", "", "200", "", "180",
                      "-200", "", "20", "", "20", "20", "", "20", "", "20"};
    input.salt_correction = "1.025";
    const ResultCells main_window = recompute(dir.db_path(), dummy1().params, input).cells;  // extends
    EXPECT_GT(extension_rows(), 0);
    EXPECT_NE(csv.str().find("," + main_window.e32 + "," + main_window.e42 + "," + main_window.e52 + "\r\n"),
              std::string::npos)
        << csv.str();
}

TEST_F(SurveyExport, AFailureLeavesTheEarlierFileAndNoPartOfTheNewOne) {
    const auto file = dir.path() / "uit.csv";
    std::ofstream(file) << "earlier export";
    std::ofstream(dir.db_path(), std::ios::trunc) << "not a database, but long enough to be read as a header";
    EXPECT_THROW(export_surveys(dir.db_path(), dummy1(), file), data::SQLiteException);
    EXPECT_EQ(read(file), "earlier export");
    EXPECT_EQ(files_in(dir.path()), 2u);

    EXPECT_THROW(export_surveys(dir.db_path(), dummy1(), dir.path() / "no such folder" / "uit.csv"),
                 std::runtime_error);
}

}  // namespace
