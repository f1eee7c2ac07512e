#pragma once
// A ship's row as the main window and the compute command load it.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "core/data/sqlite_database.h"
#include "core/data/sqlite_table.h"

#include "core/survey/computation.h"

namespace ijken::survey {

struct ShipRecord {
    ShipParams params;
    std::string name;       // Name
    std::string meetbrief;  // Meetbrief_NR
    int taal = 0;           // interface language number
};

// The ship with Selected = 1 (the first such row), or nothing when no ship is selected.
std::optional<ShipRecord> read_selected_ship(const std::string& db_pad);
std::optional<ShipRecord> read_selected_ship(data::SQLiteDatabase& db);

// The ship with the given identifier, or nothing.
std::optional<ShipRecord> read_ship(const std::string& db_pad, int ship_id);

// The ship's surveys in order of entry, the first row current.
std::unique_ptr<data::SQLiteTable> read_surveys(const std::string& db_pad, int ship_id);

// The ship and its surveys on the caller's connection, for a command that reads a survey on one
// connection.
std::optional<ShipRecord> read_ship(data::SQLiteDatabase& db, int ship_id);
std::unique_ptr<data::SQLiteTable> read_surveys(data::SQLiteDatabase& db, int ship_id);

// The ship's lines at the head of the report: its name, its gauge certificate's number and the
// eight free fields (veld1 to veld8), as stored.
struct ShipParticulars {
    std::string name;
    std::string meetbrief;
    std::array<std::string, 8> veld;
};
// Throws when the ship has no row.
ShipParticulars read_ship_particulars(data::SQLiteDatabase& db, int ship_id);
// The ship of that SchipID, or without one the selected ship, with its report header's lines, from
// the one row read; none when there is no such ship.
std::optional<std::pair<ShipRecord, ShipParticulars>> read_ship_with_particulars(data::SQLiteDatabase& db,
                                                                                 std::optional<int> ship_id);

}  // namespace ijken::survey
