// The translation component on a window of every kind of control.
#include "core/lang/taal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/forms/forms.h"
#include "lang_test_util.h"
#include "support/temp_dir.h"

namespace ijken::lang::test {
namespace {

using namespace forms;

class TestForm : public Form {
  public:
    TestForm() : Form("Test", "Venster", Rect{0, 0, 300, 200}) {
        add<Label>("lbl", nullptr, Rect{}, "Een").set_hint("Hint");
        add<Label>("leeg", nullptr, Rect{});
        add<LabeledEdit>("le", nullptr, Rect{}, "Naam", "Jan");
        add<Button>("btn", nullptr, Rect{}, "<").set_hint("Vorige");
        add<GroupBox>("gb", nullptr, Rect{}, "Lading").set_hint("h");
        add<RadioGroup>("rg", nullptr, Rect{}, "Afdruk taal",
                        std::vector<std::string>{"Nederlands", "Frans"});
        add<MenuItem>("mi", &menu(), "&Schepen");
        menu().add_item("", "Dummy 1");  // built at run time: no name, no key
        auto& pnl = add<Panel>("pnl", nullptr, Rect{});
        pnl.set_caption("Paneel");
        add<Edit>("ed", nullptr, Rect{}, "tekst");
    }
};

Taal configured(const ijken::testing::TempDir& dir) {
    Taal taal;
    taal.set_directory(dir.dir());
    taal.set_TaalFile1("tln.tln");
    taal.set_TaalFile2("tlf.tln");
    taal.SetActiveTaalFile(1);
    return taal;
}

TEST(Taal, ChoosesOnlyAConfiguredLanguage) {
    Taal fresh;
    EXPECT_EQ(fresh.ActiveTaalFile(), 0);
    EXPECT_EQ(fresh.current_file(), "");
    fresh.SetActiveTaalFile(1);  // no file 1 yet
    EXPECT_EQ(fresh.ActiveTaalFile(), 0);

    ijken::testing::TempDir dir;
    const std::pair<int, int> cases[] = {{2, 2}, {1, 1}, {0, 1}, {-1, 1}, {6, 1}, {3, 1}, {5, 1}};
    for (const auto& [chosen, expected] : cases) {
        Taal taal = configured(dir);
        taal.SetActiveTaalFile(chosen);
        EXPECT_EQ(taal.ActiveTaalFile(), expected) << chosen;
        EXPECT_EQ(taal.current_file(), expected == 2 ? "tlf.tln" : "tln.tln") << chosen;
    }
    Taal taal = configured(dir);
    taal.set_TaalFile5("tlx.tln");
    taal.SetActiveTaalFile(5);
    EXPECT_EQ(taal.current_path(), dir.dir() + "tlx.tln");
}

TEST(Taal, TranslateFormFollowsTheKindsTable) {
    ijken::testing::TempDir dir;
    write_file(
        dir.path() / "tln.tln",
        "[other]\r\nlbl.caption=Wrong\r\n[TEST]\r\ntest.caption=Titel\r\nLBL.CAPTION=One\r\nlbl.hint=Tip\r\n"
        "leeg.caption=Niets\r\nle.caption=Name\r\nbtn.caption=<<\r\nrg.caption=Print language\r\n"
        "mi.caption=&Bateaux\r\npnl.caption=Panel\r\ned.caption=Edit\r\n.caption=Nameless\r\n");
    TestForm form;
    configured(dir).TranslateForm("test", form);

    EXPECT_EQ(form.caption(), "Titel");
    EXPECT_EQ(form.get<Label>("lbl").caption(), "One");
    EXPECT_EQ(form.get<Label>("lbl").hint(), "Tip");
    EXPECT_EQ(form.get<Label>("leeg").caption(), "");  // an empty caption is never translated
    EXPECT_EQ(form.get<LabeledEdit>("le").caption(), "Name");
    EXPECT_EQ(form.get<LabeledEdit>("le").text(), "Jan");
    EXPECT_EQ(form.get<Button>("btn").caption(), "<<");
    EXPECT_EQ(form.get<Button>("btn").hint(), "");            // caption key present, hint key missing
    EXPECT_EQ(form.get<GroupBox>("gb").caption(), "Lading");  // no caption key: nothing changes
    EXPECT_EQ(form.get<GroupBox>("gb").hint(), "h");
    EXPECT_EQ(form.get<RadioGroup>("rg").caption(), "Print language");
    EXPECT_EQ(form.get<RadioGroup>("rg").items(), (std::vector<std::string>{"Nederlands", "Frans"}));
    EXPECT_EQ(form.get<MenuItem>("mi").caption(), "&Bateaux");
    EXPECT_EQ(form.menu().items().back()->caption(), "Dummy 1");
    EXPECT_EQ(form.get<Panel>("pnl").caption(), "Paneel");
    EXPECT_EQ(form.get<Edit>("ed").text(), "tekst");

    // No active language, or no file: nothing changes and no file appears.
    TestForm untouched;
    Taal none;
    none.set_directory(dir.dir());
    none.TranslateForm("test", untouched);
    none.SaveFormTexts("test", untouched);
    Taal french = configured(dir);
    french.SetActiveTaalFile(2);
    french.TranslateForm("test", untouched);
    EXPECT_EQ(untouched.get<Label>("lbl").caption(), "Een");
    EXPECT_EQ(untouched.caption(), "Venster");
    EXPECT_EQ(listing(dir.path()), std::set<std::string>{"tln.tln"});
}

TEST(Taal, SaveFormTextsFillsOnlyMissingEntriesAndASecondRunChangesNothing) {
    ijken::testing::TempDir dir;
    const auto path = dir.path() / "tln.tln";
    write_file(path, "[test]\r\nlbl.caption=\r\nbtn.hint=Bestaand\r\n");
    TestForm form;
    const Taal taal = configured(dir);

    taal.SaveFormTexts("test", form);
    EXPECT_EQ(read_file(path),
              "[test]\r\nlbl.caption=Een\r\nbtn.hint=Bestaand\r\ntest.caption=Venster\r\nlbl.hint=Hint\r\n"
              "le.caption=Naam\r\ngb.caption=Lading\r\nrg.caption=Afdruk taal\r\nmi.caption=&Schepen\r\n");

    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const std::string bytes = read_file(path);
    taal.SaveFormTexts("test", form);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(read_file(path), bytes);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not even rewritten
}

// A status the program shows beside a menu item (after a tab) is not the item's text: a language
// file made while it shows gets the text alone.
TEST(Taal, SaveFormTextsLeavesAMenuItemsStatusOut) {
    ijken::testing::TempDir dir;
    const auto path = dir.path() / "tln.tln";
    write_file(path, "[test]\r\n");
    TestForm form;
    form.get<MenuItem>("mi").set_caption("&Schepen\talles op kantoor, aangekomen 14:32");
    configured(dir).SaveFormTexts("test", form);
    const std::string saved = read_file(path);
    EXPECT_NE(saved.find("mi.caption=&Schepen\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("aangekomen"), std::string::npos) << saved;
}

}  // namespace
}  // namespace ijken::lang::test
