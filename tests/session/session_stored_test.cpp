// What the session tells those who send its database to the office: once for each write the office
// keeps a copy of, after its commit; nothing for what only moves the cursor, computes or selects,
// and nothing for a write that failed.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/session/session.h"
#include "support/temp_dir.h"

namespace ijken::session {
namespace {

TEST(SessionStored, EveryWriteTheOfficeKeepsIsToldOnceAfterItsCommit) {
    const std::vector<std::string> texts{"BR1", "Nova", "a", "b", "c", "d", "e", "f", "g", "h"};
    const struct {
        const char* name;
        std::function<void(Session&)> act;
        int told;
        // The surveys another connection reads when told, against before; none: not checked.
        std::optional<long long> surveys_then = std::nullopt;
    } cases[] = {
        {"save the survey shown", [](Session& s) { s.save_survey(); }, 1, 0},
        {"add a survey", [](Session& s) { s.add_survey(); }, 1, 1},
        {"write a new survey alone", [](Session& s) { s.write_new_survey(); }, 1, 1},
        {"delete the survey shown", [](Session& s) { s.delete_survey(); }, 1, -1},
        {"store a gauge table", [](Session& s) { s.store_gauge_table(2, {{10, 1.0}, {20, 2.0}}, 10, 20); }, 1},
        {"store the particulars", [&](Session& s) { s.store_particulars({3, 1, texts}); }, 1},
        {"create a ship", [&](Session& s) { s.create_ship({3, 1, texts}); }, 1},
        {"delete another ship", [](Session& s) { s.delete_ship(2); }, 1},
        {"move through the surveys", [](Session& s) { s.show_first(); s.show_next(); s.show_last(); }, 0},
        {"type a reading", [](Session& s) { s.change_reading(0, "120"); }, 0},
        {"select another ship", [](Session& s) { s.select_ship(3); }, 0},
        {"a reading too large to store", [](Session& s) {
             s.change_reading(0, "99999999999999999999");
             EXPECT_ANY_THROW(s.save_survey());
         }, 0},
        {"the selected ship cannot be deleted", [](Session& s) { EXPECT_ANY_THROW(s.delete_ship(1)); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir;
        data::create_database(dir.db_path());
        Session session(dir.db_path());
        session.load_selected_ship();
        int told = 0;
        long long surveys_when_told = -1;
        session.on_stored([&] {
            ++told;
            // Told after the commit: another connection already reads what was written.
            data::SQLiteDatabase db(dir.db_path(), data::OpenMode::existing);
            surveys_when_told = db.Query("select count(*) from IJkOpnames")->AsInteger(0);
        });
        const long long surveys_before =
            data::SQLiteDatabase(dir.db_path(), data::OpenMode::existing).Query("select count(*) from IJkOpnames")->AsInteger(0);
        c.act(session);
        EXPECT_EQ(told, c.told);
        if (c.surveys_then) {
            EXPECT_EQ(surveys_when_told, surveys_before + *c.surveys_then);
        }
    }
}

}  // namespace
}  // namespace ijken::session
