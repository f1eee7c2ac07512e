// ijken report, run as a real process on a real database.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "support/temp_dir.h"

namespace {

struct Outcome {
    int status = -1;
    std::string err;
};

class ReportCommand : public ::testing::Test {
  protected:
    void SetUp() override { ijken::data::create_database(dir.db_path()); }

    Outcome report(const std::string& args) {
        const std::string err_file = (dir.path() / "err.txt").string();
        const std::string cmd = std::string(IJKEN_BINARY) + " report " + args + " 2> '" + err_file + "'";
        Outcome r;
        const int st = std::system(cmd.c_str());
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        std::ifstream e(err_file);
        r.err.assign(std::istreambuf_iterator<char>(e), {});
        std::filesystem::remove(err_file);
        return r;
    }
    std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The report as the window writes it, with the time of saving in place of the test's fixed one.
    std::string golden(const std::string& lang, const std::string& written) {
        std::string g = read(std::filesystem::path(IJKEN_TEST_DATA_DIR) / ("survey-report-" + lang + ".pdf"));
        const std::string key = "/ModDate (";
        const std::size_t at = g.find(key);
        const std::size_t theirs = written.find(key);
        if (at != std::string::npos && theirs != std::string::npos) {
            g.replace(at, key.size() + 16, written.substr(theirs, key.size() + 16));
        }
        return g;
    }
    std::string db() const { return "--db '" + dir.db_path() + "'"; }
    std::string out(const std::string& name = "report.pdf") const { return (dir.path() / name).string(); }

    ijken::testing::TempDir dir;
};

TEST_F(ReportCommand, WritesTheFileTheReportWindowWrites) {
    // The selected ship with its newest survey, Grain Coop 3, in its stored language (Dutch).
    auto r = report(db() + " --output '" + out() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string nl = read(out());
    EXPECT_TRUE(nl == golden("nl", nl));

    r = report(db() + " --ship 1 --lang fr --output '" + out("fr.pdf") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string fr = read(out("fr.pdf"));
    EXPECT_TRUE(fr == golden("fr", fr));
}

TEST_F(ReportCommand, ReportsTheChosenSurvey) {
    int grain_coop_1 = 0;
    {
        ijken::data::SQLiteDatabase db(dir.db_path());
        grain_coop_1 = static_cast<int>(
            db.Query("select Opnameid from IJkOpnames where Verlader_Naam='Grain Coop 1'")->AsInteger(0));
    }
    auto r =
        report(db() + " --survey " + std::to_string(grain_coop_1) + " --lang de --output '" + out() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string pdf = read(out());
    EXPECT_NE(pdf.find("(: Grain Coop 1) Tj"), std::string::npos);
    EXPECT_NE(pdf.find("(Eichschein nummer : BR12345) Tj"), std::string::npos);
    // Grain Coop 1 reads 230 at the first empty port point.
    EXPECT_NE(pdf.find("(230.0 CM) Tj"), std::string::npos);
}

TEST_F(ReportCommand, FailuresGiveOneLineAndLeaveTheOutputAlone) {
    std::ofstream(out(), std::ios::binary) << "an older report";
    struct Case {
        std::string args;
        std::string message;
        int status = 1;
    };
    // A command line the command refuses ends with status 2, as in every command.
    const Case cases[] = {
        {db(), "--output FILE.pdf is required (see ijken --help)", 2},
        {db() + " --lang en --output '" + out() + "'", "--lang needs nl, fr or de, not \"en\"", 2},
        {db() + " --ship x --output '" + out() + "'", "--ship needs a whole number, not \"x\"", 2},
        {db() + " --output", "--output needs a value", 2},
        {db() + " --page 2 --output '" + out() + "'", "unknown argument \"--page\" (see ijken --help)", 2},
        {db() + " --ship 1 --ship 2 --output '" + out() + "'", "--ship is given twice", 2},
        {db() + " --ship 99 --output '" + out() + "'", "no ship with SchipID 99 in " + dir.db_path()},
        {db() + " --ship 2 --output '" + out() + "'", "ship 2 has no surveys"},
        {db() + " --survey 99 --output '" + out() + "'", "ship 1 has no survey with Opnameid 99"},
        {"--db '" + dir.dir() + "none.db' --output '" + out() + "'",
         "no database at " + dir.dir() + "none.db"},
        {db() + " --output '" + out("missing/report.pdf") + "'",
         "cannot write " + out("missing/report.pdf") + ": No such file or directory"},
        {db() + " --output '" + dir.path().string() + "'",
         "cannot write " + dir.path().string() + ": Is a directory"},
    };
    for (const Case& c : cases) {
        const auto r = report(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, "ijken report: " + c.message + "\n") << c.args;
    }
    EXPECT_EQ(read(out()), "an older report");
    EXPECT_FALSE(std::filesystem::exists(dir.dir() + "none.db"));
    // Nothing half-written stays behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ijken.db", "report.pdf"}));
}

}  // namespace
