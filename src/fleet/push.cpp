#include "fleet/push.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>

#include "core/data/read_snapshot.h"
#include "core/store/gauge_table.h"
#include "core/store/ships.h"
#include "core/store/surveys.h"
#include "core/survey/computation.h"
#include "core/survey/gauge_lookup.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/central_schema.h"
#include "fleet/installation.h"
#include "fleet/pg_connection.h"

namespace ijken::fleet {

namespace {

// A value the office's column cannot take (a text in a number column, put there outside the
// program): which column, and what it holds.
struct Unsendable {
    std::string column, value;
};

// The text as the export and the report show it: up to a NUL byte, which ends a text there.
PgValue utf8(const PgValue& cp1252) {
    if (!cp1252) return std::nullopt;
    return text::cp1252_to_utf8(cp1252->substr(0, cp1252->find('\0')));
}

std::string shown(const std::string& cp1252) {
    return one_line(text::cp1252_to_utf8(cp1252.substr(0, std::min<std::size_t>(cp1252.find('\0'), 30))));
}

// A whole number of SQLite's 64 bits, as the office's bigint columns hold it.
PgValue integer(const data::StoredRow& row, int column, const char* name) {
    const PgValue t = row.text(column);
    if (!t) return std::nullopt;
    std::int64_t n = 0;
    const auto r = std::from_chars(t->data(), t->data() + t->size(), n);
    if (t->empty() || r.ec != std::errc() || r.ptr != t->data() + t->size()) throw Unsendable{name, shown(*t)};
    return *t;
}

// The shortest text that reads back as the same double, on both sides.
std::string exact(double v) {
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

PgValue real(const data::StoredRow& row, int column, const char* name) {
    const PgValue t = row.text(column);
    if (!t) return std::nullopt;
    double v = 0;
    const auto r = std::from_chars(t->data(), t->data() + t->size(), v);
    if (t->empty() || r.ec != std::errc() || r.ptr != t->data() + t->size()) throw Unsendable{name, shown(*t)};
    return exact(row.real(column));
}

void end_line(std::string& out) {
    out.back() = '\n';
}

void add(std::string& out, const PgValue& v) {
    append_copy_field(out, v);
    out += '\t';
}

std::string joined(const std::vector<std::string>& names, const std::string& prefix = "") {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + prefix + n;
    return s;
}

struct Snapshot {
    std::string ships, gauge, surveys;  // COPY text of each table
    int ship_count = 0, survey_count = 0;
    std::vector<std::string> problems;
    std::map<std::int64_t, std::string> ship_names;  // UTF-8, for messages
};

// A push refused for one row, named so that the skipper finds it.
[[noreturn]] void refuse(const std::string& row, const Unsendable& u) {
    throw FleetError(row + " holds \"" + u.value + "\" in " + u.column +
                     ", which the office cannot take as a number; correct it on board and push again");
}

std::string ship_named(const Snapshot& snap, const PgValue& id) {
    if (!id) return "no ship";
    const auto name = snap.ship_names.find(std::stoll(*id));
    return "ship " + *id + (name == snap.ship_names.end() ? "" : " (" + name->second + ")");
}

// The ship's row of COPY text, and its parameters for computing its surveys.
void add_ship(Snapshot& snap, std::map<std::int64_t, survey::ShipParams>& params, const data::StoredRow& row) {
    const std::int64_t id = row.integer(0);
    snap.ship_names[id] = utf8(row.text(1)).value_or("");
    static const char* const numbers[] = {"taal", "Aantal_ijken", "Max_inzinking", "Min_inzinking"};
    std::string line = text::format_int(id) + '\t';
    try {
        for (int c = 1; c <= 10; ++c) add(line, utf8(row.text(c)));
        for (int c = 11; c <= 14; ++c) add(line, integer(row, c, numbers[c - 11]));
    } catch (const Unsendable& u) {
        refuse(ship_named(snap, text::format_int(id)), u);
    }
    end_line(line);
    snap.ships += line;
    if (id >= INT32_MIN && id <= INT32_MAX) {
        params[id] = survey::ShipParams{static_cast<int>(id), static_cast<int>(row.integer(12)),
                                        static_cast<int>(row.integer(13)), static_cast<int>(row.integer(14))};
    }
    ++snap.ship_count;
}

void add_gauge_row(Snapshot& snap, const data::StoredRow& row) {
    const PgValue ship = row.text(0);
    try {
        std::string line;
        add(line, integer(row, 0, "SchipID"));
        add(line, integer(row, 1, "Inzinking"));
        add(line, real(row, 2, "Tonnage"));
        end_line(line);
        snap.gauge += line;
    } catch (const Unsendable& u) {
        refuse("the gauge table of " + ship_named(snap, ship) + " (Inzinking " + shown(row.text(1).value_or("")) +
                   ")",
               u);
    }
}

// Computes the surveys of the ships read before: one read of each ship's table computes all of
// its surveys, as the survey list does.
class SurveyResults {
  public:
    SurveyResults(const std::string& db_pad, const std::map<std::int64_t, survey::ShipParams>& params)
        : db_pad_(db_pad), params_(params) {}

    // The ten result cells, empty when the survey has no ship or cannot be computed (then with
    // the reason among the problems).
    std::vector<PgValue> cells(std::int64_t ship_id, const survey::SurveyInput& input, const PgValue& opnameid,
                               std::vector<std::string>& problems) {
        std::vector<PgValue> cells(10);
        const auto ship = params_.find(ship_id);
        if (ship == params_.end()) return cells;
        try {
            auto table = tables_.find(ship_id);
            if (table == tables_.end()) {
                table = tables_.emplace(ship_id, survey::MemoryGaugeTable::read(db_pad_, ship->second.SchipID)).first;
            }
            const survey::ResultCells r = survey::recompute(table->second, ship->second, input).cells;
            cells = {r.e01, r.e02, r.e11, r.e12, r.e21, r.e22, r.e31, r.e32, r.e42, r.e52};
        } catch (const std::exception& e) {
            problems.push_back("survey " + opnameid.value_or("") + ": " + text::cp1252_to_utf8(e.what()));
        }
        return cells;
    }

  private:
    const std::string& db_pad_;
    const std::map<std::int64_t, survey::ShipParams>& params_;
    std::map<std::int64_t, survey::MemoryGaugeTable> tables_;
};

void add_survey(Snapshot& snap, SurveyResults& results, const data::StoredRow& row) {
    const PgValue opnameid = row.text(0);
    const PgValue ship = row.text(1);
    std::string line;
    survey::SurveyInput input;
    try {
        add(line, integer(row, 0, "Opnameid"));
        add(line, integer(row, 1, "Schipid"));
        for (int c = 2; c <= 10; ++c) add(line, utf8(row.text(c)));
        for (int i = 0; i < 20; ++i) {
            const PgValue r = row.text(11 + i);
            input.readings[static_cast<std::size_t>(i)] = r.value_or("");
            add(line, utf8(r));
        }
        add(line, real(row, 31, "ZoutCorrectie"));
    } catch (const Unsendable& u) {
        refuse("survey " + shown(opnameid.value_or("")) + " of " + ship_named(snap, ship), u);
    }
    // The main window's factor field shows the stored number with three decimals, and computes
    // from what it shows.
    input.salt_correction = text::format_fixed(row.real(31), 3, 5);
    for (const PgValue& c : results.cells(row.integer(1), input, opnameid, snap.problems)) add(line, c);
    end_line(line);
    snap.surveys += line;
    ++snap.survey_count;
}

Snapshot read_snapshot(const std::string& db_pad) {
    Snapshot snap;
    std::map<std::int64_t, survey::ShipParams> params;
    try {
        data::ReadSnapshot local(db_pad);
        store::each_ship_row(local, [&](const data::StoredRow& row) { add_ship(snap, params, row); });
        store::each_gauge_row(local, [&](const data::StoredRow& row) { add_gauge_row(snap, row); });
        SurveyResults results(db_pad, params);
        store::each_survey_row(local, [&](const data::StoredRow& row) { add_survey(snap, results, row); });
    } catch (const data::SQLiteException& e) {
        throw FleetError(std::string("cannot read the barge's database: ") + e.what());
    }
    return snap;
}

std::string survey_columns() {
    return "opnameid, schipid, " + joined(survey_party_columns()) + ", taal, invoerdatum, " +
           joined(reading_columns()) + ", zoutcorrectie, " + joined(result_columns());
}

std::string ship_columns() {
    return "schipid, " + joined(ship_text_columns()) + ", " + joined(ship_number_columns());
}

// a.x, a.y ... over a list of columns.
std::string prefixed(const std::string& columns, const std::string& prefix) {
    std::string s = prefix;
    for (char c : columns) {
        s += c;
        if (c == ' ') s += prefix;
    }
    return s;
}

// ROW(a.x, a.y ...) IS DISTINCT FROM ROW(b.x, b.y ...): the rows' content differs.
std::string differs(const std::string& columns, const std::string& a, const std::string& b) {
    return "ROW(" + prefixed(columns, a + ".") + ") IS DISTINCT FROM ROW(" + prefixed(columns, b + ".") + ")";
}

// Serialises this installation's pushes (a second waits for the first to end, at most
// lock_timeout) and only then takes the push's one instant: later than the clock says it is when
// the lock is ours, and later than any instant an earlier push of the installation wrote, so that
// a period never ends before it starts even when the server's clock was set back.
std::string claim_installation(PgConnection& db, const std::vector<PgValue>& id) {
    db.exec("INSERT INTO ijken.installations (installation) VALUES ($1) ON CONFLICT DO NOTHING", id);
    if (db.exec("SELECT 1 FROM ijken.installations WHERE installation = $1 FOR UPDATE", id).rows() == 0) {
        throw FleetError("installation " + *id[0] +
                         " belongs to another role in the office database; this role may not push it");
    }
    return std::string(db.exec("SELECT greatest(clock_timestamp(), last_push + interval '1 microsecond')::text"
                               " FROM ijken.installations WHERE installation = $1",
                               id)
                           .text(0, 0));
}

// The barge's tables into temporary tables of the transaction.
void upload(PgConnection& db, const Snapshot& snap, const std::string& ships, const std::string& surveys) {
    db.exec("CREATE TEMP TABLE in_ships ON COMMIT DROP AS SELECT " + ships + " FROM ijken.ships WITH NO DATA;"
            "CREATE TEMP TABLE in_gauge ON COMMIT DROP AS SELECT schipid, inzinking, tonnage"
            " FROM ijken.gauge_rows WITH NO DATA;"
            "CREATE TEMP TABLE in_surveys ON COMMIT DROP AS SELECT " + surveys + " FROM ijken.surveys WITH NO DATA");
    db.copy_in("COPY in_ships FROM STDIN", snap.ships);
    db.copy_in("COPY in_gauge FROM STDIN", snap.gauge);
    db.copy_in("COPY in_surveys FROM STDIN", snap.surveys);
}

// The installation id and the push's instant, as the merge statements take them.
struct Key {
    std::vector<PgValue> id, id_at;
};

// Ships new, changed or back after a delete get a new period of their particulars; the period of a
// ship changed or deleted ends. Returns the count of ships new, changed or newly marked deleted.
long long merge_ships(PgConnection& db, const Key& k, const std::string& ships) {
    db.exec("CREATE TEMP TABLE changed_ships ON COMMIT DROP AS SELECT i.schipid FROM in_ships i"
            " LEFT JOIN ijken.ships s ON s.installation = $1 AND s.schipid = i.schipid"
            " WHERE s.schipid IS NULL OR s.deleted_at IS NOT NULL OR " + differs(ships, "s", "i"),
            k.id);
    db.exec("UPDATE ijken.ship_versions SET valid_until = $2::timestamptz WHERE installation = $1"
                " AND valid_until IS NULL AND (schipid IN (SELECT schipid FROM changed_ships)"
                " OR schipid NOT IN (SELECT schipid FROM in_ships))",
                k.id_at);
    db.exec("INSERT INTO ijken.ship_versions (installation, " + ships + ", valid_from) SELECT $1, " + ships +
                ", $2::timestamptz FROM in_ships WHERE schipid IN (SELECT schipid FROM changed_ships)",
            k.id_at);
    const long long changed =
        db.exec("INSERT INTO ijken.ships AS s (installation, " + ships + ", pushed_at) SELECT $1, " + ships +
                    ", $2::timestamptz FROM in_ships WHERE schipid IN (SELECT schipid FROM changed_ships)"
                    " ON CONFLICT (installation, schipid) DO UPDATE SET (" + ships + ", pushed_at, deleted_at) = (" +
                    prefixed(ships, "EXCLUDED.") + ", EXCLUDED.pushed_at, NULL)",
                k.id_at)
            .affected();
    const long long deleted =
        db.exec("UPDATE ijken.ships SET deleted_at = $2::timestamptz WHERE installation = $1 AND deleted_at IS NULL"
                " AND schipid NOT IN (SELECT schipid FROM in_ships)",
                k.id_at)
            .affected();
    return changed + deleted;
}

// A table differs when one row does; the whole table then gets a new period. Returns the count of
// ships whose table was new or replaced; `wrote` counts every row written.
long long merge_gauge_tables(PgConnection& db, const Key& k, long long& wrote) {
    const std::string current = "SELECT schipid, inzinking, tonnage FROM ijken.gauge_rows"
                                " WHERE installation = $1 AND valid_until IS NULL";
    db.exec("CREATE TEMP TABLE changed_tables ON COMMIT DROP AS SELECT DISTINCT schipid FROM ("
            "(SELECT schipid, inzinking, tonnage FROM in_gauge EXCEPT " + current + ") UNION ALL (" + current +
                " EXCEPT SELECT schipid, inzinking, tonnage FROM in_gauge)) d",
            k.id);
    wrote += db.exec("UPDATE ijken.gauge_rows SET valid_until = $2::timestamptz WHERE installation = $1"
                     " AND valid_until IS NULL AND schipid IN (SELECT schipid FROM changed_tables)",
                     k.id_at)
                 .affected();
    wrote += db.exec("INSERT INTO ijken.gauge_rows (installation, schipid, inzinking, tonnage, valid_from)"
                     " SELECT $1, schipid, inzinking, tonnage, $2::timestamptz FROM in_gauge"
                     " WHERE schipid IN (SELECT schipid FROM changed_tables)",
                     k.id_at)
                 .affected();
    return std::stoll(std::string(
        db.exec("SELECT count(*) FROM changed_tables c WHERE EXISTS (SELECT 1 FROM in_gauge g"
                " WHERE g.schipid = c.schipid)")
            .text(0, 0)));
}

// Each number on board against the office's newest survey of that number. It names another survey
// when it moved to another ship, or when it comes back after a push that no longer had it with
// other content (a deleted survey that comes back unchanged, from a restored backup, is the same).
void match_surveys(PgConnection& db, const Key& k, const std::string& surveys) {
    db.exec("CREATE TEMP TABLE survey_match ON COMMIT DROP AS SELECT i.opnameid, s.generation,"
            " s.deleted_at IS NOT NULL AS was_deleted, " + differs(surveys, "s", "i") + " AS changed,"
            " (s.schipid IS DISTINCT FROM i.schipid OR (s.deleted_at IS NOT NULL AND " + differs(surveys, "s", "i") +
                ")) AS another FROM in_surveys i JOIN (SELECT DISTINCT ON (opnameid) * FROM ijken.surveys"
                " WHERE installation = $1 ORDER BY opnameid, generation DESC) s ON s.opnameid = i.opnameid",
            k.id);
}

// Counts the surveys new or changed and those newly marked deleted into the summary.
void merge_surveys(PgConnection& db, const Key& k, const std::string& surveys, PushSummary& summary) {
    match_surveys(db, k, surveys);
    const std::string same = " JOIN survey_match m ON s.installation = $1 AND s.opnameid = m.opnameid"
                             " AND s.generation = m.generation";
    // The earlier state of every survey about to change is kept.
    const std::string kept = "installation, generation, " + surveys + ", pushed_at, deleted_at";
    db.exec("INSERT INTO ijken.survey_versions (" + kept + ", replaced_at) SELECT " + prefixed(kept, "s.") +
                ", $2::timestamptz FROM ijken.surveys s" + same + " WHERE m.changed AND NOT m.another AND NOT m.was_deleted",
            k.id_at);
    long long changed =
        db.exec("UPDATE ijken.surveys s SET (" + surveys + ") = (" + prefixed(surveys, "i.") +
                    "), pushed_at = CASE WHEN m.changed THEN $2::timestamptz ELSE s.pushed_at END, deleted_at = NULL"
                    " FROM survey_match m JOIN in_surveys i ON i.opnameid = m.opnameid WHERE s.installation = $1"
                    " AND s.opnameid = m.opnameid AND s.generation = m.generation AND NOT m.another"
                    " AND m.changed <> m.was_deleted",
                k.id_at)
            .affected();
    // Gone from board, or its number now another survey's: marked, never removed.
    summary.surveys_deleted =
        db.exec("UPDATE ijken.surveys s SET deleted_at = $2::timestamptz WHERE installation = $1"
                " AND deleted_at IS NULL AND (opnameid NOT IN (SELECT opnameid FROM in_surveys)"
                " OR opnameid IN (SELECT opnameid FROM survey_match WHERE another))",
                k.id_at)
            .affected();
    changed += db.exec("INSERT INTO ijken.surveys (installation, generation, " + surveys + ", pushed_at)"
                       " SELECT $1, coalesce(m.generation, 0) + 1, " + prefixed(surveys, "i.") +
                           ", $2::timestamptz FROM in_surveys i LEFT JOIN survey_match m ON m.opnameid = i.opnameid"
                           " WHERE m.opnameid IS NULL OR m.another",
                       k.id_at)
                   .affected();
    summary.surveys_changed = changed;
}

}  // namespace

SchemaAction create_office_schema(const std::string& conninfo) {
    PgConnection db(conninfo);
    return ensure_schema(db, true);
}

PushSummary push(const std::string& db_pad, const std::string& conninfo, const std::atomic<bool>* cancel) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(db_pad, ec)) throw FleetError("no database at " + db_pad);
    // Without the client library there is nothing to read the barge's database for.
    require_client_library();
    Snapshot snap = read_snapshot(db_pad);

    PgConnection db(conninfo, kPushLimits, cancel);
    PushSummary summary;
    summary.schema_created = ensure_schema(db) == SchemaAction::created;
    // Reached and checked: only now may the barge's database get its identity.
    summary.installation = ensure_installation_id(db_pad);
    PgTransaction tx(db);
    Key k;
    k.id = {summary.installation};
    k.id_at = {summary.installation, claim_installation(db, k.id)};

    const std::string ships = ship_columns();
    const std::string surveys = survey_columns();
    upload(db, snap, ships, surveys);
    summary.ships = snap.ship_count;
    summary.surveys = snap.survey_count;
    summary.problems = std::move(snap.problems);
    long long wrote = 0;
    summary.ships_changed = merge_ships(db, k, ships);
    summary.tables_replaced = merge_gauge_tables(db, k, wrote);
    merge_surveys(db, k, surveys, summary);
    // The instant is kept only when the push wrote it somewhere: a push with nothing new writes
    // nothing at all.
    if (wrote + summary.ships_changed + summary.surveys_changed + summary.surveys_deleted > 0) {
        db.exec("UPDATE ijken.installations SET last_push = $2::timestamptz WHERE installation = $1", k.id_at);
    }
    if (cancel && cancel->load()) throw FleetError(kCancelled);
    tx.commit();
    return summary;
}

}  // namespace ijken::fleet
