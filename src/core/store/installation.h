#pragma once
// The statements on FleetInstallation, the one table the fleet adds to a barge's database: one row
// with the installation id (a UUID) the office knows the barge by. The designed tables never
// refer to it. Each function runs one statement on the caller's connection.
#include <optional>
#include <string>

#include "core/data/sqlite_database.h"

namespace ijken::store {

using data::SQLiteDatabase;

// The table's name.
inline constexpr const char* kInstallationTable = "FleetInstallation";

// Whether the database has the table (a database that never pushed has not).
bool has_installation_table(SQLiteDatabase& db);
// The id in the table's row, nothing when the table holds none.
std::optional<std::string> stored_installation_id(SQLiteDatabase& db);
// Creates the table when missing.
void create_installation_table(SQLiteDatabase& db);
void insert_installation_id(SQLiteDatabase& db, const std::string& id);

}  // namespace ijken::store
