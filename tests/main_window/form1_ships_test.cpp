// The ships menus on a real database: what they list, selecting a ship, deleting one, and a
// selection or deletion that fails leaving the database and the window as they were.
#include "form1_fixture.h"

namespace ijken::survey::test {
namespace {

class Form1Ships : public Form1Fixture {
  protected:
    std::vector<std::string> submenu(const std::string& name) const {
        std::vector<std::string> v;
        for (forms::MenuItem* i : form->get<forms::MenuItem>(name).items())
            v.push_back((i->checked() ? "*" : "") + i->caption() + "#" + std::to_string(i->tag()));
        return v;
    }
    bool choose(const std::string& submenu_name, const std::string& caption) {
        for (forms::MenuItem* i : form->get<forms::MenuItem>(submenu_name).items()) {
            if (i->caption() == caption) return forms::dispatch(dialogs, [i] { i->click(); });
        }
        ADD_FAILURE() << "no " << caption << " in " << submenu_name;
        return false;
    }
    long long selected_ship() { return count("select SchipID from Schiptable where Selected=1"); }
};

TEST_F(Form1Ships, NewDatabaseListsEveryShipAndOffersTheOthersForDeletion) {
    EXPECT_EQ(submenu("Wijzigen1"), (std::vector<std::string>{"*Dummy 1#1", "Dummy 2#2", "Dummy 3#3", "Dummy 4#4",
                                                              "Dummy 5#5"}));
    EXPECT_EQ(submenu("Verwijderen1"),
              (std::vector<std::string>{"Dummy 2#2", "Dummy 3#3", "Dummy 4#4", "Dummy 5#5"}));
}

TEST_F(Form1Ships, SelectingAShipMovesTheMarkAndLoadsItAndARestartKeepsIt) {
    ASSERT_TRUE(choose("Wijzigen1", "Dummy 2"));
    EXPECT_EQ(selected_ship(), 2);
    EXPECT_EQ(count("select count(*) from Schiptable where Selected=1"), 1);
    EXPECT_EQ(form->session().survey().SchipID, 2);
    EXPECT_EQ(submenu("Wijzigen1")[0], "Dummy 1#1");
    EXPECT_EQ(submenu("Wijzigen1")[1], "*Dummy 2#2");
    EXPECT_EQ(submenu("Verwijderen1").front(), "Dummy 1#1");
    EXPECT_EQ(cell("LabelNaam"), "Dummy 2");
    EXPECT_EQ(form->get<forms::MenuItem>("Naam1").caption(), "Dummy 2");
    // Three gauge points (1, 3, 5), every reading 0, no surveys and no table.
    EXPECT_TRUE(form->get<forms::Panel>("lb_bb_3").visible());
    EXPECT_FALSE(form->get<forms::Panel>("lb_bb_2").visible());
    for (forms::Edit* field : form->reading_fields()) EXPECT_EQ(field->text(), "0") << field->name();
    EXPECT_EQ(buttons(), "-----");
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");  // kept from the survey shown before
    EXPECT_EQ(cell("e21"), "250.0");
    EXPECT_EQ(cell("e22"), "250.0");
    EXPECT_EQ(cell("e31"), "0.000");
    EXPECT_EQ(cell("e42"), "0.000");
    EXPECT_EQ(count("select count(*) from IJKtable where SchipID=2"), 0);  // not extended

    // Choosing the selected ship again reloads it.
    type("ijk_bb_l_1", "12");
    ASSERT_TRUE(choose("Wijzigen1", "Dummy 2"));
    EXPECT_EQ(text("ijk_bb_l_1"), "0");

    start();
    EXPECT_EQ(form->session().survey().SchipID, 2);
    EXPECT_EQ(cell("LabelNaam"), "Dummy 2");
    EXPECT_TRUE(boxes(Kind::error).empty());
}

TEST_F(Form1Ships, DeletingAShipAsksFirstAndTakesItsSurveysAndTableAlong) {
    ASSERT_TRUE(choose("Wijzigen1", "Dummy 2"));
    dialogs.answer(false);
    ASSERT_TRUE(choose("Verwijderen1", "Dummy 3"));
    EXPECT_EQ(count("select count(*) from Schiptable"), 5);
    EXPECT_EQ(submenu("Verwijderen1").size(), 4u);

    dialogs.answer(true);
    ASSERT_TRUE(choose("Verwijderen1", "Dummy 1"));
    // Dummy 2 speaks French, so the questions are French.
    EXPECT_EQ(boxes(Kind::confirm), (std::vector<std::string>{"Bateau \"Dummy 3\" enlever?", "Bateau \"Dummy 1\" enlever?"}));
    EXPECT_TRUE(questions_default_to_no());
    EXPECT_EQ(count("select count(*) from Schiptable where SchipID=1"), 0);
    EXPECT_EQ(count("select count(*) from IJkOpnames where Schipid=1"), 0);
    EXPECT_EQ(count("select count(*) from IJKtable where SchipID=1"), 0);
    EXPECT_EQ(submenu("Wijzigen1"), (std::vector<std::string>{"*Dummy 2#2", "Dummy 3#3", "Dummy 4#4", "Dummy 5#5"}));
    EXPECT_EQ(submenu("Verwijderen1"), (std::vector<std::string>{"Dummy 3#3", "Dummy 4#4", "Dummy 5#5"}));
    // The selected ship and its window are untouched.
    EXPECT_EQ(form->session().survey().SchipID, 2);
    EXPECT_EQ(cell("LabelNaam"), "Dummy 2");

    // The French interface asks in French.
    form->session().taal().SetActiveTaalFile(2);
    dialogs.answer(false);
    ASSERT_TRUE(choose("Verwijderen1", "Dummy 4"));
    EXPECT_EQ(boxes(Kind::confirm).back(), "Bateau \"Dummy 4\" enlever?");
}

TEST_F(Form1Ships, ALockedDatabaseLeavesSelectionAndDeletionUndone) {
    data::SQLiteDatabase other(dir.db_path());
    other.Execute("BEGIN IMMEDIATE");

    EXPECT_FALSE(choose("Wijzigen1", "Dummy 2"));
    dialogs.answer(true);
    EXPECT_FALSE(choose("Verwijderen1", "Dummy 3"));
    ASSERT_EQ(boxes(Kind::error).size(), 2u);
    for (const std::string& e : boxes(Kind::error)) EXPECT_NE(e.find("database is locked"), std::string::npos) << e;
    // The window goes on with the ship the database still has selected.
    EXPECT_EQ(form->session().survey().SchipID, 1);
    EXPECT_EQ(submenu("Wijzigen1").size(), 5u);
    other.Execute("ROLLBACK");
    EXPECT_EQ(selected_ship(), 1);
    EXPECT_EQ(count("select count(*) from Schiptable"), 5);

    // Saving a survey now goes to that ship, not to the one the failed click named.
    type("Verlader_Naam", "Tarwe");
    click("sltb_save");
    EXPECT_EQ(count("select count(*) from IJkOpnames where Verlader_Naam='Tarwe' and Schipid=1"), 1);
}

TEST_F(Form1Ships, WithNoShipSelectedNothingIsCheckedAndEveryShipCanBeDeleted) {
    sql("update Schiptable set Selected=0");
    start();
    EXPECT_EQ(submenu("Wijzigen1")[0], "Dummy 1#1");
    EXPECT_EQ(submenu("Verwijderen1").size(), 5u);
    EXPECT_TRUE(boxes(Kind::error).empty());
}

}  // namespace
}  // namespace ijken::survey::test
