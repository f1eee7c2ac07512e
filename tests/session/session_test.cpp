// The session's use cases without a window: for each, the state after, what the observers heard,
// and what the database holds after.
#include "core/session/session.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/text/numbers.h"
#include "support/temp_dir.h"

namespace ijken::session {
namespace {

using C = Change;

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override { fresh(); }
    // The seeded database in a directory of its own, the session on its selected ship's newest
    // survey, nothing heard yet.
    void fresh() {
        session.reset();
        dir = std::make_unique<testing::TempDir>();
        data::create_database(db_path());
        session = std::make_unique<Session>(db_path());
        session->load_selected_ship();
        heard.clear();
        session->subscribe([this](Change c) { heard.push_back(c); });
    }
    std::string db_path() const { return dir->db_path(); }
    // One number from the database, read on a connection of its own.
    long long number(const std::string& sql) {
        data::SQLiteDatabase db(db_path(), data::OpenMode::existing);
        auto t = db.Query(sql);
        return t->RowCount() == 0 ? -1 : t->AsInteger(0);
    }
    long long surveys_of(int ship) {
        return number("select count(*) from IJkOpnames where Schipid=" + text::format_int(ship));
    }

    // One use case: what it does on a fresh session, what the observers hear, the state after.
    struct UseCase {
        const char* name;
        std::function<void(Session&)> act;
        std::vector<Change> heard;
        std::function<void()> check;
    };
    template <std::size_t N>
    void run(const UseCase (&cases)[N]) {
        for (const UseCase& c : cases) {
            SCOPED_TRACE(c.name);
            fresh();
            c.act(*session);
            EXPECT_EQ(heard, c.heard);
            c.check();
        }
    }

    std::unique_ptr<testing::TempDir> dir;
    std::unique_ptr<Session> session;
    std::vector<Change> heard;
};

// It starts on the selected ship's newest survey, computed; browsing moves from there.
TEST_F(SessionTest, StartsOnTheNewestSurveyAndBrowsingMovesTheCursor) {
    ASSERT_TRUE(session->ship());
    EXPECT_EQ(session->ship()->params.SchipID, 1);
    EXPECT_EQ(session->survey().parties[0], "Grain Coop 3");
    EXPECT_TRUE(session->at_last());
    EXPECT_EQ(session->failure(), "");
    EXPECT_NE(session->survey().resultaat_vol.tonnage, 0.0);
    ASSERT_GE(surveys_of(1), 3);
    const int newest = session->current_survey();
    session->show_first();
    EXPECT_TRUE(session->at_first());
    const int first = session->current_survey();
    session->show_previous();  // nothing before the first: nothing shown, nothing heard
    session->show_next();
    EXPECT_NE(session->current_survey(), first);
    session->show_last();
    EXPECT_EQ(session->current_survey(), newest);
    session->show_next();  // nothing after the last
    EXPECT_EQ(heard, (std::vector<Change>{C::survey_shown, C::results_recomputed, C::survey_shown,
                                          C::results_recomputed, C::survey_shown, C::results_recomputed}));
}

// Every use case that writes: one transaction each, and what it tells.
TEST_F(SessionTest, EachUseCaseWritesOnceAndTellsWhatChanged) {
    const long long surveys = surveys_of(1);
    const std::vector<std::string> ship_texts{"CERT-9", "Nova", "a", "b", "c", "d", "e", "f", "g", "h"};
    const UseCase cases[] = {
        {"change a reading", [](Session& s) { s.change_reading(10, "250"); }, {C::results_recomputed},
         [&] {
             EXPECT_EQ(session->survey().readings[10], "250");
             EXPECT_EQ(surveys_of(1), surveys);
         }},
        {"save the survey",
         [](Session& s) {
             s.change_party(0, "Saved Coop");
             s.save_survey();
         },
         {C::survey_shown, C::results_recomputed},
         [&] {
             EXPECT_EQ(session->survey().parties[0], "Saved Coop");
             EXPECT_EQ(number("select count(*) from IJkOpnames where Verlader_Naam='Saved Coop'"), 1);
             EXPECT_EQ(surveys_of(1), surveys);
         }},
        {"add a survey", [](Session& s) { s.add_survey(); }, {C::survey_shown, C::results_recomputed},
         [&] { EXPECT_EQ(surveys_of(1), surveys + 1); }},
        {"delete the survey", [](Session& s) { s.delete_survey(); }, {C::survey_shown, C::results_recomputed},
         [&] {
             EXPECT_EQ(surveys_of(1), surveys - 1);
             EXPECT_NE(session->survey().parties[0], "Grain Coop 3");
         }},
        {"store the selected ship's table",
         [](Session& s) { s.store_gauge_table(1, {{100, 0.0}, {200, 500.0}, {300, 1000.0}}, 100, 300); },
         {C::table_stored},
         [&] {
             EXPECT_EQ(number("select count(*) from IJKtable where SchipID=1"), 3);
             EXPECT_EQ(number("select Max_inzinking from Schiptable where SchipID=1"), 300);
             EXPECT_EQ(session->survey().Max_inzinking, 300);
         }},
        {"store another ship's table", [](Session& s) { s.store_gauge_table(2, {{10, 1.0}}, 10, 10); },
         {C::table_stored},
         [&] {
             EXPECT_EQ(number("select count(*) from IJKtable where SchipID=2"), 1);
             EXPECT_NE(session->survey().Max_inzinking, 10);
         }},
        {"create a ship", [&](Session& s) { s.create_ship({3, 1, ship_texts}); }, {C::ships_changed},
         [&] { EXPECT_EQ(number("select count(*) from Schiptable where Name='Nova'"), 1); }},
        {"delete another ship", [](Session& s) { s.delete_ship(2); }, {C::ships_changed, C::ship_deleted},
         [&] { EXPECT_EQ(number("select count(*) from Schiptable where SchipID=2"), 0); }},
        {"switch the language", [](Session& s) { s.switch_language(2); }, {C::language_switched},
         [&] {
             EXPECT_EQ(number("select taal from Schiptable where SchipID=1"), 2);
             EXPECT_EQ(session->language(), 2);
         }},
        {"select another ship", [](Session& s) { s.select_ship(3); },
         {C::survey_shown, C::results_recomputed, C::ship_changed, C::language_switched},
         [&] {
             EXPECT_EQ(number("select SchipID from Schiptable where Selected=1"), 3);
             EXPECT_EQ(session->ship()->params.SchipID, 3);
         }},
        {"store the ship's particulars", [&](Session& s) { s.store_particulars({5, 1, ship_texts}); },
         {C::survey_shown, C::results_recomputed, C::ship_changed, C::language_switched},
         [&] {
             EXPECT_EQ(number("select Aantal_ijken from Schiptable where SchipID=1"), 5);
             EXPECT_EQ(session->ship()->name, "Nova");
         }},
    };
    run(cases);
}

// An operation that fails leaves the database and the session as they were, and tells nothing.
TEST_F(SessionTest, AFailedOperationChangesNothing) {
    const long long surveys = surveys_of(1);
    const struct {
        const char* name;
        std::function<void(Session&)> act;
    } cases[] = {
        {"a reading too large to store",
         [](Session& s) {
             s.change_reading(0, "99999999999999999999");
             s.save_survey();
         }},
        {"the selected ship deleted", [](Session& s) { s.delete_ship(1); }},
        {"a ship with too few texts", [](Session& s) { s.create_ship({3, 1, {"only one"}}); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        const int shown = session->current_survey();
        EXPECT_ANY_THROW(c.act(*session));
        EXPECT_EQ(surveys_of(1), surveys);
        EXPECT_EQ(number("select count(*) from Schiptable"), 5);
        EXPECT_EQ(session->current_survey(), shown);
    }
}

// The use cases that write nothing (or only extend and clean the table): the state after and what
// they tell.
TEST_F(SessionTest, EachUseCaseThatShowsOrReadsTellsWhatChanged) {
    const UseCase cases[] = {
        {"show a survey by its number",
         [](Session& s) {
             s.show_first();
             const int first = s.current_survey();
             s.show_last();
             EXPECT_TRUE(s.show_survey(first));
         },
         {C::survey_shown, C::results_recomputed, C::survey_shown, C::results_recomputed, C::survey_shown,
          C::results_recomputed},
         [&] { EXPECT_TRUE(session->at_first()); }},
        {"a survey number the ship does not have", [](Session& s) { EXPECT_FALSE(s.show_survey(9999)); }, {},
         [&] { EXPECT_TRUE(session->at_last()); }},
        {"reset the readings", [](Session& s) { s.reset_readings(); }, {C::results_recomputed},
         [&] {
             for (const std::string& r : session->survey().readings) EXPECT_EQ(r, "0");
             EXPECT_EQ(session->failure(), "");
         }},
        {"choose the print language", [](Session& s) { s.set_print_language(2); }, {C::print_language_chosen},
         [&] { EXPECT_EQ(session->survey().print_language, 2); }},
        {"a reading too large to compute with",
         [](Session& s) { s.change_reading(0, "99999999999999999999"); }, {C::results_recomputed},
         [&] {
             EXPECT_NE(session->failure(), "");
             EXPECT_EQ(session->cells().e42, "");
             EXPECT_EQ(session->survey().resultaat_vol.tonnage, 0.0);
             EXPECT_ANY_THROW(session->rethrow_failure());
             session->change_reading(0, "150");
             EXPECT_EQ(session->failure(), "");
             EXPECT_NO_THROW(session->rethrow_failure());
             EXPECT_NE(session->cells().e42, "");
         }},
        {"a language without a file stays the one before", [](Session& s) { s.switch_language(3); },
         {C::language_switched},
         [&] {
             EXPECT_EQ(session->language(), 1);
             EXPECT_EQ(number("select taal from Schiptable where SchipID=1"), 1);
         }},
        {"the table for editing, its extension cleaned",
         [](Session& s) {
             // Empty, the ship floats higher than its table reaches: computing extends it below.
             for (std::size_t point : {0, 2, 4, 5, 7, 9}) s.change_reading(point, "203.5");
             ASSERT_EQ(s.failure(), "");
         },
         std::vector<Change>(6, C::results_recomputed),
         [&] {
             ASSERT_GT(number("select count(*) from IJKtable where SchipID=1 and Tonnage<0"), 0);
             const long long rows = session->stored_gauge_rows(1);
             const auto table = session->unextended_gauge_table(1, [] { return 0LL; });
             EXPECT_EQ(number("select count(*) from IJKtable where SchipID=1 and Tonnage<0"), 0);
             ASSERT_TRUE(table);
             EXPECT_EQ(table->first, 50);
             EXPECT_EQ(static_cast<long long>(table->rows.size()),
                       number("select count(*) from IJKtable where SchipID=1"));
             // The thirty rows below become zero rows of the table's own.
             EXPECT_EQ(session->stored_gauge_rows(1), rows + 30);
         }},
        {"a ship's particulars", [](Session&) {}, {},
         [&] {
             const ShipEntry ship = session->particulars(1);
             ASSERT_EQ(ship.texts.size(), 10u);
             EXPECT_EQ(ship.texts[0], "BR12345");
             EXPECT_EQ(ship.texts[1], "Dummy 1");
             EXPECT_EQ(ship.gauge_points, 3);
             EXPECT_ANY_THROW(session->particulars(99));
         }},
    };
    run(cases);
}

// What the program read ahead at start serves the first load only; later loads read anew.
TEST_F(SessionTest, WhatWasReadAheadServesTheFirstLoadOnly) {
    survey::OpeningRead ahead = survey::read_opening(db_path());
    data::SQLiteDatabase(db_path()).Execute("update Schiptable set Name='Renamed' where SchipID=1");
    Session fresh_session(db_path());
    fresh_session.take_opening(std::move(ahead));
    EXPECT_EQ(fresh_session.ships().front().name, "Dummy 1");
    fresh_session.load_selected_ship();
    EXPECT_EQ(fresh_session.ship()->name, "Dummy 1");
    EXPECT_EQ(fresh_session.ships().front().name, "Renamed");
    fresh_session.load_selected_ship();
    EXPECT_EQ(fresh_session.ship()->name, "Renamed");
}

}  // namespace
}  // namespace ijken::session
