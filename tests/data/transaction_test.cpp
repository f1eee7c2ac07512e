#include "core/data/transaction.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/temp_dir.h"

namespace ijken::data {
namespace {

class TransactionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.Execute("CREATE TABLE p (id INTEGER PRIMARY KEY)");
        db.Execute("CREATE TABLE t (id INTEGER PRIMARY KEY, p INTEGER REFERENCES p(id) DEFERRABLE INITIALLY DEFERRED)");
        db.Execute("PRAGMA foreign_keys = ON");
    }
    // Rows in t as another connection sees them: only committed work.
    long long committed_rows() {
        SQLiteDatabase other(dir.db_path());
        return other.Query("SELECT count(*) FROM t")->AsInteger(0);
    }
    ijken::testing::TempDir dir;
    SQLiteDatabase db{dir.db_path()};
};

TEST_F(TransactionTest, CommitKeepsTheWork) {
    {
        Transaction transaction(db);
        db.Execute("INSERT INTO t (p) VALUES (NULL)");
        transaction.commit();
    }
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(committed_rows(), 1);
}

TEST_F(TransactionTest, LeavingTheScopeUncommittedRollsBack) {
    {
        Transaction transaction(db);
        db.Execute("INSERT INTO t (p) VALUES (NULL)");
    }
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(committed_rows(), 0);
    // The connection is free for the next transaction.
    Transaction next(db);
    EXPECT_TRUE(db.in_transaction());
}

TEST_F(TransactionTest, AnErrorLeavingTheScopeRollsBackAndTravelsOn) {
    EXPECT_THROW(
        {
            Transaction transaction(db);
            db.Execute("INSERT INTO t (p) VALUES (NULL)");
            db.Execute("INSERT INTO no_such_table VALUES (1)");
            transaction.commit();
        },
        SQLiteException);
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(committed_rows(), 0);
}

TEST_F(TransactionTest, ARefusedCommitThrowsAndTheDestructorRollsBack) {
    // A deferred foreign key is checked at COMMIT, which then fails and leaves the transaction open.
    EXPECT_THROW(
        {
            Transaction transaction(db);
            db.Execute("INSERT INTO t (p) VALUES (7)");
            transaction.commit();
        },
        SQLiteException);
    EXPECT_FALSE(db.in_transaction());
    EXPECT_EQ(committed_rows(), 0);
}

}  // namespace
}  // namespace ijken::data
