#include "core/store/surveys.h"

#include <gtest/gtest.h>

#include "core/data/database_schema.h"
#include "support/temp_dir.h"

namespace {

// The survey the report takes as the newest is the one the main window's list ends on, also among
// surveys entered in the same second, and whatever order their numbers were given in. Each case is
// a ship of its own: its surveys' numbers (above the seeded ones) and dates ("" for none).
TEST(StoreSurveys, TheNewestIsTheLastTheMainWindowLists) {
    using Surveys = std::vector<std::pair<int, std::string>>;
    const Surveys ships[] = {
        {{150, "2026-01-01 10:00"}, {110, "2026-01-01 10:00"}, {130, "2026-01-01 10:00"}},
        {{101, "2026-03-01 08:00"}, {102, "2026-01-01 08:00"}, {103, "2026-02-01 08:00"}},
        {{207, "2026-05-01 09:00"}, {204, "2026-05-01 09:00"}, {209, "2026-04-01 09:00"}},
        {{305, ""}, {303, ""}, {308, "2026-01-01 00:00"}, {302, ""}},
        {{406, ""}, {404, ""}},
    };
    ijken::testing::TempDir dir;
    ijken::data::create_database(dir.db_path());
    ijken::data::SQLiteDatabase db(dir.db_path());
    for (int ship = 10; ship < 10 + 5; ++ship) {
        SCOPED_TRACE(ship);
        for (const auto& [id, date] : ships[ship - 10]) {
            db.Execute("INSERT INTO IJkOpnames (Opnameid, Schipid, InvoerDatum) VALUES (?, ?, ?)",
                       {std::int64_t{id}, std::int64_t{ship},
                        date.empty() ? ijken::data::SqlValue{nullptr} : ijken::data::SqlValue{date}});
        }
        auto listed = ijken::store::ship_surveys(db, ship);
        listed->MoveLast();
        const auto newest = ijken::store::newest_survey(db, ship);
        ASSERT_EQ(newest->RowCount(), 1);
        for (int c = 0; c < listed->column_count(); ++c) EXPECT_EQ(newest->AsString(c), listed->AsString(c));
    }
    EXPECT_EQ(ijken::store::newest_survey(db, 99)->RowCount(), 0);
}

}  // namespace
