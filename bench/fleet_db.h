#pragma once
// A database at fleet scale: 500 ships, each with a 250-row gauge table, and 2,000 surveys on the
// selected ship. Built from a new database (the five seeded ships and Dummy 1's table and three
// surveys), in one transaction.
#include <string>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"

namespace ijken::bench {

inline constexpr int kFleetShips = 500;
inline constexpr int kFleetTableRows = 250;
inline constexpr int kFleetSurveys = 2000;

// prefix, n and suffix as one text (appended piece by piece: GCC 12 warns falsely on a chain of +).
inline std::string numbered(const char* prefix, int n, const char* suffix = "") {
    std::string s = prefix;
    s += std::to_string(n);
    s += suffix;
    return s;
}

inline void make_fleet_database(const std::string& db_path) {
    data::create_database(db_path);
    data::SQLiteDatabase db(db_path);
    db.BeginTransaction();
    for (int ship = 6; ship <= kFleetShips; ++ship) {
        db.Execute("INSERT INTO Schiptable(Name,Meetbrief_NR,Aantal_ijken,Max_inzinking,Min_inzinking,taal,veld1) "
                   "VALUES (?,?,?,251,51,?,'Bouwjaar 1965')",
                   {numbered("Schip ", ship), numbered("BR", 10000 + ship),
                    std::int64_t{1 + ship % 5}, std::int64_t{1 + ship % 2}});
    }
    db.Execute("UPDATE Schiptable SET Max_inzinking=251, Min_inzinking=51 WHERE SchipID<=5");
    // Every ship but the seeded one gets the seeded table's shape: 0 t up to 50 cm, then rising.
    for (int ship = 2; ship <= kFleetShips; ++ship) {
        for (int c = 0; c < kFleetTableRows; ++c) {
            const double tonnage = c < 51 ? 0.0 : (c - 50) * (1.7 + 0.001 * (ship % 50));
            db.Execute("INSERT INTO IJKtable(SchipID,Inzinking,Tonnage) VALUES (?,?,?)",
                       {std::int64_t{ship}, std::int64_t{c}, tonnage});
        }
    }
    for (int i = 3; i < kFleetSurveys; ++i) {
        const std::string reading = numbered("", 150 + i % 60);
        db.Execute("INSERT INTO IJkOpnames(Schipid,BBL_1,BBL_3,BBL_5,SBL_1,SBL_3,SBL_5,BBV_1,BBV_3,BBV_5,SBV_1,SBV_3,"
                   "SBV_5,Verlader_Naam,Verlader_Plaats,Ontvanger_Naam,Lading,InvoerDatum) VALUES "
                   "(1,?,?,?,?,?,?,'20','21','22','20','21','22',?,'Melun','CHV','Tarwe',"
                   "datetime('now','-4 month',?))",
                   {reading, reading, reading, reading, reading, reading, numbered("Verlader ", i), numbered("+", i, " minutes")});
    }
    db.Commit();
}

}  // namespace ijken::bench
