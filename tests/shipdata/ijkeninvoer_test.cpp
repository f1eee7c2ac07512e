// The gauge table window on a real database: a table entered from decimetres, a stored table
// loaded and stored again, and every way storing can fail leaving the old table whole.
#include "core/survey/computation.h"
#include "core/text/numbers.h"
#include "fleet_fixture.h"

namespace ijken::shipdata::test {
namespace {

using Gauge = FleetFixture;

const char* const kWorkedTonnages =
    "0\r\n17.416\r\n34.969\r\n52.662\r\n70.496\r\n88.425\r\n106.403\r\n124.485\r\n142.742\r\n161.135\r\n"
    "179.613\r\n198.158\r\n216.752\r\n235.380\r\n254.030\r\n272.691\r\n291.351\r\n310.012\r\n328.673\r\n"
    "347.334\r\n365.995\r\n367.862\r\n";

TEST_F(Gauge, TableEnteredFromDecimetresIsStoredForTheSelectedShip) {
    ASSERT_TRUE(click_menu("Invoer1"));
    ASSERT_EQ(modal.shown(), std::vector<forms::Form*>{ijk});
    EXPECT_FALSE(form->visible());
    EXPECT_TRUE(ijk->modal());
    // The range starts from the selected ship's first and last centimetre.
    EXPECT_EQ(ijk->get<forms::Edit>("eerstecm_t").text(), "51");
    EXPECT_EQ(ijk->get<forms::Edit>("laatstecm_t").text(), "251");

    set(*ijk, "eerstecm_t", "52");
    set(*ijk, "laatstecm_t", "252");
    ASSERT_TRUE(click_in(*ijk, "maakdm_tabel"));
    ASSERT_EQ(grid("dmklad").row_count(), 23);
    EXPECT_EQ(grid("dmklad").cell(0, 22), "252");
    EXPECT_EQ(grid("dmklad").paste(1, 1, kWorkedTonnages), 22);
    grid("dmklad").edit(1, 2, "17,416");
    ASSERT_TRUE(click_in(*ijk, "button1"));
    const auto& cm = grid("ijkengrid");
    ASSERT_EQ(cm.row_count(), 254);
    EXPECT_EQ(cm.cell(0, 53), "52");
    EXPECT_EQ(cm.cell(1, 53), "1.742");
    EXPECT_EQ(cm.cell(1, 251), "364.129");
    EXPECT_EQ(cm.top_row(), 252);

    // One centimetre corrected by hand, one cleared with a short zero.
    ASSERT_TRUE(grid("ijkengrid").edit(1, 101, "81.5"));
    ASSERT_TRUE(grid("ijkengrid").edit(1, 102, "0"));
    // 81.5 at 100 cm looks like a typing error: the user is asked first. No stores nothing.
    const auto before = table(1);
    dialogs.answer(false);
    ASSERT_TRUE(click_in(*ijk, "opslaan"));
    const auto asked = dialogs.texts(Kind::confirm);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("\n100 cm: 81.500 t is niet meer dan"), std::string::npos) << asked[0];
    EXPECT_EQ(table(1), before);
    EXPECT_EQ(grid("ijkengrid").cell(1, 101), "81.5");
    // Yes stores the table as it is.
    dialogs.clear();
    dialogs.answer(true);
    ASSERT_TRUE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(dialogs.texts(Kind::confirm).size(), 1u);
    EXPECT_TRUE(questions_default_to_no());
    EXPECT_EQ(dialogs.unused_answers(), 0u);
    const auto stored = table(1);
    ASSERT_EQ(stored.size(), 252u);  // 0 to 252 without 101
    EXPECT_EQ(stored[0], "0=0");
    EXPECT_EQ(stored[52], "52=1.742");
    EXPECT_EQ(stored[100], "100=81.5");
    EXPECT_EQ(stored[101], "102=90.223");
    EXPECT_EQ(stored.back(), "252=367.862");
    EXPECT_EQ(ship_column(1, "Max_inzinking") + "/" + ship_column(1, "Min_inzinking"), "252/52");
    EXPECT_EQ(form->session().survey().Max_inzinking, 252);
    EXPECT_EQ(form->session().survey().Min_inzinking, 52);

    // Closing shows the main window again, which shows its newest survey again.
    type("Verlader_Naam", "nog niet bewaard");
    ASSERT_TRUE(click_in(*ijk, "afsluiten"));
    EXPECT_TRUE(form->visible());
    EXPECT_FALSE(ijk->visible());
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");
}

TEST_F(Gauge, StoredTableSurvivesALoadAndAStoreIncludingShortTonnages) {
    sql("update IJKtable set Tonnage=100 where SchipID=1 and Inzinking=60");
    sql("update IJKtable set Tonnage=2.5 where SchipID=1 and Inzinking=61");
    sql("update IJKtable set Tonnage=12.3456 where SchipID=1 and Inzinking=62");
    const auto before = table(1);

    ASSERT_TRUE(click_menu("meetbriefwijzigen"));
    ASSERT_TRUE(ijk->modal());
    EXPECT_EQ(ijk->first_cm(), 50);
    EXPECT_EQ(ijk->last_cm(), 249);
    const auto& cm = grid("ijkengrid");
    ASSERT_EQ(cm.row_count(), 251);
    EXPECT_EQ(cm.cell(1, 50), "0.000");
    EXPECT_EQ(cm.cell(1, 61), "100.000");
    EXPECT_EQ(cm.cell(1, 62), "2.500");
    EXPECT_EQ(cm.cell(1, 63), "12.3456");
    const auto& dm = grid("dmklad");
    ASSERT_EQ(dm.row_count(), 22);  // 49, 59, ..., 249
    EXPECT_EQ(dm.cell(0, 2) + "=" + dm.cell(1, 2), "59=17.050");
    EXPECT_EQ(dm.cell(0, 21) + "=" + dm.cell(1, 21), "249=363.800");

    // The odd tonnages typed above are stored as they are when the user says so.
    dialogs.answer(true);
    ASSERT_TRUE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(table(1), before);
}

TEST_F(Gauge, ExtensionRowsAreCleanedAndTheTablesOwnRowsSurvive) {
    // Dummy 2 gets a short table: zero up to 10 cm, then 1.5 t a centimetre up to 40 cm. The
    // survey computation extended it, 30 rows each way, those below reaching under 0.
    sql("update Schiptable set Min_inzinking=11, Max_inzinking=40 where SchipID=2");
    {
        data::SQLiteDatabase db(dir.db_path());
        for (int c = 0; c <= 40; ++c) {
            db.Execute("insert into IJKtable(SchipID,Inzinking,Tonnage) values (2,?,?)",
                       {std::int64_t{c}, c <= 10 ? 0.0 : 1.5 * (c - 10)});
        }
    }
    const auto own = table(2);
    ASSERT_TRUE(run([&] { ship_item("Wijzigen1", "Dummy 2").click(); }));
    survey::verleng_ijktabel(dir.db_path(), 2, 40);
    ASSERT_EQ(count("select count(*) from IJKtable where SchipID=2 and Tonnage<0"), 60);

    // The up-downs still hold a range of some other table.
    set(*ijk, "eerstecm_t", "300");
    ASSERT_TRUE(click_menu("meetbriefwijzigen")) << dialogs.shown().back().text;
    EXPECT_EQ(ijk->first_cm(), 11);
    EXPECT_EQ(ijk->last_cm(), 40);
    EXPECT_EQ(count("select count(*) from IJKtable where SchipID=2 and Tonnage<0"), 0);
    EXPECT_EQ(count("select count(*) from IJKtable where SchipID=2 and Inzinking>40"), 0);
    const auto& cm = grid("ijkengrid");
    EXPECT_EQ(cm.cell(0, 1) + "=" + cm.cell(1, 1), "0=0.000");
    EXPECT_EQ(cm.cell(0, 41) + "=" + cm.cell(1, 41), "40=45.000");

    ASSERT_TRUE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(table(2), own);
}

TEST_F(Gauge, StoringThatFailsKeepsTheWholeOldTableAndTheGrid) {
    ASSERT_TRUE(click_menu("meetbriefwijzigen"));
    const auto before = table(1);
    ASSERT_TRUE(grid("ijkengrid").edit(1, 101, "200.5"));

    // A failure halfway through the inserts.
    sql("create trigger vol before insert on IJKtable when new.Inzinking = 150 begin select raise(abort, 'disk "
        "full'); end");
    // 200.5 t at 100 cm is asked about every time the table is stored; the user stores anyway.
    for (int i = 0; i < 3; ++i) dialogs.answer(true);
    EXPECT_FALSE(click_in(*ijk, "opslaan"));
    ASSERT_EQ(boxes(Kind::error).size(), 1u);
    EXPECT_NE(boxes(Kind::error)[0].find("disk full"), std::string::npos) << boxes(Kind::error)[0];
    EXPECT_EQ(table(1), before);
    EXPECT_EQ(grid("ijkengrid").cell(1, 101), "200.5");
    sql("drop trigger vol");

    // Another program holds the database.
    {
        data::SQLiteDatabase other(dir.db_path());
        other.Execute("BEGIN IMMEDIATE");
        EXPECT_FALSE(click_in(*ijk, "opslaan"));
        ASSERT_EQ(boxes(Kind::error).size(), 2u);
        EXPECT_NE(boxes(Kind::error)[1].find("locked"), std::string::npos) << boxes(Kind::error)[1];
        other.Execute("ROLLBACK");
    }
    EXPECT_EQ(table(1), before);

    // Input that makes no table, each refused before the database is touched.
    struct Case {
        int row;
        const char* tonnage;
        const char* message;
    };
    const Case cases[] = {{101, "veel", "De tonnage \"veel\" bij 100 cm is geen getal"},
                          {101, "-3", "De tonnage \"-3\" bij 100 cm is negatief"},
                          {101, "1e400", "De tonnage \"1e400\" bij 100 cm is te groot"}};
    for (const Case& c : cases) {
        dialogs.clear();
        ASSERT_TRUE(grid("ijkengrid").edit(1, c.row, c.tonnage));
        EXPECT_FALSE(click_in(*ijk, "opslaan"));
        EXPECT_EQ(boxes(Kind::error), std::vector<std::string>{c.message});
    }
    ASSERT_TRUE(grid("ijkengrid").edit(1, 101, "200.5"));
    dialogs.clear();
    set(*ijk, "laatstecm_t", "40");
    EXPECT_FALSE(click_in(*ijk, "opslaan"));
    set(*ijk, "laatstecm_t", "2,5");
    EXPECT_FALSE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(boxes(Kind::error), (std::vector<std::string>{"De laatste CM (40) ligt onder de 1ste ingevulde CM (50)",
                                                            "De laatste CM \"2,5\" is geen heel getal van 0 tot 500"}));
    EXPECT_EQ(table(1), before);

    // Nothing in the way any more: the same grid stores.
    set(*ijk, "laatstecm_t", "249");
    EXPECT_TRUE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(dialogs.unused_answers(), 0u);
    EXPECT_EQ(table(1).at(100), "100=200.5");
}

TEST_F(Gauge, LoadingAShipWithoutAUsableTable) {
    ASSERT_TRUE(run([&] { ship_item("Wijzigen1", "Dummy 2").click(); }));
    // No table at all: the window opens with what it held.
    ASSERT_TRUE(click_menu("meetbriefwijzigen"));
    EXPECT_TRUE(ijk->modal());
    EXPECT_EQ(ijk->ship_id(), 2);
    ASSERT_TRUE(click_in(*ijk, "afsluiten"));

    // Zero rows only: loading stops with the access layer's message, the main window stays.
    sql("insert into IJKtable values (2, 0, 0)");
    EXPECT_FALSE(click_menu("meetbriefwijzigen"));
    EXPECT_EQ(boxes(Kind::error), std::vector<std::string>{"Field Inzinking Not found. Empty dataset"});
    EXPECT_TRUE(form->visible());
    EXPECT_FALSE(ijk->visible());
}

TEST_F(Gauge, MainWindowComputesTheShownSurveyWithTheTableJustStored) {
    const std::string entered = stored(form->session().current_survey(), "InvoerDatum");
    ASSERT_TRUE(click_menu("meetbriefwijzigen"));  // 50 to 249, where the ship says 51 to 251
    auto& cm = grid("ijkengrid");
    for (int r = 1; r < cm.row_count(); ++r)
        cm.set_cell(1, r, text::format_fixed(2 * *text::parse_double(cm.cell(1, r)), 3));
    ASSERT_TRUE(click_in(*ijk, "opslaan"));
    ASSERT_TRUE(click_in(*ijk, "afsluiten"));
    EXPECT_EQ(form->get<forms::Slider>("TrackBarVol").maximum() +
                  form->get<forms::Slider>("TrackbarLeeg").position(),
              2 * 249);
    EXPECT_EQ(stored(form->session().current_survey(), "InvoerDatum") + buttons(),
              entered + "<-x--");  // the survey untouched
    const std::string shown = cell("e22") + " " + cell("e32") + " " + cell("e42");
    start();  // computes from scratch
    EXPECT_EQ(shown, cell("e22") + " " + cell("e32") + " " + cell("e42"));
}

TEST_F(Gauge, GridsKeepTheirRowsForTheirOwnShipOnly) {
    for (const char* item : {"meetbriefwijzigen", "Invoer1"}) {
        ASSERT_TRUE(run([&] { ship_item("Wijzigen1", "Dummy 1").click(); }));
        ASSERT_TRUE(click_menu("meetbriefwijzigen"));
        ASSERT_TRUE(grid("ijkengrid").edit(1, 101, "88.888"));
        ASSERT_TRUE(click_in(*ijk, "afsluiten"));
        ASSERT_TRUE(click_menu("Invoer1"));  // the same ship keeps its rows
        EXPECT_EQ(grid("ijkengrid").cell(1, 101), "88.888");
        ASSERT_TRUE(click_in(*ijk, "afsluiten"));
        // Dummy 4 (no table, 0 to 250) starts empty; storing stores none of Dummy 1's rows.
        ASSERT_TRUE(run([&] { ship_item("Wijzigen1", "Dummy 4").click(); }));
        ASSERT_TRUE(click_menu(item));
        EXPECT_EQ(grid("dmklad").row_count() + grid("ijkengrid").row_count(), 4) << item;
        EXPECT_EQ(grid("dmklad").cell(1, 1) + grid("ijkengrid").cell(1, 1) + "/" +
                      text::format_int(ijk->first_cm()) + "-" + text::format_int(ijk->last_cm()),
                  "/0-250")
            << item;
        ASSERT_TRUE(click_in(*ijk, "opslaan"));
        ASSERT_TRUE(click_in(*ijk, "afsluiten"));
        EXPECT_TRUE(table(4).empty()) << item;
    }
}

TEST_F(Gauge, StoringAwayMostOfTheTableAsksFirst) {
    EXPECT_EQ((std::vector<bool>{loses_table(250, 124), loses_table(250, 125), loses_table(0, 0)}),
              (std::vector<bool>{true, false, false}));
    ASSERT_TRUE(click_menu("Invoer1"));  // a fresh start: empty grids
    const auto before = table(1);
    dialogs.answer(false);
    ASSERT_TRUE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(boxes(Kind::confirm),
              std::vector<std::string>{"De opgeslagen IJK tabel heeft 250 regels; opslaan "
                                       "vervangt ze door 0 regels.\n\nToch opslaan zoals hij is?"});
    EXPECT_TRUE(questions_default_to_no());
    EXPECT_EQ(table(1), before);
}

TEST_F(Gauge, ARangeTheCentimetreTableWasNotMadeForIsNotStored) {
    ASSERT_TRUE(click_menu("meetbriefwijzigen"));  // 50 to 249
    set(*ijk, "laatstecm_t", "300");
    EXPECT_FALSE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(boxes(Kind::error),
              std::vector<std::string>{"De IJK tabel is gemaakt van 50 tot 249 cm, maar de 1ste "
                                       "ingevulde CM en de laatste CM zijn nu 50 en 300. Maak de CM "
                                       "tabel opnieuw, of zet ze terug; er is niets opgeslagen."});
    EXPECT_EQ(ship_column(1, "Max_inzinking"), "251");
    // Made again for 245, the range stores with its rows.
    set(*ijk, "laatstecm_t", "245");
    ASSERT_TRUE(click_in(*ijk, "maakdm_tabel"));
    ASSERT_TRUE(click_in(*ijk, "button1"));
    EXPECT_TRUE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(ship_column(1, "Max_inzinking") + " " + table(1).back(), "245 245=363.8");

    // In a French interface the refusal is French.
    ASSERT_TRUE(click_menu("FR1"));
    dialogs.clear();
    set(*ijk, "laatstecm_t", "300");
    EXPECT_FALSE(click_in(*ijk, "opslaan"));
    EXPECT_EQ(boxes(Kind::error),
              std::vector<std::string>{"Le tableau \xE9" "chelles a \xE9t\xE9 fait de 50 \xE0 245 cm, mais le 1er CM "
                                       "import\xE9 et le dernier CM sont maintenant 50 et 300. Refaites le tableau "
                                       "CM, ou remettez-les ; rien n'a \xE9t\xE9 enregistr\xE9."});
}

}  // namespace
}  // namespace ijken::shipdata::test
