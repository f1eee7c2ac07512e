#include "core/data/database_schema.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/text/file_writer.h"
#include "core/text/numbers.h"

namespace ijken::data {

const char* const kCreateSchiptable =
    "CREATE TABLE Schiptable ([SchipID] INTEGER PRIMARY KEY,[Name] VARCHAR (35),[Meetbrief_NR] VARCHAR (15),"
    " [veld1] VARCHAR (35), [veld2] VARCHAR (35), [veld3] VARCHAR (35),[veld4] VARCHAR (35),"
    " [veld5] VARCHAR (35), [veld6] VARCHAR (35), [veld7] VARCHAR (35),[veld8] VARCHAR (35),"
    "[taal] INTEGER ,[Aantal_ijken] INTEGER ,[Max_inzinking] INTEGER,[Min_inzinking] INTEGER, [Selected] "
    "INTEGER NOT NULL DEFAULT (0) );";

const char* const kCreateSchiptableIndex = "CREATE INDEX SchiptableName ON [Schiptable]([Name]);";

const char* const kCreateIJKtable =
    "CREATE TABLE [IJKtable] ( [SchipID] INTEGER, [Inzinking] INTEGER, [Tonnage] FLOAT,  CONSTRAINT [] "
    "PRIMARY KEY ([Inzinking], [SchipID]));";

const char* const kCreateIJkOpnames =
    " CREATE TABLE [IJkOpnames] ( [Opnameid] INTEGER PRIMARY KEY,  [Schipid] INTEGER,"
    " [Verlader_Naam] VARCHAR(25), [Verlader_Plaats] VARCHAR(25), "
    " [Verlader_Telefoon] VARCHAR(15), [Ontvanger_Naam] VARCHAR(25),"
    " [Ontvanger_Plaats] VARCHAR(25),  [Ontvanger_Telefoon] VARCHAR(15),"
    " [Lading] VARCHAR(25),  [Taal] VARCHAR(1) DEFAULT (0),"
    " [InvoerDatum] DATETIME DEFAULT (datetime('now')),"
    " [BBL_1] VARCHAR(7) DEFAULT (0.0),  [BBL_2] VARCHAR(7) DEFAULT (0.0),  [BBL_3] VARCHAR(7) DEFAULT "
    "(0.0),  "
    "[BBL_4] VARCHAR(7) DEFAULT (0.0),  [BBL_5] VARCHAR(7) DEFAULT (0.0),"
    " [SBL_1] VARCHAR(7) DEFAULT (0.0),  [SBL_2] VARCHAR(7) DEFAULT (0.0),  [SBL_3] VARCHAR(7) DEFAULT "
    "(0.0),  "
    "[SBL_4] VARCHAR(7) DEFAULT (0.0),  [SBL_5] VARCHAR(7) DEFAULT (0.0),"
    " [BBV_1] VARCHAR(7) DEFAULT (0.0),  [BBV_2] VARCHAR(7) DEFAULT (0.0),  [BBV_3] VARCHAR(7) DEFAULT "
    "(0.0),  "
    "[BBV_4] VARCHAR(7) DEFAULT (0.0),  [BBV_5] VARCHAR(7) DEFAULT (0.0),"
    " [SBV_1] VARCHAR(7) DEFAULT (0.0),  [SBV_2] VARCHAR(7) DEFAULT (0.0),  [SBV_3] VARCHAR(7) DEFAULT "
    "(0.0),  "
    "[SBV_4] VARCHAR(7) DEFAULT (0.0),  [SBV_5] VARCHAR(7) DEFAULT (0.0)"
    ",[ZoutCorrectie]  DOUBLE NOT NULL DEFAULT (1.000));";

const char* const kCreateOpnameIndex =
    "CREATE UNIQUE INDEX [OpnameIndex] ON [IJkOpnames] ([Schipid],[Opnameid]);";

namespace {

const char* const kSeedShips[] = {
    "INSERT INTO Schiptable(Name,Meetbrief_NR,Aantal_ijken,Max_inzinking,Min_inzinking,taal,Selected) VALUES "
    "(\"Dummy 1\",\"BR12345\",\"3\",251,51,1,1);",
    "INSERT INTO Schiptable(Name,Meetbrief_NR,Aantal_ijken,Max_inzinking,taal,Selected) VALUES (\"Dummy "
    "2\",\"BR12345\",\"3\",250,2,0);",
    "INSERT INTO Schiptable(Name,Meetbrief_NR,Aantal_ijken,Max_inzinking,taal,Selected) VALUES (\"Dummy "
    "3\",\"BR12345\",\"3\",250,2,0);",
    "INSERT INTO Schiptable(Name,Meetbrief_NR,Aantal_ijken,Max_inzinking,taal,Selected) VALUES (\"Dummy "
    "4\",\"BR12345\",\"3\",250,1,0);",
    "INSERT INTO Schiptable(Name,Meetbrief_NR,Aantal_ijken,Max_inzinking,taal,Selected) VALUES (\"Dummy "
    "5\",\"BR12345\",\"3\",250,1,0);",
};

std::string gauge_row(const std::string& ship, long long immersion, const std::string& tonnage) {
    return "INSERT INTO IJktable(SchipID,Inzinking,Tonnage) VALUES (\"" + ship + "\",\"" +
           text::format_int(immersion) + "\",\"" + tonnage + "\");";
}

const char* const kSurveyColumnsA =
    "INSERT INTO "
    "[IJkOpnames](Schipid,BBL_1,BBL_3,BBL_5,SBL_1,SBL_3,SBL_5,BBV_1,BBV_3,BBV_5,SBV_1,SBV_3,SBV_5,"
    "Verlader_Naam,Verlader_Plaats,Ontvanger_Naam,Ontvanger_Plaats,taal)";
const char* const kSurveyColumnsB =
    "INSERT INTO [IJkOpnames](Schipid,BBL_1,BBL_3,BBL_5,SBL_1,SBL_3,"
    "SBL_5,BBV_1,BBV_3,BBV_5,SBV_1,SBV_3,SBV_5,Verlader_Naam,Verlader_Plaats,Ontvanger_Naam,Ontvanger_Plaats,"
    "InvoerDatum)";

}  // namespace

std::string database_path(const std::string& program_dir) {
    if (!program_dir.empty() && program_dir.back() != '/') return program_dir + "/ijken.db";
    return program_dir + "ijken.db";
}

void create_database(const std::string& db_pad) {
    SQLiteDatabase db(db_pad);

    db.Execute(kCreateSchiptable);
    db.Execute(kCreateSchiptableIndex);

    {
        Transaction transaction(db);
        for (const char* statement : kSeedShips) db.Execute(statement);
        transaction.commit();
    }

    // The identifier SQLite gave the selected seed ship (1 in a new file).
    std::string ship;
    {
        auto selected = db.Query("SELECT * FROM Schiptable where [Selected]=1");
        ship = text::format_int(selected->AsInteger(selected->FieldIndex("SchipID")));
    }

    db.Execute(kCreateIJKtable);

    Transaction table_rows(db);
    for (int c = 0; c <= 49; ++c) db.Execute(gauge_row(ship, c, "0"));
    // Increment and tonnage in ten-thousandths, so the sums are exact; the increment grows by
    // k thousandths at each decade k.
    std::int64_t d = 17000;
    std::int64_t t = 0;
    for (int k = 5; k <= 24; ++k) {
        d += k * 10;
        for (int j = 0; j <= 9; ++j) {
            t += d;
            db.Execute(
                gauge_row(ship, 10 * k + j, text::format_fixed(static_cast<double>(t) / 10000.0, 3, 5)));
        }
    }
    table_rows.commit();

    db.Execute(kCreateIJkOpnames);
    db.Execute(kCreateOpnameIndex);

    Transaction surveys(db);
    db.Execute(
        std::string(kSurveyColumnsA) + " VALUES (\"" + ship +
        "\",220,200,180,220,200,180,20,20,20,20,20,20,\"Grain Coop 3\",\"Melun\",\"CHV\",\"Veghel\",0);");
    db.Execute(std::string(kSurveyColumnsB) + "VALUES (" + ship +
               ",225,200,180,220,200,180,20,20,20,20,20,20,\"Grain Coop 2\","
               "\"Melun\",\"CHV\",\"Veghel\",datetime('now','-2 month','-1 day'));");
    db.Execute(std::string(kSurveyColumnsB) + "VALUES (" + ship +
               ",230,200,180,220,200,180,20,20,20,20,20,20,\"Grain Coop 1\","
               "\"Melun\",\"CHV\",\"Veghel\",datetime('now','-3 month','-5 day'));");
    surveys.commit();
}

namespace {

// The name a new database is built under: beside the final file, so that the rename that puts it
// in place stays within one directory (and so is atomic), and with our process id in it, so that two
// programs started at the same moment do not write into one file.
std::string temporary_path(const std::string& db_pad) {
    return db_pad + "." + text::format_int(static_cast<long long>(getpid())) + ".new";
}

// A database file and the files SQLite may keep beside it. A journal left beside a file we remove
// must go too: SQLite would otherwise play it back into the next file of that name.
void remove_database_files(const std::string& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::remove((path + suffix).c_str());
}

// A start killed while it built its database leaves its temporary file behind; the next start
// clears it away. A temporary of a process that still runs is another start at work: left alone.
void remove_abandoned_temporaries(const std::string& db_pad) {
    namespace fs = std::filesystem;
    const fs::path final_path(db_pad);
    const std::string prefix = final_path.filename().string() + ".";
    fs::path dir = final_path.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        std::string_view rest(name);
        rest.remove_prefix(prefix.size());
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos || dot == 0) continue;
        const std::string_view digits = rest.substr(0, dot);
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos) continue;
        const auto pid = text::parse_int(digits);
        const std::string_view tail = rest.substr(dot);
        if (!pid) continue;
        if (tail != ".new" && tail != ".new-journal" && tail != ".new-wal" && tail != ".new-shm") continue;
        const bool alive =
            *pid > 0 && *pid != getpid() && (kill(static_cast<pid_t>(*pid), 0) == 0 || errno == EPERM);
        if (!alive) fs::remove(entry.path(), ec);
    }
}

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
    return s;
}

}  // namespace

bool create_database_if_missing(const std::string& db_pad) {
    std::error_code ec;
    if (std::filesystem::exists(db_pad, ec)) return false;
    // Every later start takes an existing file as complete, so the file must not appear at its
    // name before it is: it is built under a temporary name and renamed into place at the end. A
    // start killed half-way leaves no ijken.db, and the next start builds it anew.
    remove_abandoned_temporaries(db_pad);
    const std::string temporary = temporary_path(db_pad);
    remove_database_files(temporary);
    // Removed again, with the files SQLite keeps beside it, unless it is put in place.
    text::PendingFile pending(db_pad, temporary);
    try {
        create_database(temporary);
    } catch (const SQLiteException& e) {
        // The user knows the file by its own name, not by the temporary one.
        throw SQLiteException(replace_all(e.what(), temporary, db_pad));
    }
    try {
        // When another start put a file in place meanwhile, that one is kept.
        return pending.commit_unless_present();
    } catch (const text::FileWriteError& e) {
        throw std::system_error(e.error(), std::generic_category(),
                                "De nieuwe database kan niet als \"" + db_pad + "\" worden geplaatst");
    }
}

}  // namespace ijken::data
