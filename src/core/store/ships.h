#pragma once
// The statements on Schiptable. Each function runs one statement on the caller's connection; the
// caller brackets them in a transaction (data/transaction.h) where several belong together.
#include <memory>
#include <string>
#include <vector>

#include "core/data/read_snapshot.h"
#include "core/data/sqlite_database.h"

namespace ijken::store {

using data::SQLiteDatabase;
using data::SQLiteTable;
using data::SqlValue;

// A ship as the ships menus list it.
struct ShipEntry {
    int ship_id = 0;
    std::string name;
    bool selected = false;  // Selected = 1
};
// Every ship, in the table's order.
std::vector<ShipEntry> all_ships(SQLiteDatabase& db);
// The ship with Selected = 1 (the start-up and the compute command take its first row).
std::unique_ptr<SQLiteTable> selected_ship(SQLiteDatabase& db);
// The ship with this identifier, as the commands read it.
std::unique_ptr<SQLiteTable> ship_by_id(SQLiteDatabase& db, int ship_id);
// The ship's whole row, as the ship particulars and the report read it.
std::unique_ptr<SQLiteTable> ship_row(SQLiteDatabase& db, int ship_id);

// Marks the ship selected (true) or not.
void set_selected(SQLiteDatabase& db, int ship_id, bool selected);
// The interface language remembered with the ship.
void set_ship_language(SQLiteDatabase& db, int ship_id, int taal);
// The gauge table's range of the ship.
void set_ship_range(SQLiteDatabase& db, int ship_id, int max_inzinking, int min_inzinking);

// A new ship. `texts` are the certificate number, the name and the eight fields, bound in that
// order; the count of gauge points and the language go into the statement. Returns the new row's
// identifier (the connection's last inserted row).
int insert_ship(SQLiteDatabase& db, int aantal_ijken, int taal, const std::vector<SqlValue>& texts);
// The ship's particulars, with the same values as insert_ship.
void update_ship(SQLiteDatabase& db, int ship_id, int aantal_ijken, int taal,
                 const std::vector<SqlValue>& texts);

// The ship and everything stored with it, one statement each: its surveys, its gauge table, its row.
void delete_ship_surveys(SQLiteDatabase& db, int ship_id);
void delete_ship_gauge_table(SQLiteDatabase& db, int ship_id);
void delete_ship_row(SQLiteDatabase& db, int ship_id);

// Every ship in SchipID order with the columns SchipID, Name, Meetbrief_NR, veld1 .. veld8, taal,
// Aantal_ijken, Max_inzinking, Min_inzinking (0 .. 14), as the fleet push copies them.
void each_ship_row(data::ReadSnapshot& db, const data::RowReader& row);
// A ship put back with its own SchipID, marked selected. `values` are the fifteen columns in the
// order each_ship_row reads them.
void restore_ship(SQLiteDatabase& db, const std::vector<SqlValue>& values);

}  // namespace ijken::store
