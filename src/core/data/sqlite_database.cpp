#include "core/data/sqlite_database.h"

#include <sqlite3.h>

#include <utility>

#include "core/text/numbers.h"

namespace ijken::data {

// Owns a prepared statement and finalizes it on every way out, also when an exception leaves.
class SQLiteDatabase::Statement {
  public:
    explicit Statement(sqlite3_stmt* handle) : handle_(handle) {}
    Statement(Statement&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement& operator=(Statement&&) = delete;
    ~Statement() {
        if (handle_) sqlite3_finalize(handle_);
    }
    sqlite3_stmt* get() const { return handle_; }

  private:
    sqlite3_stmt* handle_;
};

namespace {

struct CodeText {
    int code;
    const char* text;
};

// The texts of SQLite's primary result codes.
constexpr CodeText kCodeTexts[] = {
    {0, "Successful result"},
    {1, "SQL error or missing database"},
    {2, "An internal logic error in SQLite"},
    {3, "Access permission denied"},
    {4, "Callback routine requested an abort"},
    {5, "The database file is locked"},
    {6, "A table in the database is locked"},
    {7, "A malloc() failed"},
    {8, "Attempt to write a readonly database"},
    {9, "Operation terminated by sqlite3_interrupt()"},
    {10, "Some kind of disk I/O error occurred"},
    {11, "The database disk image is malformed"},
    {12, "(Internal Only) Table or record not found"},
    {13, "Insertion failed because database is full"},
    {14, "Unable to open the database file"},
    {15, "Database lock protocol error"},
    {16, "Database is empty"},
    {17, "The database schema changed"},
    {18, "Too much data for one row of a table"},
    {19, "Abort due to contraint violation"},
    {20, "Data type mismatch"},
    {21, "Library used incorrectly"},
    {22, "Uses OS features not supported on host"},
    {23, "Authorization denied"},
    {24, "Auxiliary database format error"},
    {25, "2nd parameter to sqlite3_bind out of range"},
    {26, "File opened that is not a database file"},
    {100, "sqlite3_step() has another row ready"},
    {101, "sqlite3_step() has finished executing"},
};

}  // namespace

std::string sqlite_code_description(int code) {
    for (const CodeText& entry : kCodeTexts) {
        if (entry.code == code) return entry.text;
    }
    return "Unknown SQLite Error Code \"" + text::format_int(code) + "\"";
}

void configure_for_a_short_run() {
    sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, static_cast<void*>(nullptr), 0, 0);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}

SQLiteDatabase::SQLiteDatabase(const std::string& file_name, OpenMode mode) {
    // Read-write and create, as the plain open does; the v2 call only spells the flags out. A
    // connection is used by one thread at a time (the one that opened it), so SQLite need not lock
    // it on every call: reading a column of a row costs a third less.
    open(file_name, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (mode == OpenMode::create ? SQLITE_OPEN_CREATE : 0));
}

SQLiteDatabase::SQLiteDatabase(InMemory) {
    open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY | SQLITE_OPEN_NOMUTEX);
}

void SQLiteDatabase::open(const std::string& file_name, int flags) {
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(file_name.c_str(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (!handle) throw SQLiteException("Failed to open database \"" + file_name + "\" : unknown error");
        std::string message = "Failed to open database \"" + file_name + "\" : " + sqlite3_errmsg(handle);
        // No destructor runs after a failed constructor, so the half-open handle is closed here.
        sqlite3_close(handle);
        throw SQLiteException(message);
    }
    // Another connection of the program (a push reading, a command, the window) may hold the file
    // for a moment: wait for it as the push's read does, instead of failing at once with "database
    // is locked".
    sqlite3_busy_timeout(handle, kBusyWaitMs);
    db_ = handle;
}

SQLiteDatabase::~SQLiteDatabase() {
    if (in_transaction_) {
        // Going away inside a transaction means the operation did not finish: discard its work. A
        // failing ROLLBACK cannot be reported from here, and closing rolls back anyway.
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        in_transaction_ = false;
    }
    if (db_) sqlite3_close(db_);
}

void SQLiteDatabase::RaiseError(const std::string& message, const std::string& sql) const {
    int code = sqlite3_errcode(db_);
    if (code != SQLITE_OK) {
        const char* error_text = sqlite3_errmsg(db_);
        if (error_text) {
            throw SQLiteException(message + ".\rError [" + text::format_int(code) + "]: " +
                                  sqlite_code_description(code) + ".\r\"" + sql + "\": " + error_text);
        }
    }
    throw SQLiteException(message);
}

SQLiteDatabase::Statement SQLiteDatabase::prepare(const std::string& sql,
                                                  const std::vector<SqlValue>* params) {
    sqlite3_stmt* handle = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &handle, nullptr) != SQLITE_OK) {
        // A failed prepare leaves no statement behind, but be safe.
        Statement guard(handle);
        RaiseError("Error executing SQL", sql);
    }
    Statement statement(handle);
    if (!handle) RaiseError("Could not prepare SQL statement", sql);  // empty text or only a comment
    if (!params) return statement;

    const int placeholders = sqlite3_bind_parameter_count(handle);
    // More values than placeholders: binding the first surplus one makes SQLite report
    // SQLITE_RANGE, which then reaches the message. Fewer values would silently leave NULLs.
    if (static_cast<int>(params->size()) < placeholders) {
        throw SQLiteException("BindData: Too few values to bind (" + text::format_int(params->size()) +
                              " given for " + text::format_int(placeholders) + " placeholders).\r\"" + sql +
                              "\"");
    }
    int index = 0;
    for (const SqlValue& value : *params) {
        ++index;
        int rc = SQLITE_OK;
        const char* what = "";
        if (std::holds_alternative<std::nullptr_t>(value)) {
            rc = sqlite3_bind_null(handle, index);
            what = "BindData: Could not bind null";
        } else if (const auto* i = std::get_if<std::int64_t>(&value)) {
            rc = sqlite3_bind_int64(handle, index, *i);
            what = "BindData: Could not bind integer";
        } else if (const auto* d = std::get_if<double>(&value)) {
            rc = sqlite3_bind_double(handle, index, *d);
            what = "BindData: Could not bind float";
        } else {
            const std::string& s = std::get<std::string>(value);
            // The values outlive the statement (it is finalized before Execute/Query return), so
            // SQLite need not copy the bytes.
            rc = sqlite3_bind_text64(handle, index, s.data(), s.size(), SQLITE_STATIC, SQLITE_UTF8);
            what = "BindData: Could not bind text";
        }
        if (rc != SQLITE_OK) RaiseError(what, sql);
    }
    return statement;
}

void SQLiteDatabase::run(const std::string& sql, const std::vector<SqlValue>* params) {
    Statement statement = prepare(sql, params);
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        sqlite3_reset(statement.get());
        RaiseError("Error executing SQL statement", sql);
    }
}

std::unique_ptr<SQLiteTable> SQLiteDatabase::fetch(const std::string& sql,
                                                   const std::vector<SqlValue>* params) {
    Statement statement = prepare(sql, params);
    std::unique_ptr<SQLiteTable> table(new SQLiteTable());
    table->fetch(statement.get(), *this, sql);
    return table;
}

void SQLiteDatabase::Execute(const std::string& sql) {
    run(sql, nullptr);
}
void SQLiteDatabase::Execute(const std::string& sql, const std::vector<SqlValue>& params) {
    run(sql, &params);
}

std::unique_ptr<SQLiteTable> SQLiteDatabase::Query(const std::string& sql) {
    return fetch(sql, nullptr);
}
std::unique_ptr<SQLiteTable> SQLiteDatabase::Query(const std::string& sql,
                                                   const std::vector<SqlValue>& params) {
    return fetch(sql, &params);
}

void SQLiteDatabase::BeginTransaction() {
    if (in_transaction_) throw SQLiteException("Transaction already open");
    Execute("BEGIN TRANSACTION");
    in_transaction_ = true;
}

void SQLiteDatabase::Commit() {
    Execute("COMMIT");
    in_transaction_ = false;
}

void SQLiteDatabase::Rollback() {
    Execute("ROLLBACK");
    in_transaction_ = false;
}

}  // namespace ijken::data
