#pragma once
// What the main window reads from the database when it opens (the ships for the menus, the selected
// ship, its surveys), read in one go. The program starts this read on a thread of its own while
// the toolkit connects to the display, so that a fleet of ships and thousands of surveys do not
// keep the window from the screen; formcreate takes the result, or reads as usual when there is
// none (the database did not exist yet, the read failed).
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/data/sqlite_table.h"
#include "core/store/ships.h"
#include "core/survey/ship_record.h"

namespace ijken::survey {

struct OpeningRead {
    std::optional<std::vector<store::ShipEntry>> ships;
    // The selected ship: set once read (the inner optional is empty when no ship is selected).
    std::optional<std::optional<ShipRecord>> ship;
    // The selected ship's surveys, in the main window's order.
    std::unique_ptr<data::SQLiteTable> surveys;
    int surveys_of = 0;
};

// Reads everything of OpeningRead from an existing database, in one read transaction. Throws when
// the database is missing or cannot be read.
OpeningRead read_opening(const std::string& db_pad);

// read_opening on a thread of its own.
std::future<OpeningRead> read_opening_ahead(std::string db_pad);

}  // namespace ijken::survey
