#pragma once
// The complete result of one query, fetched into memory at once. It does not refer to the connection
// afterwards, so it may outlive it (the main window keeps one across user actions).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace ijken::data {

class SQLiteDatabase;

// A column's kind, decided once from the first row. The values are SQLite's fundamental type codes.
enum class ColumnKind : int { Integer = 1, Numeric = 2, Text = 3, Blob = 4, Null = 5 };

// Upper case as the program's single-byte character set knows it: ASCII letters, and the
// Windows-1252 letters 0xE0..0xFE (except the division sign 0xF7) to 0xC0..0xDE.
std::string upper_case(std::string_view text);

class SQLiteTable {
  public:
    SQLiteTable(const SQLiteTable&) = delete;
    SQLiteTable& operator=(const SQLiteTable&) = delete;
    SQLiteTable(SQLiteTable&&) noexcept = default;
    SQLiteTable& operator=(SQLiteTable&&) noexcept = default;
    ~SQLiteTable() = default;

    int RowCount() const { return row_count_; }
    int column_count() const { return column_count_; }
    bool AtEnd() const { return current_row_ >= row_count_; }
    bool AtStart() const { return current_row_ == 0; }
    // True on the last row (false on an empty table and at the end).
    bool at_last() const { return current_row_ == row_count_ - 1; }

    // Position of the column with this name, compared without regard to case.
    int FieldIndex(const std::string& name) const;

    std::string AsString(int column) const;
    std::int64_t AsInteger(int column) const;
    double AsFloat(int column) const;
    // The bytes of a blob column (empty for NULL or a zero-length blob); valid while the table lives.
    std::string_view as_blob(int column) const;

    bool Next();
    bool Previous();
    bool MoveLast();

    // The kind the fetch gave the column (Null for a table without rows).
    ColumnKind column_kind(int column) const;

  private:
    friend class SQLiteDatabase;
    SQLiteTable() = default;

    // Steps `stmt` to its end and copies every row. Raises through `db` on a failing step; the
    // caller owns (and finalizes) the statement.
    void fetch(sqlite3_stmt* stmt, const SQLiteDatabase& db, const std::string& sql);

    // One value: absent (SQL NULL), a number, or bytes of text or blob kept in bytes_ (the column
    // kind says which). Small and plain, so that thousands of rows are copied into memory fast.
    struct Cell {
        enum class Holds : std::uint8_t { nothing, integer, real, bytes } holds = Holds::nothing;
        std::uint32_t length = 0;
        union {
            std::int64_t integer = 0;
            double real;
            std::size_t offset;
        };
    };
    const Cell& cell(int column) const;
    // Appends the bytes to bytes_ and points the cell at them.
    void keep_bytes(Cell& cell, const char* data, std::size_t size);
    std::string_view bytes(const Cell& c) const { return std::string_view(bytes_).substr(c.offset, c.length); }

    std::vector<Cell> cells_;  // row-major: row r, column c at r * column_count_ + c
    std::string bytes_;
    std::vector<std::string> column_names_;
    std::vector<ColumnKind> column_kinds_;
    int row_count_ = 0;
    int column_count_ = 0;
    int current_row_ = 0;
};

}  // namespace ijken::data
