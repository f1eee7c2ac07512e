// The program's manners on the command line, run as a real process: its version, the usage for
// what it does not know (while the toolkit's own options pass), one line when there is no display,
// and a refused character shown as it was typed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/data/database_schema.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using ijken::testing::Outcome;

class Program : public ::testing::Test {
  protected:
    ijken::testing::TempDir dir;

    // Runs `env ENV ijken ARGS < input`.
    Outcome run(const std::string& env, const std::string& args, const std::string& input = "") {
        return ijken::testing::run_program(
            dir.path(), "env " + env + " ASAN_OPTIONS=detect_leaks=0 " + IJKEN_BINARY + " " + args, input);
    }
};

TEST_F(Program, TellsItsVersion) {
    const Outcome r = run("", "--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ijken 4.0\n");
}

TEST_F(Program, UnknownArgumentsGiveTheUsageOnStandardErrorAndStatusTwo) {
    struct Case {
        const char* args;
        const char* named;
    };
    for (const Case c : {Case{"bogus", "bogus"}, Case{"--verbose", "--verbose"},
                         Case{"-platform offscreen -style fusion --frobnicate", "--frobnicate"},
                         Case{"-style=fusion extra", "extra"}, Case{"-platform", "-platform"}}) {
        const Outcome r = run("", c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(r.err.rfind("ijken: unknown command or option \"" + std::string(c.named) + "\"\n", 0), 0u)
            << r.err;
        EXPECT_NE(r.err.find("Usage:\n"), std::string::npos) << c.args;
    }
}

// No display at all, or one that does not answer: the same one line, status 1 (not the toolkit's
// abort).
TEST_F(Program, WithoutADisplaySaysHowToStartInOneLine) {
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X4242")) << "display :4242 answers here";
    for (const char* env : {"-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM",
                            "-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:4242"}) {
        const Outcome r = run(env, "");
        EXPECT_EQ(r.status, 1) << env;
        EXPECT_EQ(r.out, "") << env;
        ASSERT_FALSE(r.err.empty()) << env;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find("-platform offscreen"), std::string::npos) << r.err;
    }
}

TEST_F(Program, ComputeShowsARefusedCharacterAsTyped) {
    ijken::data::create_database(dir.db_path());
    std::string line = "220\xC5\x82";  // "220ł"
    for (int i = 1; i < 20; ++i) line += "\t0";
    const Outcome r = run("", "compute --db " + dir.db_path(), line + "\t1.000\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.err,
        "ijken compute: line 1: Het teken \"\xC5\x82\" (U+0142) bestaat niet in Windows-1252 en kan niet "
        "worden opgeslagen\n");
}

}  // namespace
