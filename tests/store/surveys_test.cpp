#include "core/store/surveys.h"

#include <gtest/gtest.h>

#include "core/data/database_schema.h"
#include "support/temp_dir.h"

namespace {

using ijken::data::SQLiteDatabase;

// The survey the report takes as the newest is the one the main window's list ends on, also among
// surveys entered in the same second, and whatever order their numbers were given in.
TEST(StoreSurveys, TheNewestIsTheLastTheMainWindowLists) {
    struct Survey {
        int opnameid;  // above the seeded ship's surveys
        const char* date;  // nullptr: no date
    };
    struct Case {
        const char* what;
        std::vector<Survey> surveys;
    };
    const Case cases[] = {
        {"one date for all", {{50, "2026-01-01 10:00:00"}, {10, "2026-01-01 10:00:00"}, {30, "2026-01-01 10:00:00"}}},
        {"an older survey edited last", {{1, "2026-03-01 08:00:00"}, {2, "2026-01-01 08:00:00"}, {3, "2026-02-01 08:00:00"}}},
        {"the newest date twice", {{7, "2026-05-01 09:00:00"}, {4, "2026-05-01 09:00:00"}, {9, "2026-04-01 09:00:00"}}},
        {"dates missing", {{5, nullptr}, {3, nullptr}, {8, "2026-01-01 00:00:00"}, {2, nullptr}}},
        {"no date at all", {{6, nullptr}, {4, nullptr}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ijken::testing::TempDir dir;
        ijken::data::create_database(dir.db_path());
        SQLiteDatabase db(dir.db_path());
        for (const Survey& s : c.surveys) {
            db.Execute("INSERT INTO IJkOpnames (Opnameid, Schipid, InvoerDatum) VALUES (?, 2, ?)",
                       {std::int64_t{100 + s.opnameid},
                        s.date ? ijken::data::SqlValue{std::string(s.date)} : ijken::data::SqlValue{nullptr}});
        }
        auto listed = ijken::store::ship_surveys(db, 2);
        listed->MoveLast();
        const auto newest = ijken::store::newest_survey(db, 2);
        ASSERT_EQ(newest->RowCount(), 1);
        for (int c = 0; c < listed->ColumnCount(); ++c) EXPECT_EQ(newest->AsString(c), listed->AsString(c));
    }
    ijken::testing::TempDir dir;
    ijken::data::create_database(dir.db_path());
    SQLiteDatabase db(dir.db_path());
    EXPECT_EQ(ijken::store::newest_survey(db, 2)->RowCount(), 0);
}

}  // namespace
