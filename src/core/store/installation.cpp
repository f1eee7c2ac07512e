#include "core/store/installation.h"

namespace ijken::store {

bool has_installation_table(SQLiteDatabase& db) {
    return db.Query("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?",
                    {std::string(kInstallationTable)})
               ->AsInteger(0) != 0;
}

std::optional<std::string> stored_installation_id(SQLiteDatabase& db) {
    auto row = db.Query(std::string("SELECT InstallationID FROM ") + kInstallationTable + " LIMIT 1");
    if (row->RowCount() == 0) return std::nullopt;
    return row->AsString(0);
}

void create_installation_table(SQLiteDatabase& db) {
    db.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kInstallationTable +
               " ([InstallationID] VARCHAR(36) NOT NULL PRIMARY KEY,"
               " [Created] DATETIME DEFAULT (datetime('now')))");
}

void insert_installation_id(SQLiteDatabase& db, const std::string& id) {
    db.Execute(std::string("INSERT INTO ") + kInstallationTable + " (InstallationID) VALUES (?)", {id});
}

}  // namespace ijken::store
