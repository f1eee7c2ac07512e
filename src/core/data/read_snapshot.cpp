#include "core/data/read_snapshot.h"

#include <sqlite3.h>

#include <memory>

#include "core/data/sqlite_database.h"
#include "core/data/sqlite_exception.h"
#include "core/text/numbers.h"

namespace ijken::data {

bool StoredRow::is_null(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t StoredRow::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double StoredRow::real(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::optional<std::string> StoredRow::text(int column) const {
    switch (sqlite3_column_type(statement_, column)) {
        case SQLITE_NULL: return std::nullopt;
        case SQLITE_INTEGER: return text::format_int(sqlite3_column_int64(statement_, column));
        case SQLITE_FLOAT: return text::format_general(sqlite3_column_double(statement_, column));
        default: {
            const auto* p = static_cast<const char*>(sqlite3_column_blob(statement_, column));
            return std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
        }
    }
}

ReadSnapshot::ReadSnapshot(const std::string& file_name) {
    if (sqlite3_open_v2(file_name.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        // No destructor runs after a failed constructor: the half-open handle is closed here.
        std::unique_ptr<sqlite3, int (*)(sqlite3*)> handle(db_, sqlite3_close);
        fail("");
    }
    sqlite3_busy_timeout(db_, kBusyWaitMs);
    if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::unique_ptr<sqlite3, int (*)(sqlite3*)> handle(db_, sqlite3_close);
        fail("BEGIN");
    }
}

ReadSnapshot::~ReadSnapshot() {
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
}

void ReadSnapshot::each(const char* sql, const RowReader& row) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) fail(sql);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(s, sqlite3_finalize);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) row(StoredRow(s));
    if (rc != SQLITE_DONE) fail(sql);
}

void ReadSnapshot::fail(const std::string& sql) const {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    throw SQLiteException(reason + (sql.empty() ? "" : " (" + sql + ")"));
}

}  // namespace ijken::data
