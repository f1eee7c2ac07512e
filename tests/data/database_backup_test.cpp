// The backup copy: one consistent state of a database in use, checked, and never a partial file.
#include "core/data/database_backup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "support/temp_dir.h"

using namespace ijken;
namespace fs = std::filesystem;

namespace {

long long surveys_in(const fs::path& file) {
    data::SQLiteDatabase db(file.string());
    return db.Query("select count(*) from IJkOpnames")->AsInteger(0);
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DatabaseBackup, CopiesTheCommittedStateWhileAnotherConnectionIsWriting) {
    ijken::testing::TempDir dir;
    data::create_database(dir.db_path());
    const fs::path copy = dir.path() / "copies" / "kopie.db";
    fs::create_directory(copy.parent_path());

    data::SQLiteDatabase program(dir.db_path());
    program.BeginTransaction();
    program.Execute("insert into IJkOpnames (Schipid, Verlader_Naam) values (1, 'not yet committed')");

    data::backup_database(dir.db_path(), copy);
    EXPECT_EQ(data::integrity_check(copy.string()), std::vector<std::string>{"ok"});
    EXPECT_EQ(surveys_in(copy), 3);
    EXPECT_EQ(names_in(copy.parent_path()), std::vector<std::string>{"kopie.db"});

    // A later backup replaces the earlier copy with the new state.
    program.Commit();
    data::backup_database(dir.db_path(), copy);
    EXPECT_EQ(surveys_in(copy), 4);
    EXPECT_EQ(names_in(copy.parent_path()), std::vector<std::string>{"kopie.db"});
}

TEST(DatabaseBackup, RefusesWhatWouldLoseDataAndLeavesNothingBehind) {
    ijken::testing::TempDir dir;
    const fs::path copy = dir.path() / "kopie.db";

    // No database: none is created, neither at the source nor at the target.
    EXPECT_THROW(data::backup_database(dir.db_path(), copy), std::runtime_error);
    EXPECT_TRUE(names_in(dir.path()).empty());

    // Never over the database itself.
    data::create_database(dir.db_path());
    EXPECT_THROW(data::backup_database(dir.db_path(), dir.db_path()), std::runtime_error);
    EXPECT_EQ(surveys_in(dir.db_path()), 3);

    // A file that is no database fails the copy; an earlier copy at the target stays as it was.
    data::backup_database(dir.db_path(), copy);
    const std::string broken = (dir.path() / "broken.db").string();
    std::ofstream(broken) << "not a database, but long enough to be read as a header";
    try {
        data::backup_database(broken, copy);
        ADD_FAILURE() << "a copy of a file that is no database";
    } catch (const data::SQLiteException& e) {
        EXPECT_EQ(std::string(e.what()), "Reservekopie mislukt: file is not a database");
    }
    EXPECT_EQ(surveys_in(copy), 3);
    EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"broken.db", "ijken.db", "kopie.db"}));
}

}  // namespace
