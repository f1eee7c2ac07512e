// The main window's start, its layout of gauge points, the sliders and the recomputation wiring.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "core/program/program_windows.h"
#include "core/report/print_form.h"
#include "core/survey/ship_drawing.h"
#include "form1_fixture.h"

namespace ijken::survey::test {
namespace {

using Form1Startup = Form1Fixture;

TEST(Form1FirstStart, CreatesTheDatabaseAndShowsTheNewestSeededSurvey) {
    ijken::testing::TempDir dir;
    forms::ScriptedDialogs dialogs;
    Form1 form(dir.dir(), dialogs);
    ASSERT_FALSE(std::filesystem::exists(dir.db_path()));

    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form.formcreate(); }));
    form.show();

    EXPECT_TRUE(std::filesystem::exists(dir.db_path()));
    EXPECT_EQ(form.session().database(), dir.db_path());
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(form.caption(), "IJken");
    EXPECT_EQ(form.get<forms::Label>("LabelNaam").caption(), "Dummy 1");
    EXPECT_EQ(form.get<forms::Label>("LabelMeetbrief").caption(), "BR12345");
    EXPECT_EQ(form.get<forms::MenuItem>("Naam1").caption(), "Dummy 1");
    EXPECT_EQ(form.session().survey().ship_params().Min_inzinking, 51);

    EXPECT_EQ(form.get<forms::Edit>("Verlader_Naam").text(), "Grain Coop 3");
    EXPECT_EQ(form.get<forms::Edit>("ijk_bb_l_1").text(), "220");
    EXPECT_EQ(form.get<forms::Edit>("ijk_bb_l_2").text(), "0.0");
    EXPECT_EQ(form.get<forms::Edit>("ZoutMaskEdit").text(), "1.000");
    EXPECT_EQ(form.get<forms::RadioGroup>("TaalKeuze").item_index(), 0);
    EXPECT_EQ(form.session().current_survey(), 1);

    const std::pair<const char*, const char*> cells[] = {
        {"e00", "Totaal"},  {"e10", "Gemiddeld"},      {"e20", "Inzinking"}, {"e30", "Tonnage"},
        {"e40", "geladen"}, {"e50", "Zout correctie"}, {"e01", "1200.0"},    {"e11", "200.0"},
        {"e21", "51.0"},    {"e31", "3.410"},          {"e02", "120.0"},     {"e12", "20.0"},
        {"e22", "231.0"},   {"e32", "328.172"},        {"e42", "324.762"},   {"e52", "324.762"},
    };
    for (const auto& [name, caption] : cells)
        EXPECT_EQ(form.get<forms::Label>(name).caption(), caption) << name;
    EXPECT_DOUBLE_EQ(form.session().survey().resultaat_vol.tonnage, 328.172);

    // Newest of three: back is possible, forward is not; nothing to save until something changes.
    EXPECT_TRUE(form.get<forms::Button>("sltb_prev").enabled());
    EXPECT_FALSE(form.get<forms::Button>("sltb_next").enabled());
    EXPECT_TRUE(form.get<forms::Button>("sltb_del").enabled());
    EXPECT_FALSE(form.get<forms::Button>("sltb_save").enabled());
    EXPECT_FALSE(form.get<forms::Button>("sltb_add").enabled());
}

TEST(Form1FirstStart, ADatabaseThatCannotBeCreatedIsReportedAndTheWindowStillShows) {
    ijken::testing::TempDir dir;
    forms::ScriptedDialogs dialogs;
    Form1 form((dir.path() / "no such folder").string() + "/", dialogs);

    EXPECT_FALSE(forms::dispatch(dialogs, [&] { form.formcreate(); }));
    ASSERT_EQ(dialogs.texts(Kind::error).size(), 1u);
    EXPECT_NE(dialogs.texts(Kind::error)[0].find("Failed to open database"), std::string::npos)
        << dialogs.texts(Kind::error)[0];
    // The steps before the failure took effect, the rest was skipped.
    EXPECT_EQ(form.get<forms::Label>("e50").caption(), "Zout correctie");
    EXPECT_EQ(form.get<forms::Label>("LabelNaam").caption(), "");

    EXPECT_TRUE(forms::dispatch(dialogs, [&] { form.show(); }));
    EXPECT_TRUE(form.visible());
    EXPECT_EQ(form.session().current_survey(), Form1::kNoSurvey);
    for (const char* b : {"sltb_prev", "sltb_next", "sltb_del", "sltb_save", "sltb_add"}) {
        EXPECT_FALSE(form.get<forms::Button>(b).enabled()) << b;
    }
}

// A survey stored with a reading too large to compute with does not stop the start half-way: it
// is shown whole with empty result cells, reported once, and every window is translated. Browsing
// to it again reports it again; showing the window again does not.
TEST(Form1FirstStart, AStoredReadingTooLargeIsReportedOnceAndStartUpGoesOn) {
    ijken::testing::TempDir dir;
    data::create_database_if_missing(dir.db_path());
    data::SQLiteDatabase(dir.db_path()).Execute("update IJkOpnames set BBL_2='1e20', SBV_3='21' where Opnameid=1");
    forms::ScriptedDialogs dialogs;
    Form1 form(dir.dir(), dialogs);
    auto run = [&](std::initializer_list<std::function<void()>> steps) {
        for (const auto& step : steps) forms::dispatch(dialogs, step);
    };
    run({[&] { form.formcreate(); }, [&] { ijken::program::create_windows(form); }, [&] { form.show(); }});
    EXPECT_EQ(dialogs.texts(Kind::error), std::vector<std::string>{"De aflezing \"1e20\" is te groot om mee te rekenen"});
    EXPECT_EQ(form.session().current_survey(), 1);
    EXPECT_EQ(form.get<forms::Edit>("ijk_sb_v_3").text(), "21");
    for (const char* cell : {"e01", "e12", "e22", "e32", "e42", "e52"})
        EXPECT_EQ(form.get<forms::Label>(cell).caption(), "") << cell;
    EXPECT_EQ(form.window<report::Print_form>()->caption(), "Afdrukken");
    run({[&] { form.sltb_prevclick(); }, [&] { form.sltb_nextclick(); }, [&] { form.hide(); },
         [&] { form.show(); }});
    EXPECT_EQ(dialogs.texts(Kind::error).size(), 2u);
    EXPECT_EQ(form.get<forms::Label>("e42").caption(), "");
}

TEST_F(Form1Startup, GaugePointsInUseFollowTheShip) {
    auto panel_visible = [&](const char* prefix, int point) {
        return form->get<forms::Panel>(std::string(prefix) + "_" + std::to_string(point)).visible();
    };
    struct Case {
        int points;
        std::array<bool, 5> shown;
    };
    const Case cases[] = {{3, {true, false, true, false, true}},
                          {4, {true, true, false, true, true}},
                          {1, {false, false, true, false, false}},
                          {5, {true, true, true, true, true}}};
    for (const Case& c : cases) {
        sql("update Schiptable set Aantal_ijken=" + text::format_int(c.points) + " where SchipID=1");
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->laad_schip(); }));
        EXPECT_EQ(form->session().survey().Aantal_ijken, c.points);
        // The ship pictures mark the same points on the port side.
        forms::RecordingPainter painter;
        form->get<forms::Drawing>("Image1").render(painter);
        for (int point = 1; point <= 5; ++point) {
            const std::string mark = "line 1 " + std::to_string(kGaugeMarkY[point - 1]);
            const auto n = std::count_if(painter.calls().begin(), painter.calls().end(),
                                         [&](const std::string& call) { return call.rfind(mark, 0) == 0; });
            EXPECT_EQ(n, c.shown[point - 1] ? 1 : 0) << "mark " << point << " with " << c.points << " points";
        }
        for (int point = 1; point <= 5; ++point) {
            for (const char* prefix : {"lb_bb", "lb_sb", "lg_bb", "lg_sb"}) {
                EXPECT_EQ(panel_visible(prefix, point), c.shown[point - 1])
                    << prefix << " " << point << " with " << c.points << " points";
            }
        }
    }
}

TEST_F(Form1Startup, LayoutStepZeroesEveryReadingAndRecomputes) {
    type("ZoutMaskEdit", "1.025");
    EXPECT_EQ(cell("e52"), "332.881");
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->zet_ijkpunten(); }));
    for (forms::Edit* field : form->reading_fields()) EXPECT_EQ(field->text(), "0") << field->name();
    // All readings 0: the immersion is the maximum, 251, which has no row on Dummy 1.
    EXPECT_EQ(cell("e21"), "251.0");
    EXPECT_EQ(cell("e31"), "0.000");
    EXPECT_EQ(cell("e42"), "0.000");
    EXPECT_TRUE(enabled("sltb_save"));
    EXPECT_TRUE(enabled("sltb_add"));
}

TEST_F(Form1Startup, SlidersWriteTheReadingsOfThePointsInUse) {
    auto& leeg = form->get<forms::Slider>("TrackbarLeeg");
    EXPECT_EQ(leeg.maximum(), 251);
    EXPECT_EQ(leeg.position(), 251);
    // The stored survey left points 2 and 4 at "0.0"; the slider leaves them alone.
    ASSERT_TRUE(slide("TrackbarLeeg", 31));
    for (const char* side : {"bb", "sb"}) {
        for (int point : {1, 3, 5})
            EXPECT_EQ(text(std::string("ijk_") + side + "_l_" + std::to_string(point)), "220");
        for (int point : {2, 4})
            EXPECT_EQ(text(std::string("ijk_") + side + "_l_" + std::to_string(point)), "0.0");
        EXPECT_EQ(text(std::string("ijk_") + side + "_v_1"), "20");
    }
    EXPECT_EQ(cell("e01"), "1320.0");
    EXPECT_EQ(cell("e11"), "220.0");

    ASSERT_TRUE(slide("TrackBarVol", 0));
    EXPECT_EQ(text("ijk_sb_v_3"), "251");
    EXPECT_EQ(text("ijk_bb_v_5"), "251");
    EXPECT_EQ(text("ijk_bb_v_2"), "0.0");
    EXPECT_EQ(cell("e22"), "0.0");
    // Typing a reading does not move the slider.
    type("ijk_bb_v_1", "100");
    EXPECT_EQ(form->get<forms::Slider>("TrackBarVol").position(), 0);
}

// No cell may show the figures of other readings than the ones beside it: a reading that cannot
// be computed empties every result cell (typing 1e300 passes 1e3, then 1e30 fails).
TEST_F(Form1Startup, AReadingTooLargeToHoldIsReportedAndTheCellsAreEmptied) {
    type("ijk_sb_l_3", "201");
    ASSERT_EQ(cell("e01"), "1201.0");
    ASSERT_TRUE(type("ijk_bb_l_1", "1e3"));
    ASSERT_EQ(cell("e01"), "1981.0");

    EXPECT_FALSE(type("ijk_bb_l_1", "1e20"));
    ASSERT_EQ(boxes(Kind::error).size(), 1u);
    EXPECT_EQ(text("ijk_bb_l_1"), "1e20");
    for (const char* name : {"e01", "e02", "e11", "e12", "e21", "e22", "e31", "e32", "e42", "e52"})
        EXPECT_EQ(cell(name), "") << name;
    EXPECT_EQ(form->session().survey().resultaat_leeg.totaal, 0.0);
    EXPECT_EQ(form->session().survey().resultaat_vol.totaal, 0.0);
    EXPECT_FALSE(form->get<forms::Label>("LabelWaarschuwing").visible());

    // The next good reading recomputes as usual.
    EXPECT_TRUE(type("ijk_bb_l_1", "220"));
    EXPECT_EQ(cell("e01"), "1201.0");
    EXPECT_TRUE(type("ijk_bb_l_1", "221"));
    EXPECT_EQ(cell("e01"), "1202.0");
}

TEST_F(Form1Startup, ShowingTheWindowAgainShowsTheNewestSurveyUnchanged) {
    click("sltb_prev");
    click("sltb_prev");
    ASSERT_EQ(text("Verlader_Naam"), "Grain Coop 1");
    type("ijk_bb_l_3", "150");
    form->hide();
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->show(); }));
    EXPECT_EQ(text("Verlader_Naam"), "Grain Coop 3");
    EXPECT_EQ(text("ijk_bb_l_3"), "200");
    EXPECT_EQ(cell("e42"), "324.762");
    EXPECT_EQ(buttons(), "<-x--");
}

TEST_F(Form1Startup, MenuItemsDoNotFailAndEindeQuits) {
    int quits = 0;
    form->set_quit([&] { ++quits; });
    std::vector<forms::MenuItem*> items;
    for (forms::Control* c : form->controls()) {
        // The designed items; the ships of the run-time submenus have tests of their own (a click
        // there rebuilds the submenus).
        if (c->kind() == forms::ControlKind::menu_item && !c->name().empty())
            items.push_back(static_cast<forms::MenuItem*>(c));
    }
    EXPECT_GE(items.size(), 16u);
    for (forms::MenuItem* item : items) {
        EXPECT_TRUE(forms::dispatch(dialogs, [&] { item->click(); })) << item->name();
    }
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(form->get<forms::MenuItem>("Einde1").shortcut(), "Ctrl+Q");
    EXPECT_TRUE(dialogs.shown().empty());
}

// The database read ahead on another thread gives the window it would have had without: on a
// second ship chosen, on the first start (nothing to read ahead yet), and after a read ahead that
// failed.
TEST(Form1ReadAhead, GivesTheSameWindowAsReadingAtStart) {
    // Ship, survey shown, surveys, ships to choose and to delete, boxes shown.
    auto started = [](const std::string& dir, std::future<OpeningRead>* ahead) {
        forms::ScriptedDialogs dialogs;
        Form1 form(dir, dialogs);
        if (ahead != nullptr) form.read_ahead(std::move(*ahead));
        EXPECT_TRUE(forms::dispatch(dialogs, [&] { form.formcreate(); }));
        form.show();
        return std::vector<std::size_t>{static_cast<std::size_t>(form.session().survey().ship_params().SchipID),
                                        static_cast<std::size_t>(form.session().current_survey()),
                                        static_cast<std::size_t>(form.session().survey_count()),
                                        form.get<forms::MenuItem>("Wijzigen1").items().size(),
                                        form.get<forms::MenuItem>("Verwijderen1").items().size(),
                                        dialogs.shown().size()};
    };
    enum class Ahead { read, before_database, failed };
    for (const Ahead kind : {Ahead::read, Ahead::before_database, Ahead::failed}) {
        SCOPED_TRACE(static_cast<int>(kind));
        ijken::testing::TempDir dir;
        if (kind != Ahead::before_database) {
            data::create_database_if_missing(dir.db_path());
            data::SQLiteDatabase db(dir.db_path());
            db.Execute("UPDATE Schiptable SET Selected=(SchipID=2)");
            db.Execute("UPDATE IJkOpnames SET Schipid=2 WHERE Opnameid<>1");
        }
        auto ahead = read_opening_ahead(kind == Ahead::failed ? dir.dir() + "elsewhere.db" : dir.db_path());
        const auto with_ahead = started(dir.dir(), &ahead);
        EXPECT_EQ(with_ahead, started(dir.dir(), nullptr));
        EXPECT_EQ(with_ahead[0], kind == Ahead::before_database ? 1u : 2u);
        EXPECT_EQ(with_ahead[2], kind == Ahead::before_database ? 3u : 2u);
    }
}

TEST(ShipDrawing, StaysInsideItsPictureAndShowsTheCargoOnlyWhenLoaded) {
    for (auto [w, h] : {std::pair{80, 307}, std::pair{160, 614}, std::pair{40, 100}}) {
        forms::RecordingPainter empty, loaded;
        paint_ship(empty, w, h, HoldState::empty);
        paint_ship(loaded, w, h, HoldState::loaded);
        EXPECT_NE(empty.calls(), loaded.calls());
        for (const std::string& call : loaded.calls()) {
            // Points of lines and polygons, corners of rectangles: all within the picture.
            std::istringstream in(call);
            std::string op;
            in >> op;
            std::vector<int> v;
            for (int n; in >> n;) v.push_back(n);
            if (op == "rect" || op == "ellipse") v = {v[0], v[1], v[0] + v[2], v[1] + v[3]};
            if (op != "line" && op != "polygon" && op != "rect" && op != "ellipse") continue;
            for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
                EXPECT_TRUE(v[i] >= 0 && v[i] <= w && v[i + 1] >= 0 && v[i + 1] <= h) << call;
            }
        }
    }
}

}  // namespace
}  // namespace ijken::survey::test
