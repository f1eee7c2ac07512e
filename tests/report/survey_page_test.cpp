// The report's page as a plain function of a survey, its ship and a language, without a window.
#include "core/report/survey_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/report/report_subject.h"
#include "pdf/pdf_test_util.h"
#include "support/temp_dir.h"

namespace ijken::report {
namespace {

std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class SurveyPageTest : public ::testing::Test {
  protected:
    void SetUp() override { data::create_database(dir.db_path()); }

    ReportSubject subject(std::optional<int> ship = std::nullopt, std::optional<int> survey = std::nullopt) {
        data::SQLiteDatabase db(dir.db_path(), data::OpenMode::existing);
        return read_report_subject(db, dir.db_path(), ship, survey);
    }

    testing::TempDir dir;
};

// The selected ship's newest survey (Grain Coop 3) is the report window's golden page in each
// language, in memory and in a file alike.
TEST_F(SurveyPageTest, IsTheReportWindowsPageByteForByte) {
    const ReportSubject s = subject();
    const auto fixed = [] { return pdf::testing::kFixedDate; };
    for (const auto& [lang, index] : {std::pair{"nl", 0}, std::pair{"fr", 1}, std::pair{"de", 2}}) {
        const std::string golden =
            read(std::filesystem::path(IJKEN_TEST_DATA_DIR) / (std::string("survey-report-") + lang + ".pdf"));
        ASSERT_FALSE(golden.empty()) << lang;
        EXPECT_TRUE(survey_report_pdf(s.survey, s.ship, index, fixed) == golden) << lang;
        const std::filesystem::path file = dir.path() / (std::string(lang) + ".pdf");
        write_survey_report(s.survey, s.ship, index, file.string(), fixed);
        EXPECT_TRUE(read(file) == golden) << lang;
    }
    // Any language but French and Dutch is German, as on the report window's page.
    EXPECT_TRUE(survey_report_pdf(s.survey, s.ship, -1, fixed) == survey_report_pdf(s.survey, s.ship, 2, fixed));
}

TEST_F(SurveyPageTest, ASurveyThatCannotBeShownWritesNothing) {
    ReportSubject s = subject();
    s.survey.readings[3] = "99999999999999999999";
    const std::filesystem::path file = dir.path() / "report.pdf";
    std::ofstream(file, std::ios::binary) << "an older report";
    EXPECT_ANY_THROW(write_survey_report(s.survey, s.ship, 0, file.string()));
    EXPECT_ANY_THROW(survey_report_pdf(s.survey, s.ship, 0));
    EXPECT_EQ(read(file), "an older report");
}

TEST_F(SurveyPageTest, SubjectIsTheChosenSurveyOrSaysWhatIsMissing) {
    struct Case {
        std::optional<int> ship, survey;
        std::string shipper_or_message;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, "Grain Coop 3"},
        {1, std::nullopt, "Grain Coop 3"},
        {99, std::nullopt, "no ship with SchipID 99 in " + dir.db_path()},
        {2, std::nullopt, "ship 2 has no surveys"},
        {1, 99, "ship 1 has no survey with Opnameid 99"},
    };
    for (const Case& c : cases) {
        try {
            EXPECT_EQ(subject(c.ship, c.survey).survey.parties[0], c.shipper_or_message);
        } catch (const ReportSubjectMissing& e) {
            EXPECT_EQ(e.what(), c.shipper_or_message);
        }
    }
}

}  // namespace
}  // namespace ijken::report
