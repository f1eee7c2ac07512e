// The survey list: its tonnages are the main window's (computed from one read of the gauge table,
// which the list never extends in the database), it sorts and filters, and opening a row shows
// that survey in the main window.
#include "core/main_window/survey_list_form.h"

#include "core/program/program_windows.h"
#include "core/survey/gauge_lookup.h"
#include "core/text/numbers.h"
#include "form1_fixture.h"

namespace ijken::survey::test {
namespace {

class SurveyList : public Form1Fixture {
  protected:
    void SetUp() override {
        Form1Fixture::SetUp();
        form->services.modal = &modal;
        ijken::program::create_windows(*form);
        list_window = form->window<SurveyListForm>();
        ASSERT_NE(list_window, nullptr);
        // Entry times a day apart, Grain Coop 1 the oldest, so that the order is settled.
        sql("update IJkOpnames set InvoerDatum=datetime('2024-03-0' || substr(Verlader_Naam, 12, 1) || ' "
            "10:00:00')");
    }
    // A survey of Dummy 1 with every empty reading e and every loaded reading v.
    void add_survey(const std::string& name, const std::string& e, const std::string& v,
                    const std::string& when, const std::string& cargo = "Tarwe") {
        std::string cols = "Schipid,Verlader_Naam,Ontvanger_Naam,Lading,ZoutCorrectie,InvoerDatum";
        std::string vals = "1,'" + name + "','Ontvanger " + name + "','" + cargo + "',1.025,'" + when + "'";
        for (const char* p : {"BBL_", "SBL_", "BBV_", "SBV_"}) {
            for (int i = 1; i <= 5; ++i) {
                cols += std::string(",") + p + std::to_string(i);
                vals += ",'" + std::string(p[2] == 'L' ? e : v) + "'";
            }
        }
        sql("insert into IJkOpnames(" + cols + ") values (" + vals + ")");
    }
    bool open_list() {
        return forms::dispatch(dialogs,
                               [&] { ASSERT_TRUE(form->get<forms::MenuItem>("Opnamelijst1").click()); });
    }
    forms::StringGrid& grid() const { return list_window->get<forms::StringGrid>("lijst"); }
    std::vector<std::string> column(int col) const {
        std::vector<std::string> v;
        for (int r = 1; r < grid().row_count(); ++r) v.push_back(grid().cell(col, r));
        return v;
    }

    forms::ScriptedModalDisplay modal;
    SurveyListForm* list_window = nullptr;
};

TEST_F(SurveyList, TonnagesAreTheMainWindowsAndTheTableIsNotExtended) {
    // Inside the table, above it (a negative mean reading), a reading that cannot be held, and a
    // comma as decimal point. The seeded empty readings lie below the table.
    add_survey("Boven", "200", "-7.25", "2024-03-05 10:00:00");
    add_survey("Midden", "150,5", "33.3", "2024-03-06 10:00:00");
    // The oldest, so that the main window opens it last.
    add_survey("Kapot", "1", "99999999999999999999", "2024-02-07 10:00:00");
    add_survey("Laag", "249", "30", "2024-03-08 10:00:00");
    const long long rows = count("select count(*) from IJKtable where SchipID=1");
    ASSERT_EQ(count("select count(*) from IJKtable where Tonnage<0"), 0);

    ASSERT_TRUE(open_list());
    EXPECT_TRUE(list_window->visible());
    EXPECT_FALSE(list_window->modal());
    EXPECT_TRUE(form->visible());
    EXPECT_EQ(count("select count(*) from IJKtable where SchipID=1"), rows);
    EXPECT_EQ(count("select count(*) from IJKtable where Tonnage<0"), 0);

    // Newest first; the main window shows each one as it would after browsing to it (extending
    // the stored table on the way, as designed).
    const std::vector<int> ids = list_window->shown_surveys();
    ASSERT_EQ(ids.size(), 7u);
    const std::vector<std::string> shown = column(SurveyListForm::loaded);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::size_t errors = boxes(Kind::error).size();
        EXPECT_TRUE(forms::dispatch(dialogs, [&] { ASSERT_TRUE(form->session().show_survey(ids[i])); }));
        const std::string name = text("Verlader_Naam");
        // The survey that cannot be computed is shown with empty cells, and said so.
        EXPECT_EQ(shown[i], cell("e42")) << name;
        EXPECT_EQ(boxes(Kind::error).size(), errors + (name == "Kapot" ? 1 : 0)) << name;
    }
    EXPECT_GT(count("select count(*) from IJKtable where Tonnage<0"), 0);  // the main window did extend

    // The copy computes the same from the extended table too.
    MemoryGaugeTable kopie = MemoryGaugeTable::read(dir.db_path(), 1);
    SurveyInput input;
    for (std::size_t i = 0; i < 20; ++i) input.readings[i] = i < 10 ? "251.5" : "-20";
    EXPECT_EQ(recompute(kopie, form->session().survey().ship_params(), input).cells.e42,
              recompute(dir.db_path(), form->session().survey().ship_params(), input).cells.e42);
}

TEST_F(SurveyList, SortsFiltersAndShowsTheOpenedSurveyInTheMainWindow) {
    add_survey("\xC9lan", "225", "25", "2024-03-04 10:00:00", "ma\xEFs");
    ASSERT_TRUE(open_list());
    auto names = [&] { return column(SurveyListForm::shipper); };
    EXPECT_EQ(names(), (std::vector<std::string>{"\xC9lan", "Grain Coop 3", "Grain Coop 2", "Grain Coop 1"}));
    EXPECT_EQ(grid().cell(0, 0), "Datum");
    EXPECT_EQ(std::pair(grid().sort_column(), grid().sort_ascending()), std::pair(0, false));
    EXPECT_EQ(list_window->get<forms::Label>("aantal").caption(), "4 van 4 opnames");

    // A click on a header sorts by it, a second click turns the order round; a header row is
    // never opened.
    ASSERT_TRUE(grid().click_header(SurveyListForm::shipper));
    EXPECT_EQ(names(), (std::vector<std::string>{"Grain Coop 1", "Grain Coop 2", "Grain Coop 3", "\xC9lan"}));
    EXPECT_EQ(grid().cell(1, 0), "Verlader");
    EXPECT_EQ(std::pair(grid().sort_column(), grid().sort_ascending()), std::pair(1, true));
    ASSERT_TRUE(grid().click_header(SurveyListForm::shipper));
    EXPECT_EQ(names().front(), "\xC9lan");
    ASSERT_TRUE(grid().click_header(SurveyListForm::loaded));
    const auto tonnages = column(SurveyListForm::loaded);
    for (std::size_t i = 1; i < tonnages.size(); ++i)
        EXPECT_GE(*text::parse_double(tonnages[i - 1]), *text::parse_double(tonnages[i])) << i;
    EXPECT_FALSE(grid().activate(0));

    // The search ignores case, also of accented letters, and looks in every column.
    list_window->get<forms::Edit>("zoek").set_text("coop 2");
    EXPECT_EQ(names(), std::vector<std::string>{"Grain Coop 2"});
    EXPECT_EQ(list_window->get<forms::Label>("aantal").caption(), "1 van 4 opnames");
    list_window->get<forms::Edit>("zoek").set_text("MA\xCFS");
    EXPECT_EQ(names(), std::vector<std::string>{"\xC9lan"});
    list_window->get<forms::Edit>("zoek").set_text("2024-03-02");
    EXPECT_EQ(names(), std::vector<std::string>{"Grain Coop 2"});
    EXPECT_EQ(grid().selected_row(), 1);

    // Opening the row shows that survey in the main window, which stays visible beside the list.
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { ASSERT_TRUE(grid().activate(1)); }));
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 2");
    EXPECT_EQ(text("ijk_bb_l_1"), "225");
    EXPECT_TRUE(form->visible());
    EXPECT_TRUE(list_window->visible());
    EXPECT_EQ(buttons().substr(0, 2), "<>");  // the middle of three, both ways open

    // A survey deleted meanwhile: said plainly, and the list is read again.
    list_window->get<forms::Edit>("zoek").set_text("");
    const int first = list_window->shown_surveys().front();
    sql("delete from IJkOpnames where Opnameid=" + std::to_string(first));
    EXPECT_FALSE(forms::dispatch(dialogs, [&] { grid().activate(1); }));
    ASSERT_EQ(boxes(Kind::error).size(), 1u);
    EXPECT_NE(boxes(Kind::error)[0].find("bestaat niet meer"), std::string::npos);
    EXPECT_EQ(list_window->shown_surveys().size(), 3u);
}

// A tonnage that rests on no row of the table: the line below the list says so for the selected
// survey, in the interface language, and is gone for a survey without one.
TEST_F(SurveyList, SaysWhenASelectedTonnageRestsOnNoTableRow) {
    sql("delete from IJKtable where SchipID=1 and Inzinking between 100 and 110");
    // Five readings of 87.3 on a ship of three points: empty immersion 251 - 145.5 = 105.5.
    add_survey("Gat", "87.3", "20", "2024-03-09 10:00:00");
    ASSERT_TRUE(open_list());
    ASSERT_EQ(grid().cell(1, 1), "Gat");
    auto& line = list_window->get<forms::Label>("waarschuwing");
    EXPECT_TRUE(line.visible());
    EXPECT_EQ(line.caption(), "Leeg: geen ijktabelrij bij 105 cm: tonnage als 0 t gelezen");
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { grid().user_selected_row(2); }));
    EXPECT_FALSE(line.visible());
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { grid().user_selected_row(1); }));
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->session().switch_language(2); }));
    EXPECT_EQ(line.caption(), "Vide: pas de ligne du tableau \340 105 cm : tonnage lu comme 0 t");
}

}  // namespace
}  // namespace ijken::survey::test
