#include <gtest/gtest.h>

#include <string>

#include "core/data/sqlite_database.h"
#include "data_test_util.h"
#include "support/temp_dir.h"

namespace ijken::data {
namespace {

using test::error_of;

class SQLiteTableTest : public ::testing::Test {
  protected:
    ijken::testing::TempDir dir;
    SQLiteDatabase db{dir.db_path()};
};

TEST_F(SQLiteTableTest, EmptyResultHasNoColumnsAndRefusesAccess) {
    db.Execute("CREATE TABLE Schiptable (SchipID INTEGER PRIMARY KEY, Name VARCHAR (35))");
    auto t = db.Query("SELECT * FROM Schiptable");
    EXPECT_EQ(t->RowCount(), 0);
    EXPECT_EQ(t->column_count(), 0);
    EXPECT_TRUE(t->AtEnd());
    EXPECT_TRUE(t->AtStart());
    EXPECT_EQ(error_of([&] { t->FieldIndex("SchipID"); }), "Field SchipID Not found. Empty dataset");
    EXPECT_EQ(error_of([&] { t->AsString(0); }), "Table is at End of File");
    EXPECT_EQ(error_of([&] { t->AsInteger(0); }), "Table is at End of File");
    EXPECT_EQ(error_of([&] { t->AsFloat(0); }), "Table is at End of File");
    EXPECT_EQ(error_of([&] { t->as_blob(0); }), "Table is at End of File");
    EXPECT_FALSE(t->Next());
    EXPECT_FALSE(t->Previous());
    EXPECT_FALSE(t->MoveLast());
}

TEST_F(SQLiteTableTest, MaxOverEmptyTableIsANullColumn) {
    db.Execute("CREATE TABLE IJKtable (SchipID INTEGER, Inzinking INTEGER, Tonnage FLOAT)");
    auto t = db.Query("SELECT max(Inzinking) FROM IJKtable");
    ASSERT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->column_kind(0), ColumnKind::Null);
    EXPECT_EQ(t->AsInteger(0), 0);
    EXPECT_EQ(t->AsFloat(0), 0.0);
    EXPECT_EQ(t->AsString(0), "");
}

// One column declared as `declared` holding the SQL literal `literal`, read through every accessor.
struct AccessCase {
    const char* declared;
    const char* literal;
    ColumnKind kind;
    const char* as_string;
    bool numeric;  // AsInteger/AsFloat give values; otherwise they raise
    long long as_integer;
    double as_float;
};

void PrintTo(const AccessCase& c, std::ostream* os) {
    *os << c.declared << " holding " << c.literal;
}

class FieldAccess : public ::testing::TestWithParam<AccessCase> {};

TEST_P(FieldAccess, ReadsAsTheColumnKindSays) {
    const AccessCase& c = GetParam();
    ijken::testing::TempDir dir;
    SQLiteDatabase db(dir.db_path());
    db.Execute(std::string("CREATE TABLE t (c ") + c.declared + ")");
    db.Execute(std::string("INSERT INTO t VALUES (") + c.literal + ")");
    auto t = db.Query("SELECT c FROM t");
    ASSERT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->column_kind(0), c.kind);
    EXPECT_EQ(t->AsString(0), c.as_string);
    if (c.numeric) {
        EXPECT_EQ(t->AsInteger(0), c.as_integer);
        EXPECT_EQ(t->AsFloat(0), c.as_float);
    } else {
        EXPECT_EQ(error_of([&] { t->AsInteger(0); }), "Not an integer or numeric field");
        EXPECT_EQ(error_of([&] { t->AsFloat(0); }), "Not an integer or numeric field");
    }
}

INSTANTIATE_TEST_SUITE_P(
    DeclaredTypes, FieldAccess,
    ::testing::Values(
        AccessCase{"INTEGER", "42", ColumnKind::Integer, "42", true, 42, 42.0},
        AccessCase{"INTEGER", "-9223372036854775808", ColumnKind::Integer, "-9223372036854775808", true,
                   INT64_MIN, -9223372036854775808.0},
        AccessCase{"INTEGER", "NULL", ColumnKind::Integer, "0", true, 0, 0.0},
        AccessCase{"BOOLEAN", "1", ColumnKind::Integer, "1", true, 1, 1.0},
        AccessCase{"FLOAT", "\"1.705\"", ColumnKind::Numeric, "1.705", true, 1, 1.705},
        AccessCase{"FLOAT", "\"17.05\"", ColumnKind::Numeric, "17.05", true, 17, 17.05},
        AccessCase{"FLOAT", "-2.9", ColumnKind::Numeric, "-2.9", true, -2, -2.9},
        AccessCase{"FLOAT", "\"0\"", ColumnKind::Numeric, "0", true, 0, 0.0},
        AccessCase{"DOUBLE", "NULL", ColumnKind::Numeric, "0", true, 0, 0.0},
        AccessCase{"DOUBLE", "1.000", ColumnKind::Numeric, "1", true, 1, 1.0},
        AccessCase{"REAL", "1e15", ColumnKind::Numeric, "1E15", true, 1000000000000000, 1e15},
        AccessCase{"REAL", "123456789012345", ColumnKind::Numeric, "123456789012345", true, 123456789012345,
                   123456789012345.0},
        AccessCase{"NUMERIC", "2.5", ColumnKind::Numeric, "2.5", true, 2, 2.5},
        AccessCase{"VARCHAR(7)", "220", ColumnKind::Text, "220", false, 0, 0},
        AccessCase{"VARCHAR(7)", "0.0", ColumnKind::Text, "0.0", false, 0, 0},
        AccessCase{"VARCHAR (35)", "'Dummy 1'", ColumnKind::Text, "Dummy 1", false, 0, 0},
        // A NULL is absent whatever the column: typed access gives 0, text access an empty text.
        AccessCase{"VARCHAR(15)", "NULL", ColumnKind::Text, "", true, 0, 0.0},
        AccessCase{"DATETIME", "'2024-01-02 03:04:05'", ColumnKind::Text, "2024-01-02 03:04:05", false, 0, 0},
        // Only the exact upper-case words count.
        AccessCase{"float", "1.705", ColumnKind::Text, "1.705", false, 0, 0},
        AccessCase{"Boolean", "1", ColumnKind::Text, "1", false, 0, 0},
        AccessCase{"Double", "1.5", ColumnKind::Text, "1.5", false, 0, 0},
        AccessCase{"INT", "7", ColumnKind::Text, "7", false, 0, 0},
        AccessCase{"BLOB", "x'414243'", ColumnKind::Blob, "ABC", false, 0, 0},
        AccessCase{"BLOB", "x''", ColumnKind::Blob, "", true, 0, 0.0}));

// Columns without a declared type take the kind of the first row's value.
struct ExpressionCase {
    const char* expression;
    ColumnKind kind;
};

class ExpressionKind : public ::testing::TestWithParam<ExpressionCase> {};

TEST_P(ExpressionKind, TakesTheFirstValuesType) {
    ijken::testing::TempDir dir;
    SQLiteDatabase db(dir.db_path());
    auto t = db.Query(std::string("SELECT ") + GetParam().expression);
    EXPECT_EQ(t->column_kind(0), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Expressions, ExpressionKind,
                         ::testing::Values(ExpressionCase{"1 + 1", ColumnKind::Integer},
                                           ExpressionCase{"1.5 * 2", ColumnKind::Numeric},
                                           ExpressionCase{"'a' || 'b'", ColumnKind::Text},
                                           ExpressionCase{"x'00'", ColumnKind::Blob},
                                           ExpressionCase{"NULL", ColumnKind::Null}));

TEST_F(SQLiteTableTest, KindIsDecidedOnceFromTheFirstRow) {
    auto t = db.Query("SELECT column1 FROM (VALUES (1), (2.75), ('x'), (NULL))");
    ASSERT_EQ(t->RowCount(), 4);
    EXPECT_EQ(t->column_kind(0), ColumnKind::Integer);
    EXPECT_EQ(t->AsInteger(0), 1);
    ASSERT_TRUE(t->Next());
    EXPECT_EQ(t->AsInteger(0), 2);  // fetched as an integer because the first row was one
    ASSERT_TRUE(t->Next());
    EXPECT_EQ(t->AsString(0), "0");
    ASSERT_TRUE(t->Next());
    EXPECT_EQ(t->AsString(0), "0");
}

TEST_F(SQLiteTableTest, NullColumnReadsEmptyEvenWhenLaterRowsHoldValues) {
    auto t = db.Query("SELECT column1 FROM (VALUES (NULL), ('later'))");
    EXPECT_EQ(t->column_kind(0), ColumnKind::Null);
    ASSERT_TRUE(t->Next());
    EXPECT_EQ(t->AsString(0), "");
    EXPECT_EQ(error_of([&] { t->AsInteger(0); }), "Not an integer or numeric field");
}

TEST_F(SQLiteTableTest, TextStopsAtTheFirstZeroByteAndKeepsOtherBytes) {
    db.Execute("CREATE TABLE t (a VARCHAR(25), b VARCHAR(25))");
    db.Execute("INSERT INTO t VALUES (CAST(x'41004200' AS TEXT), CAST(x'E9809FFF' AS TEXT))");
    auto t = db.Query("SELECT a, b FROM t");
    EXPECT_EQ(t->AsString(0), "A");
    EXPECT_EQ(t->AsString(1), "\xE9\x80\x9F\xFF");  // Windows-1252 bytes, not UTF-8: untouched
}

TEST_F(SQLiteTableTest, BlobAccess) {
    db.Execute("CREATE TABLE t (b BLOB, s VARCHAR(5))");
    db.Execute("INSERT INTO t VALUES (x'00FF00', 'x')");
    db.Execute("INSERT INTO t VALUES (NULL, 'y')");
    auto t = db.Query("SELECT b, s FROM t");
    EXPECT_EQ(t->as_blob(0), std::string_view("\0\xFF\0", 3));
    EXPECT_EQ(t->AsString(0), std::string("\0\xFF\0", 3));
    EXPECT_EQ(error_of([&] { t->as_blob(1); }), "Not a Blob field");
    ASSERT_TRUE(t->Next());
    EXPECT_TRUE(t->as_blob(0).empty());
    EXPECT_EQ(t->AsString(0), "");
}

TEST_F(SQLiteTableTest, FieldIndexIgnoresCaseIncludingWindows1252Letters) {
    db.Execute(
        "CREATE TABLE t (SchipID INTEGER, [caf\xE9] INTEGER, [a\xF7"
        "b] INTEGER, [stra\xDF"
        "e] INTEGER)");
    db.Execute("INSERT INTO t VALUES (1, 2, 3, 4)");
    auto t = db.Query("SELECT * FROM t");
    EXPECT_EQ(t->FieldIndex("schipid"), 0);
    EXPECT_EQ(t->FieldIndex("SchipID"), 0);
    EXPECT_EQ(t->FieldIndex("SCHIPID"), 0);
    EXPECT_EQ(t->FieldIndex("CAF\xC9"), 1);
    EXPECT_EQ(t->FieldIndex("caf\xE9"), 1);
    EXPECT_EQ(t->FieldIndex("A\xF7"
                            "B"),
              2);  // the division sign has no upper case
    EXPECT_EQ(error_of([&] {
                  t->FieldIndex(
                      "A\xD7"
                      "B");
              }),
              "Field not found in dataset: A\xD7"
              "B");
    EXPECT_EQ(t->FieldIndex("STRA\xDF"
                            "E"),
              3);
    EXPECT_EQ(error_of([&] { t->FieldIndex("Nope"); }), "Field not found in dataset: Nope");
}

TEST_F(SQLiteTableTest, NextOnOneRowLeavesTheTableAtItsEnd) {
    auto t = db.Query("SELECT 5");
    EXPECT_TRUE(t->AtStart());
    EXPECT_FALSE(t->AtEnd());
    EXPECT_TRUE(t->Next());
    EXPECT_TRUE(t->AtEnd());
    EXPECT_EQ(error_of([&] { t->AsInteger(0); }), "Table is at End of File");
    EXPECT_FALSE(t->Next());
    EXPECT_TRUE(t->Previous());
    EXPECT_EQ(t->AsInteger(0), 5);
    EXPECT_FALSE(t->Previous());
}

TEST_F(SQLiteTableTest, NavigationVisitsRowsInOrder) {
    auto t = db.Query("SELECT column1 FROM (VALUES (10), (20), (30))");
    EXPECT_TRUE(t->MoveLast());
    EXPECT_EQ(t->AsInteger(0), 30);
    EXPECT_FALSE(t->AtStart());
    EXPECT_TRUE(t->Previous());
    EXPECT_EQ(t->AsInteger(0), 20);
    EXPECT_TRUE(t->Previous());
    EXPECT_EQ(t->AsInteger(0), 10);
    EXPECT_TRUE(t->AtStart());
    long long sum = 0;
    while (!t->AtEnd()) {
        sum += t->AsInteger(0);
        t->Next();
    }
    EXPECT_EQ(sum, 60);
}

TEST_F(SQLiteTableTest, ColumnIndexOutsideTheRowIsRefused) {
    auto t = db.Query("SELECT 1, 2");
    EXPECT_EQ(error_of([&] { t->AsInteger(2); }), "Field index out of range: 2");
    EXPECT_EQ(error_of([&] { t->AsString(-1); }), "Field index out of range: -1");
}

TEST_F(SQLiteTableTest, HugeFloatHasNoIntegerValue) {
    db.Execute("CREATE TABLE t (f FLOAT)");
    db.Execute("INSERT INTO t VALUES (1e300)");
    auto t = db.Query("SELECT f FROM t");
    EXPECT_EQ(t->AsFloat(0), 1e300);
    EXPECT_EQ(error_of([&] { t->AsInteger(0); }), "Value out of integer range: 1E300");
}

TEST(SQLiteTable, OutlivesItsConnection) {
    ijken::testing::TempDir dir;
    std::unique_ptr<SQLiteTable> t;
    {
        SQLiteDatabase db(dir.db_path());
        db.Execute("CREATE TABLE t (Name VARCHAR (35))");
        db.Execute("INSERT INTO t VALUES ('Dummy 1')");
        t = db.Query("SELECT Name FROM t");
    }
    EXPECT_EQ(t->AsString(t->FieldIndex("name")), "Dummy 1");
}

}  // namespace
}  // namespace ijken::data
