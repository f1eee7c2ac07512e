#pragma once
// A read-only connection holding one read transaction for its whole life: every query on it sees
// one state of the file, even while the program writes to it through another connection. Rows
// are handed over one at a time, each cell as SQLite stored it (a number in a text column stays a
// number), for copying a whole database elsewhere without holding it twice in memory.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace ijken::data {

// The current row of a query on a ReadSnapshot, valid only during the call that hands it over.
class StoredRow {
  public:
    explicit StoredRow(sqlite3_stmt* statement) : statement_(statement) {}
    bool is_null(int column) const;
    std::int64_t integer(int column) const;  // 0 for NULL
    double real(int column) const;           // 0.0 for NULL
    // The cell as the program's tables read it: an integer or a real stored in a text column as
    // its text (format_int, format_general), text and blob bytes as they are, NULL as nothing.
    std::optional<std::string> text(int column) const;

  private:
    sqlite3_stmt* statement_;
};

using RowReader = std::function<void(const StoredRow&)>;

class ReadSnapshot {
  public:
    // Opens the existing file read-only (waiting up to five seconds for a writer) and begins the
    // read transaction. Throws SQLiteException with SQLite's reason.
    explicit ReadSnapshot(const std::string& file_name);
    // Ends the read transaction and closes the connection.
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

    // Runs a query and calls `row` for each of its rows. Throws SQLiteException with SQLite's
    // reason followed by the statement in parentheses.
    void each(const char* sql, const RowReader& row);

  private:
    [[noreturn]] void fail(const std::string& sql) const;
    sqlite3* db_ = nullptr;
};

}  // namespace ijken::data
