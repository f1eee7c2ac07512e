#include "core/survey/ship_record.h"

#include "core/data/sqlite_database.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

std::optional<ShipRecord> first_ship(const std::string& db_pad, const std::string& sql) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    auto rows = db.Query(sql);
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

std::optional<ShipRecord> read_selected_ship(const std::string& db_pad) {
    return first_ship(db_pad, "SELECT * FROM Schiptable where Selected=1;");
}

std::optional<ShipRecord> read_ship(const std::string& db_pad, int schip_id) {
    return first_ship(db_pad, "SELECT * FROM Schiptable where SchipID=" + text::format_int(schip_id) + ";");
}

std::unique_ptr<data::SQLiteTable> read_surveys(const std::string& db_pad, int schip_id) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return db.Query("SELECT * from [IJkOpnames] WHERE [Schipid]=\"" + text::format_int(schip_id) +
                    "\" order by [InvoerDatum]");
}

}  // namespace ijken::survey
