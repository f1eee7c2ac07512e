#include "core/survey/opening_read.h"

#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"

namespace ijken::survey {

OpeningRead read_opening(const std::string& db_pad) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    // One snapshot: nothing it reads is written, so it is never committed.
    data::Transaction snapshot(db);
    OpeningRead read;
    read.ships = store::all_ships(db);
    read.ship = read_selected_ship(db);
    if (*read.ship) {
        read.surveys_of = (*read.ship)->params.SchipID;
        read.surveys = read_surveys(db, read.surveys_of);
    }
    return read;
}

std::future<OpeningRead> read_opening_ahead(std::string db_pad) {
    return std::async(std::launch::async, [db_pad = std::move(db_pad)] { return read_opening(db_pad); });
}

}  // namespace ijken::survey
