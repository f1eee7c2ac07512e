// Reading and writing the language files' INI format; a failed write leaves the file whole.
#include "core/text/ini_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cctype>

#include "lang_test_util.h"
#include "support/temp_dir.h"

namespace ijken::lang::test {
namespace {

using namespace std::string_literals;
using text::FileWriteError;
using text::IniFile;

struct ReadCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsTheValueAsTheLanguageFilesNeedIt) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(IniFile::parse(c.file).value(c.section, c.key), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniRead,
    ::testing::Values(
        ReadCase{"plain", "[form1]\r\nLabel8.caption=Correctie\r\n", "form1", "Label8.caption", "Correctie"},
        ReadCase{"section and key ignore case", "[FORM1]\r\nlabel8.CAPTION=x\r\n", "Form1", "LABEL8.caption",
                 "x"},
        ReadCase{"accented letters ignore case too", "[form1]\r\n\xC9t\xE9.caption=y\r\n", "form1",
                 "\xE9T\xC9.CAPTION", "y"},
        ReadCase{"blanks around key and value", "  [ form1 ]  \r\n \tkey \t=  two words \t\r\n", "form1",
                 "key", "two words"},
        ReadCase{"the first = splits", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
        ReadCase{"one pair of quotes dropped", "[s]\r\nk= \"\"quoted \" \"\r\n", "s", "k", "\"quoted \" "},
        ReadCase{"a lone quote stays", "[s]\r\nk=\"\r\n", "s", "k", "\""},
        ReadCase{"empty value is missing", "[s]\r\nk=\r\nk=later\r\n", "s", "k", ""},
        ReadCase{"duplicate keys: the first", "[s]\r\nk=first\r\nK=second\r\n", "s", "k", "first"},
        ReadCase{"duplicate sections: the first", "[s]\r\na=1\r\n[t]\r\n[S]\r\nb=2\r\n", "s", "b", ""},
        ReadCase{"a key with no = has no value", "[s]\r\nk\r\n", "s", "k", ""},
        ReadCase{"entries before any section are in none", "k=v\r\n[s]\r\n", "s", "k", ""},
        ReadCase{"another section's key", "[s]\r\n[t]\r\nk=v\r\n", "s", "k", ""},
        ReadCase{"LF and lone CR end lines", "[s]\na=1\rb=2\n", "s", "b", "2"},
        ReadCase{"no line end at the end", "[s]\r\nk=v", "s", "k", "v"},
        ReadCase{"at most 2047 characters", "[s]\r\nk=" + std::string(5000, 'a') + "\r\n", "s", "k",
                 std::string(2047, 'a')},
        ReadCase{"any byte passes", "[s]\r\nk=\x81\x8D\0\xFF\r\n"s, "s", "k", "\x81\x8D\0\xFF"s},
        ReadCase{"Windows-1252 stays as it is", "[s]\r\nk=Pr\351c\351dent\r\n", "s", "k", "Pr\351c\351dent"},
        ReadCase{"a UTF-8 file comes out as Windows-1252",
                 "[s]\r\nk=Pr\303\251c\303\251dent \xE2\x82\xAC\r\n", "s", "k", "Pr\351c\351dent \x80"},
        ReadCase{"a UTF-8 file with a byte-order mark", "\xEF\xBB\xBF[s]\r\nk=Fran\303\247ais\r\n", "s", "k",
                 "Fran\347ais"},
        ReadCase{"UTF-8 beyond Windows-1252 shows ?", "\xEF\xBB\xBF[s]\r\nk=\xC5\x81\xC3\263d\xC5\xBA\r\n",
                 "s", "k", "?\363d?"}),
    [](const auto& info) {
        std::string name;
        for (char ch : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

TEST(IniWrite, ChangesOnlyItsLineAndAddsWhatIsMissing) {
    ijken::testing::TempDir dir;
    const auto path = dir.path() / "t.ini";
    // Odd but valid: comments, blank-padded lines, a key without "=", a duplicate section.
    write_file(path,
               "; note\r\n[form1]\r\n  GroupBox1.caption = Lading \r\nflag\r\nsltb_prev.hint=Vorige\r\n\r\n"
               "[print]\nTaal.caption=&Taal\n[FORM1]\r\nlater=1\r\n");

    text::ini_write(path, "Form1", "groupbox1.CAPTION", "Vracht");  // replaced in place
    text::ini_write(path, "form1", "Label8.caption", "Correctie");  // added to the first [form1]
    text::ini_write(path, "form1", "flag", "on");                   // a key without "=" gets one
    text::ini_write(path, "nieuw", "a.caption", "b");               // a new section at the end

    EXPECT_EQ(read_file(path),
              "; note\r\n[form1]\r\nGroupBox1.caption=Vracht\r\nflag=on\r\nsltb_prev.hint=Vorige\r\n"
              "Label8.caption=Correctie\r\n\r\n[print]\r\nTaal.caption=&Taal\r\n[FORM1]\r\nlater=1\r\n\r\n"
              "[nieuw]\r\na.caption=b\r\n");
    EXPECT_EQ(listing(dir.path()), std::set<std::string>{"t.ini"});  // no temporary file left

    // A missing file is created; a UTF-8 file stays UTF-8.
    text::ini_write(dir.path() / "new.ini", "s", "k", "Pr\351c\351dent");
    EXPECT_EQ(read_file(dir.path() / "new.ini"), "[s]\r\nk=Pr\351c\351dent\r\n");
    write_file(path, "\xEF\xBB\xBF[s]\r\nk=caf\xC3\xA9\r\n");
    text::ini_write(path, "s", "l", "Fran\347ais");
    EXPECT_EQ(read_file(path), "\xEF\xBB\xBF[s]\r\nk=caf\xC3\xA9\r\nl=Fran\303\247ais\r\n");
    EXPECT_EQ(text::ini_read(path, "s", "l"), "Fran\347ais");
    EXPECT_EQ(text::ini_read(path, "s", "missing", "default"), "default");
}

// Found by the language file fuzz target: a Windows-1252 file whose accented bytes all form
// UTF-8 once a value is written was read back as UTF-8, changing the value written and the other
// accented values.
TEST(IniWrite, AWindows1252FileThatWouldReadAsUtf8KeepsItsValues) {
    ijken::testing::TempDir dir;
    const auto path = dir.path() / "t.ini";
    write_file(path, "[s]\r\nk=caf\351\r\n");  // café, not UTF-8
    text::ini_write(path, "s", "k", "\303\251");   // "Ã©" in Windows-1252
    EXPECT_EQ(text::ini_read(path, "s", "k"), "\303\251");
    write_file(path, "[s]\r\na=\303\251\r\nk=caf\351\r\n");
    text::ini_write(path, "s", "k", "cafe");
    EXPECT_EQ(text::ini_read(path, "s", "a"), "\303\251");
    EXPECT_EQ(text::ini_read(path, "s", "k"), "cafe");
    // It was written as UTF-8, and stays so.
    text::ini_write(path, "s", "k", "caf\351");
    EXPECT_EQ(read_file(path), "[s]\r\na=\303\203\302\251\r\nk=caf\303\251\r\n");
}

TEST(IniWrite, ARefusedWriteLeavesEveryFileAsItWas) {
    ijken::testing::TempDir dir;
    const auto path = dir.path() / "tln.tln";
    const std::string before = "[form1]\r\nform1.caption=IJken\r\n";
    write_file(path, before);
    write_file(dir.path() / "other.txt", "other");

    expect_in_unwritable_dir(dir.path(), [&] {
        try {
            text::ini_write(path, "form1", "Label8.caption", "Correctie");
            std::fputs("the write did not fail\n", stderr);
            return false;
        } catch (const FileWriteError& e) {
            if (std::string(e.what()) == "Unable to write to " + path.string()) return true;
            std::fprintf(stderr, "message: %s\n", e.what());
            return false;
        }
    });
    EXPECT_EQ(read_file(path), before);
    EXPECT_EQ(read_file(dir.path() / "other.txt"), "other");
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"other.txt", "tln.tln"}));
}

TEST(IniWrite, AWriteCutShortByAFullDiskLeavesTheOldFileWhole) {
    GTEST_FLAG_SET(death_test_style, "fast");
    ijken::testing::TempDir dir;
    const auto path = dir.path() / "tlf.tln";
    const std::string before = "[form1]\r\n" + std::string(3000, 'x') + "=y\r\n";
    write_file(path, before);

    // The child may write files of 4000 bytes at most: the new file (over 4000) stops half-way,
    // as on a full disk.
    const auto cut_short = [&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 4000;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(5);
        try {
            text::ini_write(path, "form1", "Label8.caption", std::string(2000, 'z'));
        } catch (const FileWriteError& e) {
            ::_exit(std::string(e.what()) == "Unable to write to " + path.string() ? 0 : 1);
        }
        ::_exit(4);
    };
    EXPECT_EXIT(cut_short(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file(path), before);
    EXPECT_EQ(listing(dir.path()), std::set<std::string>{"tlf.tln"});
}

TEST(IniWrite, AnUnreadableFileIsNotReplacedByAnEmptyOne) {
    ijken::testing::TempDir dir;
    // A directory where the file should be: it cannot be read, so it must not be "updated".
    std::filesystem::create_directory(dir.path() / "tln.tln");
    EXPECT_THROW(text::ini_write(dir.path() / "tln.tln", "s", "k", "v"), FileWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "tln.tln"));
    EXPECT_EQ(text::ini_read(dir.path() / "tln.tln", "s", "k", "d"), "d");
}

}  // namespace
}  // namespace ijken::lang::test
