#include "core/survey/ship_record.h"

#include "core/data/sqlite_database.h"
#include "core/store/ships.h"
#include "core/store/surveys.h"

namespace ijken::survey {

namespace {

// The first row of a query on Schiptable as a ship.
template <typename Query>
std::optional<ShipRecord> first_ship(data::SQLiteDatabase& db, Query query) {
    auto rows = query(db);
    if (rows->RowCount() == 0) return std::nullopt;
    auto as_int = [&](const char* column) { return static_cast<int>(rows->AsInteger(rows->FieldIndex(column))); };
    ShipRecord s;
    s.meetbrief = rows->AsString(rows->FieldIndex("Meetbrief_NR"));
    s.name = rows->AsString(rows->FieldIndex("Name"));
    s.params.Aantal_ijken = as_int("Aantal_ijken");
    s.params.Max_inzinking = as_int("Max_inzinking");
    s.params.Min_inzinking = as_int("Min_inzinking");
    s.params.SchipID = as_int("SchipID");
    s.taal = as_int("taal");
    return s;
}

}  // namespace

std::optional<ShipRecord> read_selected_ship(data::SQLiteDatabase& db) {
    return first_ship(db, [](data::SQLiteDatabase& d) { return store::selected_ship(d); });
}

std::optional<ShipRecord> read_selected_ship(const std::string& db_pad) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return read_selected_ship(db);
}

std::optional<ShipRecord> read_ship(const std::string& db_pad, int schip_id) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return first_ship(db, [schip_id](data::SQLiteDatabase& d) { return store::ship_by_id(d, schip_id); });
}

std::unique_ptr<data::SQLiteTable> read_surveys(const std::string& db_pad, int schip_id) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return store::ship_surveys(db, schip_id);
}

}  // namespace ijken::survey
