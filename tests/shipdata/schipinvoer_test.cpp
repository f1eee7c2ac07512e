// The ship particulars window on a real database: a new ship with its gauge table, editing the
// selected ship, the preview, and texts that must be stored exactly or refused clearly.
#include "fleet_fixture.h"

namespace ijken::shipdata::test {
namespace {

using Particulars = FleetFixture;

TEST_F(Particulars, NewShipIsStoredAsTypedAndItsGaugeTableOpensOnIt) {
    ASSERT_TRUE(click_menu("Invoeren1"));
    ASSERT_EQ(modal.shown(), std::vector<forms::Form*>{schip});
    EXPECT_FALSE(form->visible());
    EXPECT_TRUE(schip->is_new_ship());

    const std::string name = "De \"Hoop\" [II]'); drop table x;--";
    set(*schip, "naam_veld", name);
    set(*schip, "meetbrief", "BR'9\"8");
    set(*schip, "veld6", "Ton\xE9 \\ %s %d");  // Windows-1252 e acute
    ASSERT_TRUE(run([&] { schip->get<forms::RadioGroup>("aantal_ijken").set_item_index(4); }));
    ASSERT_TRUE(click_in(*schip, "opslaan"));
    EXPECT_EQ(boxes(Kind::information), std::vector<std::string>{"Scheepsgegevens opgeslagen"});

    const int new_id = schip->new_ship_id();
    EXPECT_EQ(new_id, 6);
    EXPECT_EQ(ship_column(new_id, "Name"), name);
    EXPECT_EQ(ship_column(new_id, "Meetbrief_NR"), "BR'9\"8");
    EXPECT_EQ(ship_column(new_id, "veld6"), "Ton\xE9 \\ %s %d");
    EXPECT_EQ(ship_column(new_id, "veld1"), "Veld 1");
    EXPECT_EQ(ship_column(new_id, "Aantal_ijken"), "5");
    EXPECT_EQ(ship_column(new_id, "taal"), "1");
    EXPECT_EQ(ship_column(new_id, "Selected"), "0");
    EXPECT_EQ(ship_column(new_id, "Max_inzinking"), "0");  // NULL until a table is stored

    // The gauge table window opens on the new ship over the ship window, from the selected ship's
    // range.
    ASSERT_EQ(modal.shown().size(), 2u);
    EXPECT_EQ(modal.shown()[1], ijk);
    EXPECT_EQ(ijk->ship_id(), new_id);
    EXPECT_TRUE(schip->visible());
    EXPECT_EQ(ijk->first_cm(), 51);
    set(*ijk, "laatstecm_t", "60");
    ASSERT_TRUE(click_in(*ijk, "maakdm_tabel"));
    ASSERT_TRUE(run([&] { grid("dmklad").paste(1, 1, "0\n12.5\n"); }));
    ASSERT_TRUE(click_in(*ijk, "button1"));
    ASSERT_TRUE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(table(new_id).size(), 61u);
    EXPECT_EQ(table(new_id).back(), "60=12.5");
    EXPECT_EQ(ship_column(new_id, "Max_inzinking") + "/" + ship_column(new_id, "Min_inzinking"), "60/51");
    EXPECT_EQ(table(1).size(), 250u);  // the selected ship's table is untouched
    EXPECT_EQ(form->session().survey().Max_inzinking, 251);  // and so is the main window's copy of its range

    // Closing the gauge table closes the ship window; the main window lists the new ship.
    ASSERT_TRUE(click_in(*ijk, "afsluiten"));
    EXPECT_FALSE(schip->visible());
    EXPECT_TRUE(form->visible());
    EXPECT_EQ(form->session().survey().SchipID, 1);
    EXPECT_EQ(submenu("Wijzigen1"),
              (std::vector<std::string>{"*Dummy 1", "Dummy 2", "Dummy 3", "Dummy 4", "Dummy 5", name}));
    EXPECT_EQ(submenu("Verwijderen1").back(), name);
    EXPECT_EQ(ship_item("Verwijderen1", name).tag(), new_id);
    EXPECT_EQ(boxes(Kind::error), std::vector<std::string>{});
}

TEST_F(Particulars, EditingTheSelectedShipThenAddingAnotherFromItsTexts) {
    sql("update Schiptable set veld3='Lengte 85 m', Aantal_ijken=4 where SchipID=1");
    ASSERT_TRUE(click_menu("ScheepsGegevens"));
    EXPECT_FALSE(schip->is_new_ship());
    EXPECT_EQ(schip->get<forms::Edit>("naam_veld").text(), "Dummy 1");
    EXPECT_EQ(schip->get<forms::Edit>("veld3").text(), "Lengte 85 m");
    EXPECT_EQ(schip->get<forms::Edit>("veld1").text(), "");  // NULL
    EXPECT_EQ(schip->get<forms::RadioGroup>("aantal_ijken").item_index(), 3);
    EXPECT_EQ(schip->get<forms::Label>("label_naam").caption(), "Dummy 1");

    set(*schip, "naam_veld", "Johanna");
    ASSERT_TRUE(click_in(*schip, "opslaan"));
    EXPECT_FALSE(schip->visible());
    EXPECT_TRUE(form->visible());
    EXPECT_EQ(ship_column(1, "Name"), "Johanna");
    EXPECT_EQ(ship_column(1, "Selected"), "1");
    EXPECT_EQ(cell("LabelNaam"), "Johanna");
    EXPECT_EQ(form->get<forms::MenuItem>("Naam1").caption(), "Johanna");
    EXPECT_EQ(submenu("Wijzigen1").front(), "*Johanna");
    EXPECT_EQ(modal.shown().size(), 1u);  // no gauge table after an edit

    // A new ship starts from what the fields hold: the same texts, a new identifier.
    ASSERT_TRUE(click_menu("Invoeren1"));
    EXPECT_EQ(schip->get<forms::Edit>("veld3").text(), "Lengte 85 m");
    ASSERT_TRUE(click_in(*schip, "opslaan"));
    EXPECT_EQ(ship_column(6, "Name"), "Johanna");
    EXPECT_EQ(ship_column(6, "Aantal_ijken"), "4");
    ASSERT_TRUE(click_in(*ijk, "afsluiten"));

    // "Terug" stores nothing.
    ASSERT_TRUE(click_menu("ScheepsGegevens"));
    set(*schip, "naam_veld", "Niet bewaard");
    ASSERT_TRUE(click_in(*schip, "button3"));
    EXPECT_EQ(ship_column(1, "Name"), "Johanna");
    EXPECT_EQ(count("select count(*) from Schiptable"), 6);
}

TEST_F(Particulars, PreviewPutsTheRightColumnFifteenPixelsFromThePanelEdge) {
    forms::FixedWidthMeasure seven(7);
    form->services.measure = &seven;
    set(*schip, "veld6", "Laadvermogen 1350 ton");  // 21 characters, the widest of 5 to 8
    const int panel = schip->get<forms::Panel>("panel1").geometry().w;
    for (int i = 5; i <= 8; ++i) {
        const auto& label = schip->get<forms::Label>("label_veld" + std::to_string(i));
        EXPECT_EQ(label.geometry().x, panel - (21 * 7 + 15)) << i;
        EXPECT_EQ(label.caption(), schip->get<forms::Edit>("veld" + std::to_string(i)).text());
    }
    EXPECT_EQ(schip->get<forms::Label>("label_veld6").geometry().w, 21 * 7);
    // The left column stays put.
    EXPECT_EQ(schip->get<forms::Label>("label_veld2").geometry().x, 8);
    set(*schip, "veld6", "");
    EXPECT_EQ(schip->get<forms::Label>("label_veld5").geometry().x, panel - (6 * 7 + 15));  // "Veld 5"
    form->services.measure = nullptr;
}

TEST_F(Particulars, TextsTooLongForTheirColumnOrAMissingShipAreRefusedClearly) {
    ASSERT_TRUE(click_menu("ScheepsGegevens"));
    set(*schip, "naam_veld", std::string(10000, 'x'));
    EXPECT_FALSE(click_in(*schip, "opslaan"));
    EXPECT_EQ(boxes(Kind::error), std::vector<std::string>{"De scheepsnaam mag ten hoogste 35 tekens hebben"});
    EXPECT_EQ(ship_column(1, "Name"), "Dummy 1");
    EXPECT_FALSE(schip->visible());  // Opslaan closes the window, also after an error
    EXPECT_TRUE(form->visible());

    // A locked database: the message says so and nothing is stored or reported as stored.
    dialogs.clear();
    ASSERT_TRUE(click_menu("ScheepsGegevens"));
    set(*schip, "naam_veld", "Johanna");
    {
        data::SQLiteDatabase other(dir.db_path());
        other.Execute("BEGIN IMMEDIATE");
        EXPECT_FALSE(click_in(*schip, "opslaan"));
        other.Execute("ROLLBACK");
    }
    ASSERT_EQ(boxes(Kind::error).size(), 1u);
    EXPECT_NE(boxes(Kind::error)[0].find("locked"), std::string::npos);
    EXPECT_TRUE(boxes(Kind::information).empty());
    EXPECT_EQ(ship_column(1, "Name"), "Dummy 1");

    // The selected ship is gone (another program removed it): nothing opens.
    dialogs.clear();
    sql("delete from Schiptable where SchipID=1");
    EXPECT_FALSE(click_menu("ScheepsGegevens"));
    EXPECT_EQ(boxes(Kind::error), std::vector<std::string>{"Field Meetbrief_NR Not found. Empty dataset"});
    EXPECT_FALSE(schip->visible());
    EXPECT_TRUE(form->visible());
}

}  // namespace
}  // namespace ijken::shipdata::test
