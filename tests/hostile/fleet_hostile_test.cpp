// The ship particulars and gauge table windows against hostile texts in each field and cell, and
// against databases they cannot use.
#include "hostile/hostile_fixture.h"

namespace ijken::hostile::test {
namespace {

class FleetHostile : public HostileFixture, public ::testing::WithParamInterface<Hostile> {
  protected:
    // No stored tonnage that is not a finite number, and a range the up-downs can hold.
    void expect_sound_table() {
        EXPECT_EQ(count("select count(*) from IJKtable where typeof(Tonnage) not in ('real','integer') "
                        "or abs(Tonnage) > 1e9 or typeof(Inzinking) <> 'integer'"),
                  0);
        EXPECT_EQ(count("select count(*) from Schiptable where Min_inzinking not between 0 and 500 "
                        "or Max_inzinking not between 0 and 500"),
                  0);
    }
};

// Each field of the ship particulars, saved on the selected ship.
TEST_P(FleetHostile, ShipParticularsEveryFieldThenSave) {
    const std::string& text = GetParam().text;
    std::vector<std::pair<std::string, std::string>> fields = {{"meetbrief", "Meetbrief_NR"}, {"naam_veld", "name"}};
    for (int i = 1; i <= 8; ++i) fields.emplace_back("veld" + std::to_string(i), "veld" + std::to_string(i));
    for (const auto& [field, column] : fields) {
        SCOPED_TRACE(field);
        restore();
        const std::string before = dump();
        ASSERT_TRUE(click_menu("ScheepsGegevens"));
        ASSERT_TRUE(schip->visible());
        act(field + " typed", [&] { schip->get<forms::Edit>(field).set_text(text); });
        const bool saved = act(field + " saved", [&] { ASSERT_TRUE(schip->get<forms::Button>("opslaan").click()); });
        EXPECT_FALSE(schip->visible()) << "the window stays open";
        EXPECT_EQ(integrity(), "ok");
        if (!saved) {
            EXPECT_EQ(dump(), before) << "a refused save changed the database";
            continue;
        }
        EXPECT_EQ(ship_column(1, column), as_read_back(text)) << "stored otherwise than typed";
        if (field == "naam_veld") {
            EXPECT_EQ(cell("LabelNaam"), as_read_back(text));
        }
        expect_restart(field);
    }
}

// The gauge table: the two centimetre fields, a decimetre tonnage, a centimetre's tonnage and its
// immersion, each followed by what the user does next, then storing the table.
TEST_P(FleetHostile, GaugeTableEveryCellThenStore) {
    const std::string& text = GetParam().text;
    struct Cell {
        const char* name;
        std::function<void()> type;
        const char* next;  // the button pressed before storing, or null
    };
    const std::vector<Cell> cells = {
        {"first cm", [&] { ijk->get<forms::Edit>("eerstecm_t").set_text(text); }, "maakdm_tabel"},
        {"last cm", [&] { ijk->get<forms::Edit>("laatstecm_t").set_text(text); }, "maakdm_tabel"},
        {"decimetre tonnage", [&] { grid("dmklad").set_cell(1, 3, text); }, "button1"},
        {"centimetre tonnage", [&] { grid("ijkengrid").set_cell(1, 100, text); }, nullptr},
        {"centimetre immersion", [&] { grid("ijkengrid").set_cell(0, 100, text); }, nullptr},
    };
    for (const Cell& c : cells) {
        SCOPED_TRACE(c.name);
        restore();
        const std::string before = dump();
        ASSERT_TRUE(run([&] { ijk->OpenForEdit(); }));
        const std::vector<std::string> stored_table = table(1);
        act(std::string(c.name) + " typed", c.type);
        bool next_ok = true;
        if (c.next) next_ok = act(c.next, [&] { ASSERT_TRUE(ijk->get<forms::Button>(c.next).click()); });
        // A table that looks mistyped is questioned before it is stored; the user stores it anyway.
        if (dialogs.unused_answers() == 0) dialogs.answer(true);
        const bool saved = act("store", [&] { ASSERT_TRUE(ijk->get<forms::Button>("opslaan").click()); });
        EXPECT_EQ(integrity(), "ok");
        if (!saved) {
            EXPECT_EQ(dump(), before) << "a refused table changed the database";
        } else {
            expect_sound_table();
            // A refused expansion leaves the stored table as it was.
            if (!next_ok) {
                EXPECT_EQ(table(1), stored_table);
            }
        }
        run([&] { ijk->close(); });
        expect_restart(c.name);
        // The table that is stored still computes.
        EXPECT_TRUE(act("a reading after", [&] { form->reading('b', 'l', 1).set_text("150"); }));
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, FleetHostile, ::testing::ValuesIn(hostile_texts()), hostile_name);

class FleetDatabase : public HostileFixture, public ::testing::WithParamInterface<DbState> {};

TEST_P(FleetDatabase, ShipParticularsOperations) {
    const std::vector<Operation> operations = {
        {"open the selected ship", nullptr, [&] { schip->OpenSelected(); }},
        {"save the selected ship",
         [&] {
             schip->OpenSelected();
             schip->get<forms::Edit>("naam_veld").set_text("Nieuwe naam");
         },
         [&] { ASSERT_TRUE(schip->get<forms::Button>("opslaan").click()); }},
        {"save a new ship",
         [&] {
             schip->OpenNew();
             schip->get<forms::Edit>("naam_veld").set_text("Nog een schip");
         },
         [&] { ASSERT_TRUE(schip->get<forms::Button>("opslaan").click()); }},
    };
    for (const Operation& op : operations) check_operation(op, GetParam());
}

TEST_P(FleetDatabase, GaugeTableOperations) {
    const std::vector<Operation> operations = {
        {"open the stored table", nullptr, [&] { ijk->OpenForEdit(); }},
        {"store the table", [&] { ijk->OpenForEdit(); },
         [&] { ASSERT_TRUE(ijk->get<forms::Button>("opslaan").click()); }},
    };
    for (const Operation& op : operations) check_operation(op, GetParam());
}

INSTANTIATE_TEST_SUITE_P(States, FleetDatabase, ::testing::ValuesIn(all_states()), state_param_name);

}  // namespace
}  // namespace ijken::hostile::test
