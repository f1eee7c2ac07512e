#include "core/store/surveys.h"

#include "core/text/numbers.h"

namespace ijken::store {

using text::format_int;

namespace {

// Every user text goes in through a placeholder: a quote, a backslash or a column name in a
// shipper's name is stored as typed and cannot change the statement. The numbers the program
// writes itself (the report language, the ship and the survey) stay in the text.
const char* const kInsertHead =
    "INSERT INTO [IJkOpnames]([BBL_1], [BBL_2], [BBL_3], [BBL_4], [BBL_5],[SBL_1], [SBL_2], [SBL_3], "
    "[SBL_4], "
    "[SBL_5],[BBV_1], [BBV_2], [BBV_3], [BBV_4], [BBV_5],[SBV_1], [SBV_2], [SBV_3], [SBV_4], "
    "[SBV_5],[Verlader_Naam],[Verlader_Plaats],[Verlader_Telefoon],[Ontvanger_Naam],[Ontvanger_Plaats],"
    "[Ontvanger_Telefoon],[Lading],[Taal],[ZoutCorrectie],[Schipid])VALUES (?,?,?,?,?, ?,?,?,?,?, ?,?,?,?,?, "
    "?,?,?,?,?,?,?,?   ,?,?,?,  ?,\"";

const char* const kUpdateHead =
    "update [IJkOpnames] set [InvoerDatum]=datetime('now'),[BBL_1]=?, [BBL_2]=?, [BBL_3]=?, [BBL_4]=?, "
    "[BBL_5]=?,[SBL_1]=?, [SBL_2]=?, [SBL_3]=?, [SBL_4]=?, [SBL_5]=?,[BBV_1]=?, [BBV_2]=?, [BBV_3]=?, "
    "[BBV_4]=?, [BBV_5]=?,[SBV_1]=?, [SBV_2]=?, [SBV_3]=?, [SBV_4]=?, [SBV_5]=?,[Verlader_Naam]=?,"
    "[Verlader_Plaats]=?,[Verlader_Telefoon]=?,[Ontvanger_Naam]=?,[Ontvanger_Plaats]=?,"
    "[Ontvanger_Telefoon]=?,[Lading]=?,[Taal]=\"";

}  // namespace

std::unique_ptr<SQLiteTable> ship_surveys(SQLiteDatabase& db, int ship_id) {
    return db.Query("SELECT * from [IJkOpnames] WHERE [Schipid]=\"" + format_int(ship_id) +
                    "\" order by [InvoerDatum]");
}

std::unique_ptr<SQLiteTable> newest_survey(SQLiteDatabase& db, int ship_id) {
    // ship_surveys reads the ship's surveys in Opnameid order (its index, or the table itself,
    // whose key Opnameid is) and SQLite sorts stably: surveys of the same date stay in Opnameid
    // order. So its last row is the last by date and then by number, which only the two keys need
    // be read and sorted for.
    return db.Query(
        "SELECT * from [IJkOpnames] WHERE [Opnameid]=(SELECT [Opnameid] from [IJkOpnames] "
        "WHERE [Schipid]=? order by [InvoerDatum] desc, [Opnameid] desc limit 1)",
        {std::int64_t{ship_id}});
}

std::unique_ptr<SQLiteTable> ship_survey(SQLiteDatabase& db, int ship_id, std::int64_t survey_id) {
    return db.Query("SELECT * from [IJkOpnames] WHERE [Schipid]=? and [Opnameid]=?",
                    {std::int64_t{ship_id}, survey_id});
}

std::unique_ptr<SQLiteTable> ship_surveys_in_order(SQLiteDatabase& db, int ship_id) {
    return db.Query("SELECT * from [IJkOpnames] WHERE [Schipid]=? order by [InvoerDatum], [Opnameid]",
                    {std::int64_t{ship_id}});
}

void insert_survey(SQLiteDatabase& db, int ship_id, int taal, const std::vector<SqlValue>& values) {
    db.Execute(std::string(kInsertHead) + format_int(taal) + "\" ,? , \"" + format_int(ship_id) + "\");",
               values);
}

void update_survey(SQLiteDatabase& db, int ship_id, int survey_id, int taal,
                   const std::vector<SqlValue>& values) {
    db.Execute(std::string(kUpdateHead) + format_int(taal) + "\",[ZoutCorrectie]=?where [Schipid]=" +
                   format_int(ship_id) + " and [OpnameID]=" + format_int(survey_id) + " ;",
               values);
}

void delete_survey(SQLiteDatabase& db, int ship_id, int survey_id) {
    db.Execute("DELETE from [IJkOpnames] where [Schipid]=" + format_int(ship_id) +
               " and [OpnameID]=" + format_int(survey_id) + " ;");
}

void each_survey_row(data::ReadSnapshot& db, const data::RowReader& row) {
    db.each("SELECT Opnameid, Schipid, Verlader_Naam, Verlader_Plaats, Verlader_Telefoon, Ontvanger_Naam,"
            " Ontvanger_Plaats, Ontvanger_Telefoon, Lading, Taal, InvoerDatum,"
            " BBL_1, BBL_2, BBL_3, BBL_4, BBL_5, SBL_1, SBL_2, SBL_3, SBL_4, SBL_5,"
            " BBV_1, BBV_2, BBV_3, BBV_4, BBV_5, SBV_1, SBV_2, SBV_3, SBV_4, SBV_5, ZoutCorrectie"
            " FROM IJkOpnames ORDER BY Opnameid",
            row);
}

void restore_survey(SQLiteDatabase& db, const std::vector<SqlValue>& values) {
    db.Execute("INSERT INTO IJkOpnames (Opnameid, Schipid, Verlader_Naam, Verlader_Plaats,"
               " Verlader_Telefoon, Ontvanger_Naam, Ontvanger_Plaats, Ontvanger_Telefoon, Lading, Taal,"
               " InvoerDatum, BBL_1, BBL_2, BBL_3, BBL_4, BBL_5, SBL_1, SBL_2, SBL_3, SBL_4, SBL_5,"
               " BBV_1, BBV_2, BBV_3, BBV_4, BBV_5, SBV_1, SBV_2, SBV_3, SBV_4, SBV_5, ZoutCorrectie)"
               " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
               values);
}

}  // namespace ijken::store
