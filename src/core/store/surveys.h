#pragma once
// The statements on IJkOpnames. Each function runs one statement on the caller's connection.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/data/read_snapshot.h"
#include "core/data/sqlite_database.h"

namespace ijken::store {

using data::SQLiteDatabase;
using data::SQLiteTable;
using data::SqlValue;

// The ship's surveys in order of entry, as the main window browses them.
std::unique_ptr<SQLiteTable> ship_surveys(SQLiteDatabase& db, int ship_id);
// The survey ship_surveys lists last, the one the main window shows first, with the same columns;
// no row for a ship without surveys. Reading it costs little however many surveys the ship has.
std::unique_ptr<SQLiteTable> newest_survey(SQLiteDatabase& db, int ship_id);
// One survey of the ship, with the columns of ship_surveys; no row when the ship has no such survey.
std::unique_ptr<SQLiteTable> ship_survey(SQLiteDatabase& db, int ship_id, std::int64_t survey_id);
// The same with the survey number deciding between equal dates, as the export and the survey list
// read them.
std::unique_ptr<SQLiteTable> ship_surveys_in_order(SQLiteDatabase& db, int ship_id);

// `values` are the twenty readings, the six parties and the cargo, then the salt factor, bound in
// that order (28 values); the report language and the ship go into the statement.
void insert_survey(SQLiteDatabase& db, int ship_id, int taal, const std::vector<SqlValue>& values);
// Stores the same values over the survey (and sets its date to now).
void update_survey(SQLiteDatabase& db, int ship_id, int survey_id, int taal,
                   const std::vector<SqlValue>& values);
void delete_survey(SQLiteDatabase& db, int ship_id, int survey_id);

// Every survey in Opnameid order, as the fleet push copies them, with the columns (0 .. 31)
// Opnameid, Schipid, Verlader_Naam, Verlader_Plaats, Verlader_Telefoon, Ontvanger_Naam,
// Ontvanger_Plaats, Ontvanger_Telefoon, Lading, Taal, InvoerDatum, BBL_1 .. BBL_5, SBL_1 .. SBL_5,
// BBV_1 .. BBV_5, SBV_1 .. SBV_5, ZoutCorrectie.
void each_survey_row(data::ReadSnapshot& db, const data::RowReader& row);
// A survey put back with its own Opnameid and entry time: the 32 columns in the order
// each_survey_row reads them.
void restore_survey(SQLiteDatabase& db, const std::vector<SqlValue>& values);

}  // namespace ijken::store
