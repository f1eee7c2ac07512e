#pragma once
// One open connection to a database file. A connection lives for one user operation: construct it on
// the database path, optionally bracket the work in a transaction, destroy it. Destroying it while a
// transaction is open (for instance while an exception travels) rolls that transaction back.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/data/sqlite_exception.h"
#include "core/data/sqlite_table.h"

struct sqlite3;

namespace ijken::data {

// A value bound to a "?" placeholder. Text goes in as its bytes, unconverted.
using SqlValue = std::variant<std::nullptr_t, std::int64_t, double, std::string>;

// How long every connection waits for another that holds the file (a writer's lock, or a reader
// that a commit must wait for) before it fails with "database is locked".
inline constexpr int kBusyWaitMs = 5000;

// Whether opening a file that does not exist creates it (as an empty database) or fails.
enum class OpenMode { create, existing };

// A database of its own in the process's memory, on no disk: it is gone when its connection closes
// (or the process ends, however it ends). Connections in memory never share one.
struct InMemory {};

class SQLiteDatabase {
  public:
    // Opens (and when missing creates) the file. Raises "Failed to open database ..." on failure.
    // With OpenMode::existing a missing file is not created: opening it fails instead.
    explicit SQLiteDatabase(const std::string& file_name, OpenMode mode = OpenMode::create);
    explicit SQLiteDatabase(InMemory);
    ~SQLiteDatabase();
    SQLiteDatabase(const SQLiteDatabase&) = delete;
    SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

    // Runs the first statement of `sql`, which must return no rows.
    void Execute(const std::string& sql);
    void Execute(const std::string& sql, const std::vector<SqlValue>& params);

    // Runs the first statement of `sql` and fetches all its rows.
    std::unique_ptr<SQLiteTable> Query(const std::string& sql);
    std::unique_ptr<SQLiteTable> Query(const std::string& sql, const std::vector<SqlValue>& params);

    void BeginTransaction();
    void Commit();
    void Rollback();
    bool in_transaction() const { return in_transaction_; }

    // Raises SQLiteException: `message`, followed by a detail line built from the connection's last
    // error when SQLite holds one.
    [[noreturn]] void RaiseError(const std::string& message, const std::string& sql) const;

  private:
    void open(const std::string& file_name, int flags);
    class Statement;
    Statement prepare(const std::string& sql, const std::vector<SqlValue>* params);
    void run(const std::string& sql, const std::vector<SqlValue>* params);
    std::unique_ptr<SQLiteTable> fetch(const std::string& sql, const std::vector<SqlValue>* params);

    sqlite3* db_ = nullptr;
    bool in_transaction_ = false;
};

// For a process that opens one connection, runs a few statements on it and ends (a command): SQLite
// sets no memory aside ahead for statements and pages, and keeps no count of what it uses, which
// would cost such a run more than it saves. Takes effect only before SQLite's first use in the
// process; called later it changes nothing.
void configure_for_a_short_run();

// The description of an SQLite result code used in the detail line of RaiseError.
std::string sqlite_code_description(int code);

}  // namespace ijken::data
