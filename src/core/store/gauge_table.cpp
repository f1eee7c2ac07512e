#include "core/store/gauge_table.h"

#include "core/text/numbers.h"

namespace ijken::store {

using text::format_int;

std::optional<double> stored_tonnage(SQLiteDatabase& db, int ship_id, int immersion) {
    auto rows = db.Query("SELECT * FROM [IJKtable] WHERE [SchipID]=\"" + format_int(ship_id) +
                         "\" and [Inzinking]=\"" + format_int(immersion) + "\" limit 1;");
    if (rows->RowCount() == 0) return std::nullopt;
    return rows->AsFloat(rows->FieldIndex("Tonnage"));
}

std::map<int, double> gauge_rows(SQLiteDatabase& db, int ship_id) {
    auto t = db.Query("select [Inzinking], [Tonnage] from [IJKtable] where [SchipID]=? order by [Inzinking]",
                      {std::int64_t{ship_id}});
    std::map<int, double> rows;
    for (; !t->AtEnd(); t->Next()) rows.emplace(static_cast<int>(t->AsInteger(0)), t->AsFloat(1));
    return rows;
}

std::map<int, double> tonnages_at(SQLiteDatabase& db, int ship_id, int immersion, int other) {
    auto t =
        db.Query("select [Inzinking], [Tonnage] from [IJKtable] where [Inzinking] in (?, ?) and [SchipID]=?",
                 {std::int64_t{immersion}, std::int64_t{other}, std::int64_t{ship_id}});
    std::map<int, double> rows;
    for (; !t->AtEnd(); t->Next()) rows.emplace(static_cast<int>(t->AsInteger(0)), t->AsFloat(1));
    return rows;
}

bool has_extension(SQLiteDatabase& db, int ship_id) {
    return db.Query("select Inzinking from [IJKtable] where [Tonnage] < 0 and [SchipID]=" +
                    format_int(ship_id))
               ->RowCount() > 0;
}

std::optional<int> highest_zero_row(SQLiteDatabase& db, int ship_id) {
    auto nul =
        db.Query("select Inzinking from [IJKtable] where [Tonnage] = 0 and [SchipID]=" + format_int(ship_id) +
                 " order BY [Inzinking] desc  LIMIT 1;");
    if (nul->RowCount() == 0) return std::nullopt;
    return static_cast<int>(nul->AsInteger(nul->FieldIndex("Inzinking")));
}

std::optional<double> tonnage_at(SQLiteDatabase& db, int ship_id, int immersion) {
    auto row = db.Query("select [Tonnage] from [IJKtable] where [Inzinking] = " + format_int(immersion) +
                        " and [SchipID]=" + format_int(ship_id) + " LIMIT 1;");
    if (row->RowCount() == 0) return std::nullopt;
    return row->AsFloat(row->FieldIndex("Tonnage"));
}

void write_extension_row(SQLiteDatabase& db, int ship_id, int immersion, const std::string& tonnage) {
    db.Execute("INSERT OR REPLACE INTO IJktable(SchipID,Inzinking,Tonnage) VALUES (\"" + format_int(ship_id) +
               "\",\"" + format_int(immersion) + "\",\"" + tonnage + "\");");
}

std::optional<long long> first_loaded_row(SQLiteDatabase& db, int ship_id) {
    auto row =
        db.Query("select Inzinking from [IJKtable] where [Tonnage] >0 and [SchipID]=" + format_int(ship_id) +
                 " order BY [Inzinking]  LIMIT 1;");
    if (row->RowCount() == 0) return std::nullopt;
    return row->AsInteger(0);
}

void zero_extension_below(SQLiteDatabase& db, int ship_id, long long boundary) {
    db.Execute("update  [IJKtable] set [Tonnage]=\"0.000\" where [schipId]=\"" + format_int(ship_id) +
               "\" and [inzinking]<\"" + format_int(boundary) + "\" and [tonnage]<0;");
}

void delete_extension(SQLiteDatabase& db, int ship_id) {
    db.Execute("DELETE FROM [IJKtable] where [SchipID]=\"" + format_int(ship_id) + "\"  and [tonnage]<0;");
}

std::unique_ptr<SQLiteTable> top_loaded_row(SQLiteDatabase& db, int ship_id) {
    return db.Query("select * from [IJKtable] where [Tonnage] >0.01 and [SchipID]=" + format_int(ship_id) +
                    " order BY [Inzinking] desc  LIMIT 1");
}

std::map<int, double> whole_gauge_table(SQLiteDatabase& db, int ship_id) {
    auto all_rows = db.Query("select * from [IJKtable] where  [SchipID]=" + format_int(ship_id) +
                             " order BY [Inzinking]");
    std::map<int, double> rows;
    if (all_rows->RowCount() == 0) return rows;
    const int i_col = all_rows->FieldIndex("Inzinking");
    const int t_col = all_rows->FieldIndex("Tonnage");
    for (; !all_rows->AtEnd(); all_rows->Next())
        rows[static_cast<int>(all_rows->AsInteger(i_col))] = all_rows->AsFloat(t_col);
    return rows;
}

void delete_gauge_table(SQLiteDatabase& db, int ship_id) {
    db.Execute("DELETE FROM [IJKtable] where [SchipID]=" + format_int(ship_id) + ";");
}

void insert_gauge_row(SQLiteDatabase& db, int ship_id, int immersion, double tonnage) {
    db.Execute("INSERT INTO IJktable(SchipID,Inzinking,Tonnage) VALUES (\"" + format_int(ship_id) + "\",\"" +
                   format_int(immersion) + "\",?);",
               {tonnage});
}

long long stored_row_count(SQLiteDatabase& db, int ship_id) {
    return db
        .Query("select count(*) from [IJKtable] where [SchipID]=" + format_int(ship_id) +
               " and [Tonnage]>=0;")
        ->AsInteger(0);
}

void each_gauge_row(data::ReadSnapshot& db, const data::RowReader& row) {
    // A row without its ship or centimetre is never looked up; the office's key cannot hold it.
    db.each("SELECT SchipID, Inzinking, Tonnage FROM IJKtable WHERE SchipID IS NOT NULL"
            " AND Inzinking IS NOT NULL ORDER BY SchipID, Inzinking",
            row);
}

void restore_gauge_row(SQLiteDatabase& db, const std::vector<SqlValue>& values) {
    db.Execute("INSERT INTO IJKtable (SchipID, Inzinking, Tonnage) VALUES (?,?,?)", values);
}

}  // namespace ijken::store
