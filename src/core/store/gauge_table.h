#pragma once
// The statements on IJKtable, a ship's gauge table: one row per whole centimetre of immersion with
// its tonnage. Rows with a negative tonnage are the table's extension, written below and above it
// for surveys outside the table. Each function runs one statement on the caller's connection.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/data/read_snapshot.h"
#include "core/data/sqlite_database.h"

namespace ijken::store {

using data::SQLiteDatabase;
using data::SQLiteTable;
using data::SqlValue;

// The survey's lookup: the ship's stored tonnage at one centimetre, nothing without such a row.
std::optional<double> stored_tonnage(SQLiteDatabase& db, int ship_id, int immersion);
// Every row of the ship's table, immersion to tonnage, read at once for computing in memory.
std::map<int, double> gauge_rows(SQLiteDatabase& db, int ship_id);
// The stored tonnages at two whole centimetres (a state's lower and upper), those that have a row.
std::map<int, double> tonnages_at(SQLiteDatabase& db, int ship_id, int immersion, int other);

// For the extension: whether the table was extended before (it has a negative row), the highest
// row with tonnage 0, a row's tonnage looked up by immersion, and one row written (the tonnage as
// the text that is stored).
bool has_extension(SQLiteDatabase& db, int ship_id);
std::optional<int> highest_zero_row(SQLiteDatabase& db, int ship_id);
std::optional<double> tonnage_at(SQLiteDatabase& db, int ship_id, int immersion);
void write_extension_row(SQLiteDatabase& db, int ship_id, int immersion, const std::string& tonnage);

// For the gauge table window: the first row with a tonnage (immersion), the extension below a
// boundary made zero rows again, the remaining extension deleted, the highest row with a tonnage
// (the whole row, as the window reads it) and every row (immersion to tonnage).
std::optional<long long> first_loaded_row(SQLiteDatabase& db, int ship_id);
void zero_extension_below(SQLiteDatabase& db, int ship_id, long long boundary);
void delete_extension(SQLiteDatabase& db, int ship_id);
std::unique_ptr<SQLiteTable> top_loaded_row(SQLiteDatabase& db, int ship_id);
std::map<int, double> whole_gauge_table(SQLiteDatabase& db, int ship_id);

// Storing a table: the old rows go, the new ones come one by one. And the count of stored rows
// that are not extension.
void delete_gauge_table(SQLiteDatabase& db, int ship_id);
void insert_gauge_row(SQLiteDatabase& db, int ship_id, int immersion, double tonnage);
long long stored_row_count(SQLiteDatabase& db, int ship_id);

// Every row of every ship's table that has its ship and centimetre, ordered by ship and
// centimetre, with the columns SchipID, Inzinking, Tonnage, as the fleet push copies them.
void each_gauge_row(data::ReadSnapshot& db, const data::RowReader& row);
// A row put back as it was kept elsewhere: SchipID, Inzinking, Tonnage, bound as given.
void restore_gauge_row(SQLiteDatabase& db, const std::vector<SqlValue>& values);

}  // namespace ijken::store
