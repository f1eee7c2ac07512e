#include "core/store/ships.h"

#include "core/text/numbers.h"

namespace ijken::store {

using text::format_int;

namespace {

// Every text goes in as a bound value: a quote or a bracket in a name is stored as typed and can
// never change the statement. The numbers the program writes itself stay in the text.
const char* const kInsertHead =
    "INSERT INTO [Schiptable]([Meetbrief_NR],[name],[Aantal_ijken],[veld1], [veld2], [veld3], "
    "[veld4],[veld5], [veld6], [veld7], [veld8],[taal])VALUES (?,?,\"";
const char* const kUpdateHead = "update [Schiptable]set [Meetbrief_NR]=? ,[name]=?,[Aantal_ijken]=\"";

}  // namespace

std::vector<ShipEntry> all_ships(SQLiteDatabase& db) {
    auto rows = db.Query("SELECT * FROM Schiptable");
    std::vector<ShipEntry> ships;
    if (rows->RowCount() == 0) return ships;
    const int name_column = rows->FieldIndex("Name");
    const int id_column = rows->FieldIndex("SchipID");
    const int selected_column = rows->FieldIndex("selected");
    ships.reserve(static_cast<std::size_t>(rows->RowCount()));
    for (; !rows->AtEnd(); rows->Next()) {
        ships.push_back({static_cast<int>(rows->AsInteger(id_column)), rows->AsString(name_column),
                         rows->AsInteger(selected_column) == 1});
    }
    return ships;
}

std::unique_ptr<SQLiteTable> selected_ship(SQLiteDatabase& db) {
    return db.Query("SELECT * FROM Schiptable where Selected=1;");
}

std::unique_ptr<SQLiteTable> ship_by_id(SQLiteDatabase& db, int ship_id) {
    return db.Query("SELECT * FROM Schiptable where SchipID=" + format_int(ship_id) + ";");
}

std::unique_ptr<SQLiteTable> ship_row(SQLiteDatabase& db, int ship_id) {
    return db.Query("SELECT * from [Schiptable] WHERE [Schipid]=\"" + format_int(ship_id) + "\";");
}

void set_selected(SQLiteDatabase& db, int ship_id, bool selected) {
    db.Execute(std::string("update [Schiptable] SET [Selected]=") + (selected ? "1" : "0") +
               " WHERE SchipID=" + format_int(ship_id) + ";");
}

void set_ship_language(SQLiteDatabase& db, int ship_id, int taal) {
    db.Execute("update [Schiptable]set [taal]=\"" + format_int(taal) + "\"WHERE [Schipid]=\"" +
               format_int(ship_id) + "\";");
}

void set_ship_range(SQLiteDatabase& db, int ship_id, int max_inzinking, int min_inzinking) {
    db.Execute("UPDATE [Schiptable] set [Max_inzinking]=\"" + format_int(max_inzinking) +
               "\", [Min_inzinking]=\"" + format_int(min_inzinking) +
               "\" where [SchipID]=" + format_int(ship_id) + ";");
}

int insert_ship(SQLiteDatabase& db, int aantal_ijken, int taal, const std::vector<SqlValue>& texts) {
    db.Execute(std::string(kInsertHead) + format_int(aantal_ijken) + "\" ,?,?,?,?,?, ?,?,?,\"" + format_int(taal) +
                   "\");",
               texts);
    return static_cast<int>(db.Query("select last_insert_rowid()")->AsInteger(0));
}

void update_ship(SQLiteDatabase& db, int ship_id, int aantal_ijken, int taal,
                 const std::vector<SqlValue>& texts) {
    db.Execute(
        std::string(kUpdateHead) + format_int(aantal_ijken) +
            "\",[veld1]=?, [veld2]=?, [veld3]=?, [veld4]=?,[veld5]=?, [veld6]=?, [veld7]=?, [veld8]=?, "
            "[taal]=\"" +
            format_int(taal) + "\"WHERE [Schipid]=\"" + format_int(ship_id) + "\";",
        texts);
}

void delete_ship_surveys(SQLiteDatabase& db, int ship_id) {
    db.Execute("DELETE from [IJkOpnames] where [Schipid]=" + format_int(ship_id) + " ;");
}

void delete_ship_gauge_table(SQLiteDatabase& db, int ship_id) {
    db.Execute("DELETE from [IJktable] where [Schipid]=" + format_int(ship_id) + " ;");
}

void delete_ship_row(SQLiteDatabase& db, int ship_id) {
    db.Execute("DELETE from [Schiptable] where [Schipid]=" + format_int(ship_id) + " ;");
}

void each_ship_row(data::ReadSnapshot& db, const data::RowReader& row) {
    db.each("SELECT SchipID, Name, Meetbrief_NR, veld1, veld2, veld3, veld4, veld5, veld6, veld7, veld8,"
            " taal, Aantal_ijken, Max_inzinking, Min_inzinking FROM Schiptable ORDER BY SchipID",
            row);
}

void restore_ship(SQLiteDatabase& db, const std::vector<SqlValue>& values) {
    db.Execute("INSERT INTO Schiptable (SchipID, Name, Meetbrief_NR, veld1, veld2, veld3, veld4, veld5,"
               " veld6, veld7, veld8, taal, Aantal_ijken, Max_inzinking, Min_inzinking, Selected)"
               " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?, 1)",
               values);
}

}  // namespace ijken::store
