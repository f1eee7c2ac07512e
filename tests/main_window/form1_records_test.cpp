// Survey records in the main window: browsing, saving, adding and deleting, what is stored, and what
// a failing statement leaves behind.
#include "form1_fixture.h"

namespace ijken::survey::test {
namespace {

using Form1Records = Form1Fixture;

TEST_F(Form1Records, BrowsingWalksTheSurveysInOrderOfEntry) {
    EXPECT_EQ(survey_order(), (std::vector<std::string>{"Grain Coop 1", "Grain Coop 2", "Grain Coop 3"}));
    EXPECT_EQ(buttons(), "<-x--");

    click("sltb_prev");
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 2");
    EXPECT_EQ(form->session().current_survey(), 2);
    EXPECT_EQ(text("ijk_bb_l_1"), "225");
    EXPECT_EQ(cell("e01"), "1205.0");
    EXPECT_EQ(buttons(), "<>x--");

    click("sltb_prev");
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 1");
    EXPECT_EQ(cell("e01"), "1210.0");
    EXPECT_EQ(buttons(), "->x--");
    // A disabled button cannot be pressed, and the handler itself stays within the list.
    EXPECT_FALSE(form->get<forms::Button>("sltb_prev").click());
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->sltb_prevclick(); }));
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 1");

    click("sltb_next");
    click("sltb_next");
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->sltb_nextclick(); }));
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");
    EXPECT_EQ(buttons(), "<-x--");
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Form1Records, ChangesEnableSaveAndAddForEveryStoredField) {
    type("Lading", "Tarwe");
    EXPECT_EQ(buttons(), "<-x+o");
    type("Ontvanger_naam", "Someone");
    ASSERT_TRUE(
        forms::dispatch(dialogs, [&] { form->get<forms::RadioGroup>("TaalKeuze").set_item_index(2); }));
    EXPECT_EQ(buttons(), "<-x+o");
    type("Verlader_Naam", "New shipper");
    EXPECT_EQ(buttons(), "<-x+o");
    click("sltb_prev");
    EXPECT_EQ(buttons(), "<>x--");
    type("ZoutMaskEdit", "1.010");
    EXPECT_EQ(buttons(), "<>x+o");
}

TEST_F(Form1Records, SavingMovesTheSurveyToTheEndOfTheList) {
    click("sltb_prev");
    click("sltb_prev");
    type("ijk_bb_l_3", "201");
    ASSERT_EQ(buttons(), "->x+o");

    ASSERT_TRUE(click("sltb_save"));
    EXPECT_EQ(boxes(Kind::information), std::vector<std::string>{"IJken opgeslagen"});
    EXPECT_EQ(stored(3, "BBL_3"), "201");
    EXPECT_EQ(survey_order(), (std::vector<std::string>{"Grain Coop 2", "Grain Coop 3", "Grain Coop 1"}));
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 3);
    // The saved survey is the newest and the current one.
    EXPECT_EQ(form->session().current_survey(), 3);
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 1");
    EXPECT_EQ(text("ijk_bb_l_3"), "201");
    EXPECT_EQ(buttons(), "<-x--");
}

// "IJken opgeslagen" is told once the survey is stored and before the newest is shown again: behind
// the box the window still shows what was typed, with save and add as they were.
TEST_F(Form1Records, StoredIsToldBeforeTheNewestIsShownAgain) {
    for (const char* button : {"sltb_save", "sltb_add"}) {
        SCOPED_TRACE(button);
        type("ijk_bb_l_3", button[5] == 's' ? "202" : "203");
        std::string behind_the_box;
        dialogs.while_informing = [&] { behind_the_box = buttons() + " " + text("ijk_bb_l_3"); };
        ASSERT_TRUE(click(button));
        dialogs.while_informing = nullptr;
        EXPECT_EQ(behind_the_box, button[5] == 's' ? "<-x+o 202" : "<-x+o 203");
        EXPECT_EQ(buttons(), "<-x--");
    }
}

TEST_F(Form1Records, AddingCreatesANewSurveyFromTheFields) {
    click("sltb_prev");
    type("ijk_sb_v_3", "25");
    type("Lading", "Mais");
    ASSERT_TRUE(
        forms::dispatch(dialogs, [&] { form->get<forms::RadioGroup>("TaalKeuze").set_item_index(1); }));
    type("ZoutMaskEdit", "1.025");

    ASSERT_TRUE(click("sltb_add"));
    EXPECT_EQ(boxes(Kind::information), std::vector<std::string>{"IJken opgeslagen"});
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 4);
    EXPECT_EQ(form->session().current_survey(), 4);
    EXPECT_EQ(stored(4, "Verlader_Naam"), "Grain Coop 2");
    EXPECT_EQ(stored(4, "SBV_3"), "25");
    EXPECT_EQ(stored(4, "Lading"), "Mais");
    EXPECT_EQ(stored(4, "Taal"), "1");
    EXPECT_EQ(stored(4, "ZoutCorrectie"), "1.025");
    EXPECT_EQ(stored(4, "Schipid"), "1");
    // Grain Coop 2 keeps what it had.
    EXPECT_EQ(stored(2, "SBV_3"), "20");
    EXPECT_EQ(stored(2, "Lading"), "");

    // The new survey is shown as the newest.
    EXPECT_EQ(text("ijk_sb_v_3"), "25");
    EXPECT_EQ(form->get<forms::RadioGroup>("TaalKeuze").item_index(), 1);
    EXPECT_EQ(text("ZoutMaskEdit"), "1.025");
    EXPECT_EQ(buttons(), "<-x--");
}

TEST_F(Form1Records, DeletingAsksFirstAndShowsTheNewestRemaining) {
    dialogs.answer(false);
    click("sltb_del");
    EXPECT_EQ(boxes(Kind::confirm), std::vector<std::string>{"IJkopname  verwijderen?"});
    EXPECT_TRUE(questions_default_to_no());
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 3);
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");

    dialogs.answer(true);
    click("sltb_del");
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 2);
    EXPECT_EQ(stored(1, "Opnameid"), "<no survey>");
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 2");
    EXPECT_EQ(form->session().current_survey(), 2);
    EXPECT_EQ(buttons(), "<-x--");

    // In French the question is French.
    form->session().taal().SetActiveTaalFile(2);
    dialogs.answer(false);
    click("sltb_del");
    EXPECT_EQ(boxes(Kind::confirm).back(), "Enlever echelle?");
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 2);
    EXPECT_TRUE(boxes(Kind::information).empty());
}

TEST_F(Form1Records, DeletingTheLastSurveyKeepsTheFieldsAndSaveThenInserts) {
    for (int i = 0; i < 3; ++i) {
        dialogs.answer(true);
        ASSERT_TRUE(click("sltb_del"));
    }
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 0);
    EXPECT_EQ(form->session().current_survey(), Form1::kNoSurvey);
    EXPECT_EQ(buttons(), "-----");
    // The last one deleted was Grain Coop 1: its values stay in the fields.
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 1");
    EXPECT_EQ(text("ijk_bb_l_1"), "230");

    type("ijk_bb_l_1", "231");
    EXPECT_EQ(buttons(), "---+o");
    ASSERT_TRUE(click("sltb_save"));
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 1);
    EXPECT_EQ(count("select count(*) from IJkOpnames where Verlader_Naam='Grain Coop 1' and BBL_1='231'"), 1);
    EXPECT_GT(form->session().current_survey(), 0);
    EXPECT_EQ(buttons(), "--x--");
}

TEST_F(Form1Records, ASelectedShipWithoutSurveysShowsZeroReadingsAndKeepsTheParties) {
    sql("update Schiptable set Selected=0 where SchipID=1");
    sql("update Schiptable set Selected=1 where SchipID=2");
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->laad_schip(); }));
    EXPECT_EQ(form->session().survey().SchipID, 2);
    EXPECT_EQ(form->session().survey().Max_inzinking, 250);
    EXPECT_EQ(form->session().survey().Min_inzinking, 0);
    EXPECT_EQ(cell("LabelNaam"), "Dummy 2");
    EXPECT_EQ(form->session().current_survey(), Form1::kNoSurvey);
    EXPECT_EQ(buttons(), "-----");
    for (forms::Edit* field : form->reading_fields()) EXPECT_EQ(field->text(), "0") << field->name();
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");
    // No gauge table: immersion 250 (the maximum, no extension), every tonnage 0.
    EXPECT_EQ(cell("e21"), "250.0");
    EXPECT_EQ(cell("e22"), "250.0");
    EXPECT_EQ(cell("e31"), "0.000");
    EXPECT_EQ(cell("e42"), "0.000");
    EXPECT_EQ(count("select count(*) from IJKtable where SchipID=2"), 0);
    EXPECT_EQ(form->get<forms::Slider>("TrackbarLeeg").maximum(), 250);

    type("Verlader_Naam", "Other shipper");
    ASSERT_TRUE(click("sltb_save"));
    EXPECT_EQ(survey_order(2), std::vector<std::string>{"Other shipper"});
    EXPECT_EQ(survey_order(1).size(), 3u);
}

TEST_F(Form1Records, ConsigneeTelephoneIsStoredAndShownAgain) {
    type("Ontvanger_telefoon", "+31 6 12345678");
    type("Verlader_telefoon", "0032 3 555");
    type("ijk_bb_v_1", "21");
    ASSERT_TRUE(click("sltb_save"));
    EXPECT_EQ(stored(1, "Ontvanger_Telefoon"), "+31 6 12345678");
    EXPECT_EQ(stored(1, "Verlader_Telefoon"), "0032 3 555");

    type("Ontvanger_telefoon", "010-1234567");
    type("ijk_bb_v_1", "22");
    ASSERT_TRUE(click("sltb_add"));
    EXPECT_EQ(stored(4, "Ontvanger_Telefoon"), "010-1234567");

    click("sltb_prev");
    EXPECT_EQ(text("Ontvanger_telefoon"), "+31 6 12345678");
    click("sltb_prev");
    EXPECT_EQ(text("Ontvanger_telefoon"), "");
    click("sltb_next");
    click("sltb_next");
    EXPECT_EQ(text("Ontvanger_telefoon"), "010-1234567");
}

TEST_F(Form1Records, TextsAreStoredExactlyAsTyped) {
    const std::pair<const char*, std::string> typed[] = {
        {"Verlader_Naam", "Jan \"de Boer\" & Zn"},
        {"Verlader_Plaats", "'s-Hertogenbosch"},
        {"Verlader_telefoon", "\\\\server\\share\\"},
        {"Ontvanger_naam", "Verlader_Naam"},
        {"Ontvanger_plaats", "x\"); DELETE FROM IJkOpnames; --"},
        {"Ontvanger_telefoon", "Opnameid"},
        {"Lading", "Caf\xE9 cr\xE8me; 100%"},
        {"ijk_bb_l_1", "200,5"},
        {"ijk_sb_l_1", "\"220\""},
        {"ijk_bb_v_3", "?"},
    };
    const std::pair<const char*, const char*> columns[] = {
        {"Verlader_Naam", "Verlader_Naam"},
        {"Verlader_Plaats", "Verlader_Plaats"},
        {"Verlader_telefoon", "Verlader_Telefoon"},
        {"Ontvanger_naam", "Ontvanger_Naam"},
        {"Ontvanger_plaats", "Ontvanger_Plaats"},
        {"Ontvanger_telefoon", "Ontvanger_Telefoon"},
        {"Lading", "Lading"},
        {"ijk_bb_l_1", "BBL_1"},
        {"ijk_sb_l_1", "SBL_1"},
        {"ijk_bb_v_3", "BBV_3"},
    };
    for (const char* button : {"sltb_save", "sltb_add"}) {
        SCOPED_TRACE(button);
        for (const auto& [field, value] : typed) type(field, value);
        ASSERT_TRUE(click(button));
        ASSERT_TRUE(boxes(Kind::error).empty()) << boxes(Kind::error)[0];
        const int id = form->session().current_survey();
        for (std::size_t i = 0; i < std::size(typed); ++i) {
            EXPECT_EQ(stored(id, columns[i].second), typed[i].second) << columns[i].second;
        }
        // Shown back exactly as well, after browsing away and back.
        click("sltb_prev");
        click("sltb_next");
        for (const auto& [field, value] : typed) EXPECT_EQ(text(field), value) << field;
        // Put something else in the fields for the next round.
        for (const auto& [field, value] : typed) type(field, "1");
    }
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 4);
    EXPECT_EQ(count("select count(*) from Schiptable"), 5);
}

TEST_F(Form1Records, AFailingStatementIsReportedAndStoresNothing) {
    click("sltb_prev");
    type("ijk_bb_l_1", "999");
    type("Verlader_Naam", "Changed");

    // Another connection holds the write lock: the update fails.
    {
        data::SQLiteDatabase other(dir.db_path());
        other.Execute("BEGIN EXCLUSIVE");
        EXPECT_FALSE(click("sltb_save"));
        EXPECT_FALSE(click("sltb_add"));
    }
    ASSERT_EQ(boxes(Kind::error).size(), 2u);
    EXPECT_NE(boxes(Kind::error)[0].find("locked"), std::string::npos) << boxes(Kind::error)[0];
    EXPECT_TRUE(boxes(Kind::information).empty());
    EXPECT_EQ(stored(2, "BBL_1"), "225");
    EXPECT_EQ(stored(2, "Verlader_Naam"), "Grain Coop 2");
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 3);
    // The list was not reloaded: the fields keep what was typed, the survey stays current.
    EXPECT_EQ(text("ijk_bb_l_1"), "999");
    EXPECT_EQ(text("Verlader_Naam"), "Changed");
    EXPECT_EQ(form->session().current_survey(), 2);
    EXPECT_EQ(buttons(), "<>x+o");

    // With the lock gone the same save goes through.
    ASSERT_TRUE(click("sltb_save"));
    EXPECT_EQ(stored(2, "BBL_1"), "999");
    EXPECT_EQ(stored(2, "Verlader_Naam"), "Changed");
}

TEST_F(Form1Records, ACommitRefusedByAReaderIsNotReportedAsSaved) {
    type("ijk_bb_l_1", "219");
    {
        // Another program in the middle of reading: the update may be written, the commit may not.
        data::SQLiteDatabase reader(dir.db_path());
        reader.BeginTransaction();
        reader.Query("select count(*) from IJkOpnames");
        EXPECT_FALSE(click("sltb_save"));
        EXPECT_FALSE(click("sltb_add"));
        reader.Rollback();
    }
    EXPECT_EQ(boxes(Kind::error).size(), 2u);
    EXPECT_TRUE(boxes(Kind::information).empty());
    EXPECT_EQ(stored(1, "BBL_1"), "220");
    EXPECT_EQ(count("select count(*) from IJkOpnames"), 3);
    EXPECT_EQ(text("ijk_bb_l_1"), "219");
}

TEST_F(Form1Records, AMissingSurveyTableIsReportedOnSave) {
    type("ijk_bb_l_1", "219");
    sql("DROP TABLE IJkOpnames");
    EXPECT_FALSE(click("sltb_save"));
    ASSERT_EQ(boxes(Kind::error).size(), 1u);
    EXPECT_EQ(boxes(Kind::error)[0].rfind("Error executing SQL.", 0), 0u) << boxes(Kind::error)[0];
    EXPECT_NE(boxes(Kind::error)[0].find("no such table: IJkOpnames"), std::string::npos);
    EXPECT_TRUE(boxes(Kind::information).empty());
    EXPECT_EQ(text("ijk_bb_l_1"), "219");
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");
}

// Every stored field of a survey, changed alone, makes the survey one to save and to add, as a
// reading does: browsing on would otherwise lose the change without a word.
TEST_F(Form1Records, AChangeOfAnyStoredFieldEnablesSaveAndAdd) {
    const std::function<bool()> changes[] = {
        [this] { return type("Verlader_Naam", "Anders"); },
        [this] { return type("Verlader_Plaats", "Anders"); },
        [this] { return type("Verlader_telefoon", "0101234567"); },
        [this] { return type("Ontvanger_naam", "Anders"); },
        [this] { return type("Ontvanger_plaats", "Anders"); },
        [this] { return type("Ontvanger_telefoon", "0101234567"); },
        [this] { return type("Lading", "Zand"); },
        [this] { return type("ZoutMaskEdit", "1.025"); },
        [this] {
            return forms::dispatch(dialogs, [&] { form->get<forms::RadioGroup>("TaalKeuze").set_item_index(2); });
        },
    };
    int n = 0;
    for (const auto& change : changes) {
        SCOPED_TRACE(n++);
        ASSERT_TRUE(click("sltb_prev"));
        ASSERT_EQ(buttons(), "<>x--");
        ASSERT_TRUE(change());
        EXPECT_EQ(buttons(), "<>x+o");
        ASSERT_TRUE(click("sltb_next"));
    }
}

}  // namespace
}  // namespace ijken::survey::test
