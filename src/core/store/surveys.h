#pragma once
// The statements on IJkOpnames. Each function runs one statement on the caller's connection.
#include <memory>
#include <string>
#include <vector>

#include "core/data/sqlite_database.h"

namespace ijken::store {

using data::SQLiteDatabase;
using data::SQLiteTable;
using data::SqlValue;

// The ship's surveys in order of entry, as the main window browses them.
std::unique_ptr<SQLiteTable> ship_surveys(SQLiteDatabase& db, int schip_id);
// The same with the survey number deciding between equal dates, as the export and the survey list
// read them.
std::unique_ptr<SQLiteTable> ship_surveys_in_order(SQLiteDatabase& db, int schip_id);

// `values` are the twenty readings, the six parties and the cargo, then the salt factor, bound in
// that order (28 values); the report language and the ship go into the statement.
void insert_survey(SQLiteDatabase& db, int schip_id, int taal, const std::vector<SqlValue>& values);
// Stores the same values over the survey (and sets its date to now).
void update_survey(SQLiteDatabase& db, int schip_id, int opname_id, int taal, const std::vector<SqlValue>& values);
void delete_survey(SQLiteDatabase& db, int schip_id, int opname_id);

}  // namespace ijken::store
