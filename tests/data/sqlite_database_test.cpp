#include "core/data/sqlite_database.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <fstream>
#include <limits>
#include <string>
#include <thread>

#include "data_test_util.h"
#include "support/temp_dir.h"

namespace ijken::data {
namespace {

using test::detailed;
using test::error_of;

class SQLiteDatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SQLiteDatabase db(path());
        db.Execute("CREATE TABLE t (id INTEGER PRIMARY KEY, Name VARCHAR (35), n INTEGER, f FLOAT)");
    }
    std::string path() const { return dir.db_path(); }
    long long count(const std::string& where = "1") {
        SQLiteDatabase db(path());
        return db.Query("SELECT count(*) FROM t WHERE " + where)->AsInteger(0);
    }
    ijken::testing::TempDir dir;
};

TEST(SQLiteDatabase, OpeningInAMissingDirectoryFails) {
    ijken::testing::TempDir dir;
    const std::string path = dir.dir() + "no-such-dir/ijken.db";
    EXPECT_EQ(error_of([&] { SQLiteDatabase db(path); }),
              "Failed to open database \"" + path + "\" : unable to open database file");
}

TEST_F(SQLiteDatabaseTest, MissingTableGivesTheThreeLineMessage) {
    SQLiteDatabase db(path());
    const std::string sql = "SELECT * FROM Nope";
    const std::string expected =
        "Error executing SQL.\rError [1]: SQL error or missing database.\r\"SELECT * FROM Nope\": no such "
        "table: Nope";
    EXPECT_EQ(error_of([&] { db.Query(sql); }), expected);
    EXPECT_EQ(error_of([&] { db.Execute(sql); }), expected);
}

TEST_F(SQLiteDatabaseTest, NothingToPrepare) {
    SQLiteDatabase db(path());
    EXPECT_EQ(error_of([&] { db.Execute(""); }), "Could not prepare SQL statement");
    EXPECT_EQ(error_of([&] { db.Query("-- only a comment"); }), "Could not prepare SQL statement");
}

TEST_F(SQLiteDatabaseTest, OnlyTheFirstStatementRuns) {
    SQLiteDatabase db(path());
    db.Execute("INSERT INTO t (Name) VALUES ('one'); INSERT INTO t (Name) VALUES ('two')");
    auto table = db.Query("SELECT Name FROM t; SELECT 1");
    ASSERT_EQ(table->RowCount(), 1);
    EXPECT_EQ(table->AsString(0), "one");
}

TEST_F(SQLiteDatabaseTest, FailingStepGivesTheStatementMessage) {
    SQLiteDatabase db(path());
    db.Execute("INSERT INTO t (id) VALUES (1)");
    const std::string sql = "INSERT INTO t (id) VALUES (1)";
    EXPECT_EQ(error_of([&] { db.Execute(sql); }),
              detailed("Error executing SQL statement", 19, "Abort due to contraint violation", sql,
                       "UNIQUE constraint failed: t.id"));
    const std::string overflow = "SELECT abs(-9223372036854775808)";
    EXPECT_EQ(error_of([&] { db.Query(overflow); }),
              detailed("Could not retrieve data", 1, "SQL error or missing database", overflow,
                       "integer overflow"));
}

TEST_F(SQLiteDatabaseTest, ExecuteOfAStatementThatReturnsRowsFails) {
    // The row is not an error SQLite keeps, so there is no detail line.
    SQLiteDatabase db(path());
    EXPECT_EQ(error_of([&] { db.Execute("SELECT 1"); }), "Error executing SQL statement");
}

TEST_F(SQLiteDatabaseTest, CommitKeepsTheWork) {
    {
        SQLiteDatabase db(path());
        db.BeginTransaction();
        EXPECT_TRUE(db.in_transaction());
        db.Execute("INSERT INTO t (Name) VALUES ('kept')");
        db.Commit();
        EXPECT_FALSE(db.in_transaction());
    }
    EXPECT_EQ(count(), 1);
}

TEST_F(SQLiteDatabaseTest, RollbackDiscardsTheWork) {
    SQLiteDatabase db(path());
    db.BeginTransaction();
    db.Execute("INSERT INTO t (Name) VALUES ('gone')");
    db.Rollback();
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(db.Query("SELECT count(*) FROM t")->AsInteger(0), 0);
}

TEST_F(SQLiteDatabaseTest, BeginTwiceKeepsTheFirstTransactionOpen) {
    {
        SQLiteDatabase db(path());
        db.BeginTransaction();
        db.Execute("INSERT INTO t (Name) VALUES ('a')");
        EXPECT_EQ(error_of([&] { db.BeginTransaction(); }), "Transaction already open");
        EXPECT_TRUE(db.in_transaction());
        db.Execute("INSERT INTO t (Name) VALUES ('b')");
        db.Commit();
    }
    EXPECT_EQ(count(), 2);
}

TEST_F(SQLiteDatabaseTest, DestroyingInsideATransactionDiscardsIt) {
    {
        SQLiteDatabase db(path());
        db.BeginTransaction();
        db.Execute("INSERT INTO t (Name) VALUES ('gone')");
    }
    EXPECT_EQ(count(), 0);
}

TEST_F(SQLiteDatabaseTest, AnExceptionLeavingTheOperationRollsBack) {
    auto operation = [&] {
        SQLiteDatabase db(path());
        db.BeginTransaction();
        db.Execute("INSERT INTO t (id, Name) VALUES (7, 'first')");
        db.Execute("INSERT INTO t (id, Name) VALUES (7, 'clash')");
        db.Commit();
    };
    EXPECT_NE(error_of(operation).find("Error executing SQL statement.\rError [19]"), std::string::npos);
    EXPECT_EQ(count(), 0);
}

TEST_F(SQLiteDatabaseTest, CommitWithoutTransactionFails) {
    SQLiteDatabase db(path());
    EXPECT_EQ(error_of([&] { db.Commit(); }),
              detailed("Error executing SQL statement", 1, "SQL error or missing database", "COMMIT",
                       "cannot commit - no transaction is active"));
}

TEST(SQLiteDatabase, AFileThatIsNotADatabase) {
    ijken::testing::TempDir dir;
    {
        std::ofstream out(dir.db_path(), std::ios::binary);
        for (int i = 0; i < 2048; ++i) out.put(static_cast<char>('a' + i % 26));
    }
    SQLiteDatabase db(dir.db_path());  // opening does not read the file yet
    EXPECT_EQ(error_of([&] { db.Query("SELECT * FROM Schiptable"); }),
              detailed("Error executing SQL", 26, "File opened that is not a database file",
                       "SELECT * FROM Schiptable", "file is not a database"));
}

// Another connection holds an exclusive lock for longer than the busy timeout: the failure comes
// after the wait, with SQLite's own reason.
class LockedDatabase : public SQLiteDatabaseTest {
  protected:
    void lock() { locker.Execute("BEGIN EXCLUSIVE"); }
    SQLiteDatabase locker{path()};
};

TEST_F(LockedDatabase, AFreshConnectionFailsWhileReadingTheSchema) {
    // A new connection must read the schema when it prepares, so the lock surfaces there.
    lock();
    SQLiteDatabase db(path());
    const std::string sql = "SELECT * FROM t";
    const std::string expected =
        detailed("Error executing SQL", 5, "The database file is locked", sql, "database is locked");
    EXPECT_EQ(error_of([&] { db.Query(sql); }), expected);
    EXPECT_EQ(error_of([&] { db.Execute(sql); }), expected);
}

TEST_F(LockedDatabase, AConnectionThatKnowsTheSchemaFailsWhenStepping) {
    SQLiteDatabase db(path());
    db.Query("SELECT * FROM t");  // schema now loaded
    lock();
    EXPECT_EQ(error_of([&] { db.Query("SELECT * FROM t"); }), "Could not prepare SQL statement");
    const std::string sql = "INSERT INTO t (Name) VALUES ('x')";
    EXPECT_EQ(error_of([&] { db.Execute(sql); }),
              detailed("Error executing SQL statement", 5, "The database file is locked", sql,
                       "database is locked"));
    locker.Execute("COMMIT");
    db.Execute(sql);  // the connection is still usable once the lock is gone
}

TEST_F(LockedDatabase, AFailedCommitKeepsTheTransactionForTheRollback) {
    locker.Execute("BEGIN");
    locker.Query("SELECT * FROM t");  // a reader holds its shared lock until it ends
    {
        SQLiteDatabase db(path());
        db.BeginTransaction();
        db.Execute("INSERT INTO t (Name) VALUES ('x')");
        EXPECT_EQ(error_of([&] { db.Commit(); }),
                  detailed("Error executing SQL statement", 5, "The database file is locked", "COMMIT",
                           "database is locked"));
        EXPECT_TRUE(db.in_transaction());
    }
    locker.Execute("COMMIT");
    EXPECT_EQ(count(), 0);
}

// A lock held for a moment (a push copying the rows, another window saving) is waited for: each
// way a statement meets it (reading the schema, writing, committing past a reader) succeeds.
TEST_F(LockedDatabase, ALockHeldForAMomentIsWaitedFor) {
    struct Case {
        const char* name;
        const char* take;  // how the other connection holds the file
        std::function<void(SQLiteDatabase&)> work;
    };
    const Case cases[] = {
        {"a fresh connection reads the schema", "BEGIN EXCLUSIVE",
         [](SQLiteDatabase& db) { db.Query("SELECT * FROM t"); }},
        {"a write", "BEGIN EXCLUSIVE", [](SQLiteDatabase& db) { db.Execute("INSERT INTO t (Name) VALUES ('x')"); }},
        {"a commit past a reader", "BEGIN",
         [](SQLiteDatabase& db) {
             db.BeginTransaction();
             db.Execute("INSERT INTO t (Name) VALUES ('y')");
             db.Commit();
         }},
    };
    for (const Case& c : cases) {
        locker.Execute(c.take);
        locker.Query("SELECT * FROM t");
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            locker.Execute("COMMIT");
        });
        SQLiteDatabase db(path());
        EXPECT_NO_THROW(c.work(db)) << c.name;
        release.join();
    }
    EXPECT_EQ(count(), 2);
}

TEST_F(SQLiteDatabaseTest, AFailedBeginLeavesNoTransaction) {
    SQLiteDatabase db(path());
    db.Execute("BEGIN");
    EXPECT_EQ(error_of([&] { db.BeginTransaction(); }),
              detailed("Error executing SQL statement", 1, "SQL error or missing database",
                       "BEGIN TRANSACTION", "cannot start a transaction within a transaction"));
    EXPECT_FALSE(db.in_transaction());
}

// ---- bound values ---------------------------------------------------------------------------

class BoundText : public ::testing::TestWithParam<std::string> {};

TEST_P(BoundText, RoundTripsExactly) {
    ijken::testing::TempDir dir;
    SQLiteDatabase db(dir.db_path());
    db.Execute("CREATE TABLE t (Name VARCHAR (35), Other VARCHAR (35))");
    const std::string& text = GetParam();
    db.Execute("INSERT INTO t (Name, Other) VALUES (?, 'marker')", {text});
    auto found = db.Query("SELECT Name, Other FROM t WHERE Name = ?", {text});
    ASSERT_EQ(found->RowCount(), 1);
    EXPECT_EQ(found->AsString(0), text);
    EXPECT_EQ(found->AsString(1), "marker");
    EXPECT_EQ(db.Query("SELECT count(*) FROM t")->AsInteger(0), 1);
}

INSTANTIATE_TEST_SUITE_P(Texts, BoundText,
                         ::testing::Values("plain", "", "say \"hi\"", "O'Brien", "''", "back\\slash\\",
                                           "a; DROP TABLE t; --", "x'), ('y", "Name", "Other",
                                           "caf\xE9 \x80 \xFF"));

TEST(BoundValues, NullIntegerAndFloat) {
    ijken::testing::TempDir dir;
    SQLiteDatabase db(dir.db_path());
    db.Execute("CREATE TABLE t (n INTEGER, f FLOAT, s VARCHAR(5))");
    db.Execute("INSERT INTO t VALUES (?, ?, ?)", {std::numeric_limits<std::int64_t>::min(), 1.705, nullptr});
    db.Execute("INSERT INTO t VALUES (?, ?, ?)", {nullptr, nullptr, std::string("x")});
    auto t = db.Query("SELECT n, f, s, typeof(s) FROM t ORDER BY rowid");
    ASSERT_EQ(t->RowCount(), 2);
    EXPECT_EQ(t->AsInteger(0), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(t->AsFloat(1), 1.705);
    EXPECT_EQ(t->AsString(3), "null");
    t->Next();
    EXPECT_EQ(t->AsString(0), "0");
    EXPECT_EQ(t->AsString(1), "0");
    EXPECT_EQ(t->AsString(2), "x");
}

TEST(BoundValues, TooManyValuesIsARangeError) {
    ijken::testing::TempDir dir;
    SQLiteDatabase db(dir.db_path());
    const std::string sql = "SELECT ?";
    EXPECT_EQ(error_of([&] {
                  db.Query(sql, {std::int64_t{1}, std::int64_t{2}});
              }),
              detailed("BindData: Could not bind integer", 25, "2nd parameter to sqlite3_bind out of range",
                       sql, "column index out of range"));
    EXPECT_EQ(error_of([&] { db.Execute("CREATE TABLE t (a)", {std::string("x")}); }),
              detailed("BindData: Could not bind text", 25, "2nd parameter to sqlite3_bind out of range",
                       "CREATE TABLE t (a)", "column index out of range"));
}

TEST(BoundValues, TooFewValuesIsRefused) {
    ijken::testing::TempDir dir;
    SQLiteDatabase db(dir.db_path());
    db.Execute("CREATE TABLE t (a, b)");
    const std::string sql = "INSERT INTO t VALUES (?, ?)";
    EXPECT_EQ(error_of([&] { db.Execute(sql, {std::int64_t{1}}); }),
              "BindData: Too few values to bind (1 given for 2 placeholders).\r\"" + sql + "\"");
    EXPECT_EQ(db.Query("SELECT count(*) FROM t")->AsInteger(0), 0);
}

}  // namespace
}  // namespace ijken::data
