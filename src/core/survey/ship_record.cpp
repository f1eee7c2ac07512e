#include "core/survey/ship_record.h"

#include "core/data/sqlite_database.h"
#include "core/store/ships.h"
#include "core/store/surveys.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

// The first row of a query on Schiptable as a ship.
std::optional<ShipRecord> first_ship(const data::SQLiteTable& rows) {
    if (rows.RowCount() == 0) return std::nullopt;
    auto as_int = [&](const char* column) { return static_cast<int>(rows.AsInteger(rows.FieldIndex(column))); };
    ShipRecord s;
    s.meetbrief = rows.AsString(rows.FieldIndex("Meetbrief_NR"));
    s.name = rows.AsString(rows.FieldIndex("Name"));
    s.params.Aantal_ijken = as_int("Aantal_ijken");
    s.params.Max_inzinking = as_int("Max_inzinking");
    s.params.Min_inzinking = as_int("Min_inzinking");
    s.params.SchipID = as_int("SchipID");
    s.taal = as_int("taal");
    return s;
}

// The report header's lines of the ship in the first row of a query on Schiptable.
ShipParticulars particulars_of(const data::SQLiteTable& ship) {
    ShipParticulars p;
    p.name = ship.AsString(ship.FieldIndex("name"));
    p.meetbrief = ship.AsString(ship.FieldIndex("Meetbrief_NR"));
    for (int i = 0; i < 8; ++i) p.veld[i] = ship.AsString(ship.FieldIndex("veld" + text::format_int(i + 1)));
    return p;
}

}  // namespace

std::optional<std::pair<ShipRecord, ShipParticulars>> read_ship_with_particulars(data::SQLiteDatabase& db,
                                                                                 std::optional<int> ship_id) {
    const auto rows = ship_id ? store::ship_by_id(db, *ship_id) : store::selected_ship(db);
    auto ship = first_ship(*rows);
    if (!ship) return std::nullopt;
    return std::pair{std::move(*ship), particulars_of(*rows)};
}

std::optional<ShipRecord> read_selected_ship(data::SQLiteDatabase& db) {
    return first_ship(*store::selected_ship(db));
}

std::optional<ShipRecord> read_ship(data::SQLiteDatabase& db, int ship_id) {
    return first_ship(*store::ship_by_id(db, ship_id));
}

std::unique_ptr<data::SQLiteTable> read_surveys(data::SQLiteDatabase& db, int ship_id) {
    return store::ship_surveys(db, ship_id);
}

std::optional<ShipRecord> read_selected_ship(const std::string& db_pad) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return read_selected_ship(db);
}

std::optional<ShipRecord> read_ship(const std::string& db_pad, int ship_id) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return read_ship(db, ship_id);
}

std::unique_ptr<data::SQLiteTable> read_surveys(const std::string& db_pad, int ship_id) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return read_surveys(db, ship_id);
}

ShipParticulars read_ship_particulars(data::SQLiteDatabase& db, int ship_id) {
    return particulars_of(*store::ship_row(db, ship_id));
}

}  // namespace ijken::survey
