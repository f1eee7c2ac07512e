#include "fleet/restore.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/store/gauge_table.h"
#include "core/store/installation.h"
#include "core/store/ships.h"
#include "core/store/surveys.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/central_schema.h"
#include "fleet/installation.h"

namespace ijken::fleet {

namespace {

std::string column_list(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += ", " + n;
    return s;
}

// The values as the barge's tables hold them: its texts are Windows-1252, its numbers SQLite's.
data::SqlValue as_text(const PgResult& r, int row, int column) {
    if (r.is_null(row, column)) return nullptr;
    return text::utf8_to_cp1252(r.text(row, column));
}

data::SqlValue as_integer(const PgResult& r, int row, int column) {
    if (r.is_null(row, column)) return nullptr;
    const std::string_view t = r.text(row, column);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size()) throw FleetError("the office holds a number that is not one");
    return v;
}

data::SqlValue as_real(const PgResult& r, int row, int column) {
    if (r.is_null(row, column)) return nullptr;
    // PostgreSQL writes the shortest text that reads back as the same double.
    const std::string_view t = r.text(row, column);
    double v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}

std::string choose_installation(PgConnection& db, const std::optional<std::string>& wanted) {
    if (wanted) {
        if (!is_uuid(*wanted)) throw FleetError("--installation needs an installation id (a UUID), not \"" + *wanted + "\"", 2);
        // Row security shows a barge's role its own installation alone.
        if (db.exec("SELECT 1 FROM ijken.installations WHERE installation = $1", {*wanted}).rows() == 0) {
            throw FleetError("the office holds no installation " + *wanted + " that this role may read");
        }
        return *wanted;
    }
    const PgResult mine = db.exec("SELECT installation FROM ijken.installations ORDER BY installation LIMIT 2");
    if (mine.rows() == 0) throw FleetError("the office holds no installation of this role: nothing to restore");
    if (mine.rows() > 1) {
        throw FleetError("this role may read several installations: name one with --installation ID", 2);
    }
    return std::string(mine.text(0, 0));
}

// The new file under a name of its own beside the target, removed unless it was put in place.
class NewFile {
  public:
    explicit NewFile(const std::string& target) : target_(target), path_(target + "." + std::to_string(::getpid()) + ".new") {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    ~NewFile() {
        std::error_code ec;
        if (!placed_) std::filesystem::remove(path_, ec);
        for (const char* side : {"-journal", "-wal", "-shm"}) std::filesystem::remove(path_ + side, ec);
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    const std::string& path() const { return path_; }
    // A hard link puts the file in place only where no file is: never over one that appeared.
    void place() {
        if (::link(path_.c_str(), target_.c_str()) != 0) {
            const int e = errno;
            if (e == EEXIST) throw FleetError(target_ + " exists: restore writes a new database and never over a file");
            throw FleetError("cannot put the database at " + target_ + ": " + std::strerror(e));
        }
        std::error_code ec;
        std::filesystem::remove(path_, ec);
        placed_ = true;
    }

  private:
    std::string target_, path_;
    bool placed_ = false;
};

}  // namespace

RestoreSummary restore_installation(PgConnection& db, const std::optional<std::string>& installation,
                                    const std::string& output) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(output, ec))) {
        throw FleetError(output + " exists: restore writes a new database and never over a file");
    }
    // One snapshot: a push that arrives meanwhile is either wholly in the copy or not at all.
    PgTransaction tx(db);
    db.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
    if (!schema_present(db)) throw FleetError("the office database holds no fleet tables");
    RestoreSummary summary;
    summary.installation = choose_installation(db, installation);
    const std::vector<PgValue> who{summary.installation};
    const PgResult ships =
        db.exec("SELECT schipid" + column_list(ship_text_columns()) + column_list(ship_number_columns()) +
                    " FROM ijken.ships WHERE installation = $1 AND deleted_at IS NULL ORDER BY schipid",
                who);
    const PgResult rows = db.exec(
        "SELECT g.schipid, g.inzinking, g.tonnage FROM ijken.gauge_rows g JOIN ijken.ships s"
        " ON s.installation = g.installation AND s.schipid = g.schipid AND s.deleted_at IS NULL"
        " WHERE g.installation = $1 AND g.valid_until IS NULL ORDER BY g.schipid, g.inzinking",
        who);
    const PgResult surveys = db.exec("SELECT opnameid, schipid" + column_list(survey_party_columns()) +
                                         ", taal, invoerdatum" + column_list(reading_columns()) +
                                         ", zoutcorrectie FROM ijken.surveys"
                                         " WHERE installation = $1 AND deleted_at IS NULL ORDER BY opnameid",
                                     who);
    tx.commit();

    NewFile file(output);
    {
        data::SQLiteDatabase local(file.path());
        for (const char* create : {data::kCreateSchiptable, data::kCreateSchiptableIndex, data::kCreateIJKtable,
                                   data::kCreateIJkOpnames, data::kCreateOpnameIndex}) {
            local.Execute(create);
        }
        store::create_installation_table(local);
        data::Transaction transaction(local);
        store::insert_installation_id(local, summary.installation);
        const std::size_t texts = ship_text_columns().size(), numbers = ship_number_columns().size();
        for (int r = 0; r < ships.rows(); ++r) {
            std::vector<data::SqlValue> row{as_integer(ships, r, 0)};
            for (std::size_t c = 0; c < texts; ++c) row.push_back(as_text(ships, r, static_cast<int>(1 + c)));
            for (std::size_t c = 0; c < numbers; ++c) row.push_back(as_integer(ships, r, static_cast<int>(1 + texts + c)));
            store::restore_ship(local, row);
        }
        for (int r = 0; r < rows.rows(); ++r) {
            store::restore_gauge_row(local, {as_integer(rows, r, 0), as_integer(rows, r, 1), as_real(rows, r, 2)});
        }
        const int n = surveys.columns();
        for (int r = 0; r < surveys.rows(); ++r) {
            std::vector<data::SqlValue> v{as_integer(surveys, r, 0), as_integer(surveys, r, 1)};
            for (int c = 2; c < n - 1; ++c) v.push_back(as_text(surveys, r, c));
            v.push_back(as_real(surveys, r, n - 1));
            store::restore_survey(local, v);
        }
        // The office does not know which ship the skipper had selected: the one of the newest survey
        // (the last the skipper worked on), else the first ship.
        if (ships.rows() > 0) {
            data::SqlValue selected = as_integer(ships, 0, 0);
            if (surveys.rows() > 0 && !surveys.is_null(surveys.rows() - 1, 1)) {
                const data::SqlValue newest = as_integer(surveys, surveys.rows() - 1, 1);
                for (int r = 0; r < ships.rows(); ++r) {
                    if (as_integer(ships, r, 0) == newest) selected = newest;
                }
            }
            local.Execute("UPDATE Schiptable SET Selected = 0 WHERE SchipID <> ?", {selected});
        }
        transaction.commit();
    }
    file.place();
    summary.ships = ships.rows();
    summary.gauge_rows = rows.rows();
    summary.surveys = surveys.rows();
    return summary;
}

}  // namespace ijken::fleet
