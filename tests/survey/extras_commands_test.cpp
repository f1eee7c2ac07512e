// The commands beside compute, run as real processes: compute --warnings, export and backup.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/data/database_schema.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using ijken::testing::Outcome;

class ExtraCommands : public ::testing::Test {
  protected:
    void SetUp() override { ijken::data::create_database(dir.db_path()); }

    Outcome run(const std::string& args, const std::string& input = "") {
        return ijken::testing::run_program(dir.path(), std::string(IJKEN_BINARY) + " " + args, input);
    }
    static std::string read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    ijken::testing::TempDir dir;
};

TEST_F(ExtraCommands, ComputeWarningsAddsAnEleventhField) {
    const std::string clean =
        "220\t0\t200\t0\t180\t220\t0\t200\t0\t180\t20\t0\t20\t0\t20\t20\t0\t20\t0\t20\t1.000\n";
    const std::string doubtful =
        "203.5\t0\t203.5\t0\t203.5\t203.5\t0\t203.5\t0\t0\t20\t0\t20\t0\t20\t35\t0\t20\t0\t20\t1.000\n";
    auto r = run("compute --warnings --db " + dir.db_path(), clean + doubtful);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1200.0\t120.0\t200.0\t20.0\t51.0\t231.0\t3.410\t328.172\t324.762\t324.762\t\n"
              "1017.5\t135.0\t169.6\t22.5\t81.4\t228.5\t55.482\t323.268\t267.786\t267.786\t"
              "Leeg: punt 5 SB op 0; Vol: punt 1 BB/SB 15.0 cm verschil\n");

    // Without the option the line keeps its ten fields.
    r = run("compute --db " + dir.db_path(), doubtful);
    EXPECT_EQ(r.out, "1017.5\t135.0\t169.6\t22.5\t81.4\t228.5\t55.482\t323.268\t267.786\t267.786\n");
}

TEST_F(ExtraCommands, ExportWritesTheShipsSurveys) {
    const auto file = dir.path() / "dummy 1.csv";
    auto r = run("export --db " + dir.db_path() + " --output '" + file.string() + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ijken export: 3 surveys of Dummy 1 written to " + file.string() + "\n");
    const std::string csv = read(file);
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBFOpnameid,Schip,", 0), 0u);
    EXPECT_NE(csv.find(",3.410,328.172,324.762,324.762\r\n"), std::string::npos);

    // Another ship: its own (no) surveys.
    r = run("export --db " + dir.db_path() + " --ship 2 --output '" + file.string() + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    const std::string other = read(file);
    EXPECT_EQ(std::count(other.begin(), other.end(), '\n'), 1) << other;
}

TEST_F(ExtraCommands, BackupMakesACopyTheCommandsUse) {
    const auto copy = dir.path() / "kopie.db";
    auto r = run("backup --db " + dir.db_path() + " --output " + copy.string());
    EXPECT_EQ(r.status, 0) << r.err;
    r = run("compute --db " + copy.string(),
            "220\t0\t200\t0\t180\t220\t0\t200\t0\t180\t20\t0\t20\t0\t20\t20\t0\t20\t0\t20\t1.025\n");
    EXPECT_EQ(r.out, "1200.0\t120.0\t200.0\t20.0\t51.0\t231.0\t3.410\t328.172\t324.762\t332.881\n");
}

// An output that is the database or a language file, by any name, is refused and nothing written.
TEST_F(ExtraCommands, OutputThatIsTheProgramsOwnFileIsRefused) {
    const auto db = std::filesystem::path(dir.db_path());
    std::ofstream(dir.path() / "tln.tln") << "[form1]\n";
    std::filesystem::create_symlink(db, dir.path() / "link.db");
    std::filesystem::create_hard_link(db, dir.path() / "hard.db");
    const std::string database = read(db);
    for (const char* command : {"export", "backup", "report"}) {
        for (const auto& target : {db, dir.path() / "." / "ijken.db", dir.path() / "link.db",
                                   dir.path() / "hard.db", dir.path() / "tln.tln"}) {
            const auto r = run(std::string(command) + " --db " + dir.db_path() + " --output " + target.string());
            const char* what = target.extension() == ".tln" ? "one of the program's language files"
                                                            : "the program's database";
            EXPECT_EQ(r.status, 1) << command << " " << target;
            EXPECT_EQ(r.err, "ijken " + std::string(command) + ": " + target.string() + " is " + what +
                                 "; nothing written, choose another output file\n");
        }
    }
    EXPECT_TRUE(read(db) == database && read(dir.path() / "tln.tln") == "[form1]\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4 + 2);  // + in.txt, err.txt
}

// The program file itself, by the name it was started with or any other: a forgotten ".pdf" in
// `--output ijken` beside the program must not replace the installation. A copy of the program
// runs here, so that a fault overwrites only the copy.
TEST_F(ExtraCommands, OutputThatIsTheRunningProgramIsRefused) {
    const auto program = dir.path() / "ijken";
    std::filesystem::copy_file(IJKEN_BINARY, program);
    std::filesystem::create_symlink(program, dir.path() / "link");
    std::filesystem::create_hard_link(program, dir.path() / "hard");
    const auto size = std::filesystem::file_size(program);
    const std::string started = program.string() + " ";
    for (const char* command : {"export", "backup", "report"}) {
        for (const std::string& target : std::vector<std::string>{"ijken", "./ijken", program.string(),
                                                                 (dir.path() / "." / "ijken").string(), "link", "hard"}) {
            const auto r = ijken::testing::run_program(
                dir.path(), "cd '" + dir.path().string() + "' && " + started + command + " --db " +
                                dir.db_path() + " --output " + target);
            EXPECT_EQ(r.status, 1) << command << " " << target;
            EXPECT_EQ(r.err, "ijken " + std::string(command) + ": " + target +
                                 " is the program itself; nothing written, choose another output file\n");
        }
    }
    EXPECT_EQ(std::filesystem::file_size(program), size);
    // Started through the link, the program is still the same file.
    const auto r = ijken::testing::run_program(
        dir.path(), (dir.path() / "link").string() + " backup --db " + dir.db_path() + " --output " + program.string());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(std::filesystem::file_size(program), size);
}

TEST_F(ExtraCommands, BadArgumentsAndAMissingDatabaseAreRefused) {
    const std::string out = (dir.path() / "x").string();
    const std::string missing = (dir.path() / "missing.db").string();
    const struct {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {"export --db " + dir.db_path(), 2, "ijken export: --output FILE.csv is required (see ijken --help)\n"},
        {"backup --output", 2, "ijken backup: --output needs a value\n"},
        {"backup --ship 1 --output " + out, 2,
         "ijken backup: unknown argument \"--ship\" (see ijken --help)\n"},
        {"export --ship x --output " + out, 2, "ijken export: --ship needs a whole number, not \"x\"\n"},
        {"export --db " + dir.db_path() + " --ship 99 --output " + out, 1,
         "ijken export: no ship with SchipID 99 in " + dir.db_path() + "\n"},
        {"export --db " + missing + " --output " + out, 1, "ijken export: no database at " + missing + "\n"},
        {"backup --db " + missing + " --output " + out, 1,
         "ijken backup: Er is geen database op \"" + missing + "\"\n"},
        // One parser serves every command; each accepts its own options, and an empty value is
        // none in every command.
        {"backup --warnings --output " + out, 2,
         "ijken backup: unknown argument \"--warnings\" (see ijken --help)\n"},
        {"compute --survey 1", 2, "ijken compute: unknown argument \"--survey\" (see ijken --help)\n"},
        {"compute --warnings --ship", 2, "ijken compute: --ship needs a value\n"},
        {"export --db '' --output " + out, 2, "ijken export: --db needs a value\n"},
        {"compute --db ''", 2, "ijken compute: --db needs a value\n"},
    };
    for (const auto& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// Every command, the fleet's included, follows the same rules before it touches a database or a
// server: a repeated option, an unknown one and an empty value end it with status 2 and one line.
TEST_F(ExtraCommands, EveryCommandRefusesABadCommandLineTheSameWay) {
    const char* const commands[][2] = {
        {"compute", ""},
        {"export", " --output x.csv"},
        {"backup", " --output x.db"},
        {"report", " --output x.pdf"},
        {"push", " --to dbname=x"},
        {"office init", " --to dbname=x"},
        {"office surveys", " --from dbname=x --output x.csv"},
        {"office report", " --from dbname=x --survey u:1 --output x.pdf"},
    };
    for (const auto& [command, tail] : commands) {
        const std::string name = command;
        // The office commands take no --db: for them a repeated one is an unknown argument.
        const std::pair<std::string, std::string> cases[] = {
            {"--db a --db b", name.starts_with("office") ? "unknown argument \"--db\" (see ijken --help)"
                                                         : "--db is given twice"},
            {"--bogus 1", "unknown argument \"--bogus\" (see ijken --help)"},
        };
        for (const auto& [args, message] : cases) {
            const auto r = run(name + " " + args + tail);
            EXPECT_EQ(r.status, 2) << name << " " << args;
            EXPECT_EQ(r.err, "ijken " + name + ": " + message + "\n") << name << " " << args;
        }
        EXPECT_EQ(run(name + tail + " --output ''").status, 2) << name;
    }
    // The usage --help prints is the table's: every command with its options in order.
    const auto help = run("--help");
    EXPECT_NE(help.out.find("ijken report [--db PATH] [--ship ID] [--survey ID] [--lang nl|fr|de] --output FILE.pdf\n"),
              std::string::npos);
    EXPECT_NE(help.out.find("ijken office report --from CONNINFO --survey INSTALLATION:OPNAMEID [--lang nl|fr|de] "
                            "--output FILE.pdf\n"),
              std::string::npos);
}

}  // namespace
