// The main window against hostile texts in each of its fields and against databases it cannot use.
#include "hostile/hostile_fixture.h"

namespace ijken::hostile::test {
namespace {

class Form1Hostile : public HostileFixture, public ::testing::WithParamInterface<Hostile> {};

// Each field of the survey gets the text and the survey is saved: it is stored exactly as typed,
// or refused with a message and nothing changes. Either way the program starts again on the file.
TEST_P(Form1Hostile, EveryFieldThenSave) {
    const std::string& text = GetParam().text;
    std::vector<std::pair<std::string, std::string>> fields = {
        {"Verlader_Naam", "Verlader_Naam"},         {"Verlader_Plaats", "Verlader_Plaats"},
        {"Verlader_telefoon", "Verlader_Telefoon"}, {"Ontvanger_naam", "Ontvanger_Naam"},
        {"Ontvanger_plaats", "Ontvanger_Plaats"},   {"Ontvanger_telefoon", "Ontvanger_Telefoon"},
        {"Lading", "Lading"},                       {"ZoutMaskEdit", "ZoutCorrectie"}};
    for (std::size_t i = 0; i < 20; ++i)
        fields.emplace_back(form->reading_fields()[i]->name(), survey::Form1::reading_columns()[i]);

    for (const auto& [field, column] : fields) {
        SCOPED_TRACE(field);
        restore();
        const int survey = form->session().current_survey();
        ASSERT_GT(survey, 0);
        const std::string before = dump();
        const std::string shipper = stored(survey, "Verlader_Naam"), cargo = stored(survey, "Lading");
        act(field + " typed", [&] { form->get<forms::Edit>(field).set_text(text); });
        // What the field holds after typing (a masked field keeps only what its mask lets in).
        const std::string held = form->get<forms::Edit>(field).text();
        const bool saved = act(field + " saved", [&] { form->sltb_saveclick(); });
        EXPECT_EQ(integrity(), "ok");
        if (!saved) {
            EXPECT_EQ(dump(), before) << "a refused save changed the database";
            continue;
        }
        if (column != "ZoutCorrectie") {
            EXPECT_EQ(stored(survey, column), as_read_back(held)) << "stored otherwise than typed";
        } else {
            // The correction factor is a number column: what it holds is a finite number.
            const auto factor = text::parse_double(stored(survey, column));
            EXPECT_TRUE(factor.has_value()) << stored(survey, column);
        }
        // The other fields keep what they held.
        if (column != "Verlader_Naam") {
            EXPECT_EQ(stored(survey, "Verlader_Naam"), shipper);
        }
        if (column != "Lading") {
            EXPECT_EQ(stored(survey, "Lading"), cargo);
        }
        // The result cells show numbers, never "nan" or "inf".
        for (const char* cell : {"e01", "e02", "e31", "e32", "e52"}) {
            const std::string shown = this->cell(cell);
            EXPECT_EQ(shown.find_first_of("nN"), std::string::npos) << cell << " shows " << shown;
        }
        expect_restart(field);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, Form1Hostile, ::testing::ValuesIn(hostile_texts()), hostile_name);

class Form1Database : public HostileFixture, public ::testing::WithParamInterface<DbState> {};

// Every operation of the main window that reads or writes the database.
TEST_P(Form1Database, EveryOperation) {
    const std::vector<Operation> operations = {
        {"start", nullptr,
         [&] {
             survey::Form1 fresh(dir.dir(), dialogs);
             fresh.formcreate();
         }},
        {"add", [&] { form->get<forms::Edit>("Lading").set_text("Tarwe 'x'"); }, [&] { form->sltb_addclick(); }},
        {"save", [&] { form->get<forms::Edit>("Lading").set_text("Gerst"); }, [&] { form->sltb_saveclick(); }},
        {"delete", [&] { dialogs.answer(true); }, [&] { form->sltb_delclick(); }},
        {"select ship", nullptr, [&] { form->maakschepenmenuclick(ship_item("Wijzigen1", "Dummy 2")); }},
        {"language", nullptr, [&] { form->FR1Click(); }},
        {"reading", nullptr, [&] { form->reading('b', 'l', 1).set_text("123"); }},
    };
    for (const Operation& op : operations) check_operation(op, GetParam());
}

INSTANTIATE_TEST_SUITE_P(States, Form1Database, ::testing::ValuesIn(all_states()), state_param_name);

}  // namespace
}  // namespace ijken::hostile::test
