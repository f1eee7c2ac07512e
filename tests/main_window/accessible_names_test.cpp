// The names under which a screen reader announces the main window's controls, derived from the
// design: no control the user can reach goes nameless or is called by its group or by its symbol.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "core/forms/accessible_name.h"
#include "core/forms/forms.h"
#include "core/main_window/form1.h"
#include "core/program/program_windows.h"
#include "core/shipdata/ijkeninvoerform.h"
#include "support/temp_dir.h"

namespace ijken::forms {
namespace {

TEST(AccessibleName, MainWindowControlsAreNamedByWhatTheyMean) {
    ijken::testing::TempDir dir;
    ScriptedDialogs dialogs;
    survey::Form1 form(dir.dir(), dialogs);
    ASSERT_TRUE(dispatch(dialogs, [&] { form.formcreate(); }));

    const std::map<std::string, std::string> expected = {
        {"ijk_bb_l_1", "bakboord leeg 1"},
        {"ijk_sb_v_5", "stuurboord vol 5"},
        {"updown_sb_l_3", "stuurboord leeg 3"},
        {"TrackbarLeeg", "leeg"},
        {"TrackBarVol", "vol"},
        {"Verlader_Naam", "Naam"},
        {"ZoutMaskEdit", "Correctie"},
        {"sltb_prev", "Vorige"},
        {"sltb_save", "Wijzigingen opslaan"},
        {"e31", "Tonnage, leeg"},
        {"e32", "Tonnage, vol"},
        {"e52", "Zout correctie, vol"},
        {"e30", "Tonnage"},
        {"TaalKeuze", "Afdruk taal"},
        {"GroupBox2", "Bestemming"},
        {"Image2", "schip vol"},
    };
    for (const auto& [control, name] : expected) {
        const Control* c = form.find(control);
        ASSERT_NE(c, nullptr) << control;
        EXPECT_EQ(spoken_name(*c), name) << control;
    }
    // Every control but the borderless holders of the reading fields, the unnamed result box and the
    // menu bar's hidden items has a name to be found by.
    for (const Control* c : form.controls()) {
        if (c->kind() == ControlKind::panel || c->name() == "GroupBox3") continue;
        EXPECT_FALSE(spoken_name(*c).empty()) << c->name();
    }
}

TEST(AccessibleName, ButtonCaptionsThatAreWordsAndMnemonics) {
    Button okee("button1", nullptr, {}, "Okee");
    okee.set_hint("Sluit het venster");
    EXPECT_EQ(spoken_name(okee), "Okee");  // a word caption wins over the hint
    Button plus("b", nullptr, {}, "+");
    EXPECT_EQ(spoken_name(plus), "+");  // no hint: the symbol is all there is
    Button ok("b", nullptr, {}, "OK");
    ok.set_hint("Bevestigen");
    EXPECT_EQ(spoken_name(ok), "OK");

    struct Case {
        const char* caption;
        const char* name;
    };
    for (const Case c : {Case{"&Schepen", "Schepen"}, Case{"Kop && munt", "Kop & munt"},
                         Case{"Eind&", "Eind"}, Case{"&&&Ja", "&Ja"}}) {
        EXPECT_EQ(without_mnemonic(c.caption), c.name) << c.caption;
    }
}

}  // namespace
}  // namespace ijken::forms

namespace ijken::forms {
namespace {

// A French or German skipper's screen reader names the fields in French or German too, and again
// in Dutch after switching back.
TEST(AccessibleName, FollowTheInterfaceLanguage) {
    ijken::testing::TempDir dir;
    std::filesystem::copy_file(IJKEN_GERMAN_FILE, dir.path() / "tld.tln");
    ScriptedDialogs dialogs;
    survey::Form1 form(dir.dir(), dialogs);
    ASSERT_TRUE(dispatch(dialogs, [&] { form.formcreate(); }));
    ASSERT_TRUE(dispatch(dialogs, [&] { program::create_windows(form); }));
    ASSERT_TRUE(dispatch(dialogs, [&] { form.show(); }));
    const struct {
        int language;
        const char* up_arrow;
        std::map<std::string, std::string> names;
    } cases[] = {
        {2, "plus", {{"ijk_bb_l_1", "b\342bord vide 1"}, {"e01", "Total, vide"}, {"ZoutMaskEdit", "Correction"},
             {"Image2", "bateau charg\351"}, {"TrackBarVol", "charg\351"}, {"LabelWaarschuwing", "Avertissements"}}},
        {3, "h\366her", {{"ijk_sb_v_5", "Steuerbord beladen 5"}, {"e32", "Tonnage, beladen"}, {"ZoutMaskEdit", "Korrektur"},
             {"Image1", "Schiff leer"}, {"TrackbarLeeg", "leer"}}},
        {1, "hoger", {{"ijk_bb_l_1", "bakboord leeg 1"}, {"e01", "Totaal, leeg"}, {"ZoutMaskEdit", "Correctie"}}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(dispatch(dialogs, [&] { form.session().switch_language(c.language); }));
        for (const auto& [control, name] : c.names) EXPECT_EQ(spoken_name(*form.find(control)), name) << control;
        EXPECT_EQ(form.get<UpDown>("updown_bb_l_1").up_name(), c.up_arrow);
        EXPECT_EQ(form.window<shipdata::Ijkeninvoerform>()->get<UpDown>("laatstecm").up_name(), c.up_arrow);
    }
}

}  // namespace
}  // namespace ijken::forms
