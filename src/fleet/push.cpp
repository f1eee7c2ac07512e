#include "fleet/push.h"

#include <charconv>
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

PgValue utf8(const PgValue& cp1252) {
    if (!cp1252) return std::nullopt;
    return text::cp1252_to_utf8(*cp1252);
}

PgValue integer(const data::StoredRow& row, int column) {
    if (row.is_null(column)) return std::nullopt;
    return text::format_int(row.integer(column));
}

// The shortest text that reads back as the same double, on both sides.
std::string exact(double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

PgValue real(const data::StoredRow& row, int column) {
    if (row.is_null(column)) return std::nullopt;
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
};

// The ship's row of COPY text, and its parameters for computing its surveys.
void add_ship(Snapshot& snap, std::map<int, survey::ShipParams>& params, const data::StoredRow& row) {
    const int id = static_cast<int>(row.integer(0));
    add(snap.ships, text::format_int(id));
    for (int c = 1; c <= 10; ++c) add(snap.ships, utf8(row.text(c)));
    for (int c = 11; c <= 14; ++c) add(snap.ships, integer(row, c));
    end_line(snap.ships);
    params[id] = survey::ShipParams{id, static_cast<int>(row.integer(12)), static_cast<int>(row.integer(13)),
                                    static_cast<int>(row.integer(14))};
    ++snap.ship_count;
}

void add_gauge_row(Snapshot& snap, const data::StoredRow& row) {
    add(snap.gauge, integer(row, 0));
    add(snap.gauge, integer(row, 1));
    add(snap.gauge, real(row, 2));
    end_line(snap.gauge);
}

// Computes the surveys of the ships read before: one read of each ship's table computes all of
// its surveys, as the survey list does.
class SurveyResults {
  public:
    SurveyResults(const std::string& db_pad, const std::map<int, survey::ShipParams>& params)
        : db_pad_(db_pad), params_(params) {}

    // The ten result cells, empty when the survey has no ship or cannot be computed (then with
    // the reason among the problems).
    std::vector<PgValue> cells(int ship_id, const survey::SurveyInput& input, const PgValue& opnameid,
                               std::vector<std::string>& problems) {
        std::vector<PgValue> cells(10);
        const auto ship = params_.find(ship_id);
        if (ship == params_.end()) return cells;
        try {
            auto table = tables_.find(ship_id);
            if (table == tables_.end()) {
                table = tables_.emplace(ship_id, survey::MemoryGaugeTable::read(db_pad_, ship_id)).first;
            }
            const survey::ResultCells r = survey::herbereken(table->second, ship->second, input).cells;
            cells = {r.e01, r.e02, r.e11, r.e12, r.e21, r.e22, r.e31, r.e32, r.e42, r.e52};
        } catch (const std::exception& e) {
            problems.push_back("survey " + opnameid.value_or("") + ": " + text::cp1252_to_utf8(e.what()));
        }
        return cells;
    }

  private:
    const std::string& db_pad_;
    const std::map<int, survey::ShipParams>& params_;
    std::map<int, survey::MemoryGaugeTable> tables_;
};

void add_survey(Snapshot& snap, SurveyResults& results, const data::StoredRow& row) {
    const PgValue opnameid = integer(row, 0);
    add(snap.surveys, opnameid);
    add(snap.surveys, integer(row, 1));
    for (int c = 2; c <= 10; ++c) add(snap.surveys, utf8(row.text(c)));
    survey::SurveyInput input;
    for (int i = 0; i < 20; ++i) {
        const PgValue r = row.text(11 + i);
        input.readings[static_cast<std::size_t>(i)] = r.value_or("");
        add(snap.surveys, utf8(r));
    }
    add(snap.surveys, real(row, 31));
    // The main window's factor field shows the stored number with three decimals, and computes
    // from what it shows.
    input.zout_correctie = text::format_fixed(row.real(31), 3, 5);
    for (const PgValue& c : results.cells(static_cast<int>(row.integer(1)), input, opnameid, snap.problems)) {
        add(snap.surveys, c);
    }
    end_line(snap.surveys);
    ++snap.survey_count;
}

Snapshot read_snapshot(const std::string& db_pad) {
    Snapshot snap;
    std::map<int, survey::ShipParams> params;
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

// ROW(a.x, a.y ...) IS DISTINCT FROM ROW(b.x, b.y ...) over a list of columns.
std::string differs(const std::string& columns, const std::string& a, const std::string& b) {
    std::string left, right;
    std::size_t start = 0;
    while (start < columns.size()) {
        std::size_t end = columns.find(", ", start);
        if (end == std::string::npos) end = columns.size();
        const std::string c = columns.substr(start, end - start);
        left += (left.empty() ? "" : ", ") + a + "." + c;
        right += (right.empty() ? "" : ", ") + b + "." + c;
        start = end + 2;
    }
    return "ROW(" + left + ", " + a + ".deleted_at IS NOT NULL) IS DISTINCT FROM ROW(" + right + ", false)";
}

// Only what is new or changed goes through the upsert: a push with nothing changed then writes
// nothing and tries no insert.
std::string prefixed(const std::string& columns, const std::string& prefix) {
    std::string s = prefix;
    for (char c : columns) {
        s += c;
        if (c == ' ') s += prefix;
    }
    return s;
}

std::string set_all(const std::string& columns) {
    std::string s;
    std::size_t start = 0;
    while (start < columns.size()) {
        std::size_t end = columns.find(", ", start);
        if (end == std::string::npos) end = columns.size();
        const std::string c = columns.substr(start, end - start);
        s += c + " = EXCLUDED." + c + ", ";
        start = end + 2;
    }
    return s;
}

// One push of an installation at a time (a second waits for the first to end), and only by the
// role that registered it.
void claim_installation(PgConnection& db, const std::vector<PgValue>& id) {
    db.exec("SELECT pg_advisory_xact_lock(7469, hashtext($1))", id);
    db.exec("INSERT INTO ijken.installations (installation) VALUES ($1) ON CONFLICT DO NOTHING", id);
    if (db.exec("SELECT 1 FROM ijken.installations WHERE installation = $1", id).rows() == 0) {
        throw FleetError("installation " + *id[0] +
                         " belongs to another role in the office database; this role may not push it");
    }
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

// Returns the count of ships new, changed or newly marked deleted.
long long merge_ships(PgConnection& db, const std::vector<PgValue>& id, const std::string& ships) {
    const long long changed =
        db.exec("INSERT INTO ijken.ships AS s (installation, " + ships + ", pushed_at) SELECT $1, " + ships +
                    ", now() FROM in_ships ON CONFLICT (installation, schipid) DO UPDATE SET " + set_all(ships) +
                    "pushed_at = now(), deleted_at = NULL WHERE " + differs(ships, "s", "EXCLUDED"),
                id)
            .affected();
    return changed +
           db.exec("UPDATE ijken.ships SET deleted_at = now() WHERE installation = $1 AND deleted_at IS NULL"
                   " AND schipid NOT IN (SELECT schipid FROM in_ships)",
                   id)
               .affected();
}

// A table differs when one row does; the whole table then gets a new period. Returns the count of
// ships whose table was new or replaced.
long long merge_gauge_tables(PgConnection& db, const std::vector<PgValue>& id) {
    const std::string current = "SELECT schipid, inzinking, tonnage FROM ijken.gauge_rows"
                                " WHERE installation = $1 AND valid_until IS NULL";
    db.exec("CREATE TEMP TABLE changed_tables ON COMMIT DROP AS SELECT DISTINCT schipid FROM ("
            "(SELECT schipid, inzinking, tonnage FROM in_gauge EXCEPT " + current + ") UNION ALL (" + current +
                " EXCEPT SELECT schipid, inzinking, tonnage FROM in_gauge)) d",
            id);
    db.exec("UPDATE ijken.gauge_rows SET valid_until = now() WHERE installation = $1 AND valid_until IS NULL"
            " AND schipid IN (SELECT schipid FROM changed_tables)",
            id);
    db.exec("INSERT INTO ijken.gauge_rows (installation, schipid, inzinking, tonnage, valid_from)"
            " SELECT $1, schipid, inzinking, tonnage, now() FROM in_gauge"
            " WHERE schipid IN (SELECT schipid FROM changed_tables)",
            id);
    return std::stoll(std::string(
        db.exec("SELECT count(*) FROM changed_tables c WHERE EXISTS (SELECT 1 FROM in_gauge g"
                " WHERE g.schipid = c.schipid)")
            .text(0, 0)));
}

// Counts the surveys new or changed and those newly marked deleted into the summary.
void merge_surveys(PgConnection& db, const std::vector<PgValue>& id, const std::string& surveys,
                   PushSummary& summary) {
    // The earlier state of every survey about to change is kept.
    db.exec("INSERT INTO ijken.survey_versions SELECT s.*, now() FROM ijken.surveys s JOIN in_surveys i"
            " ON s.installation = $1 AND s.opnameid = i.opnameid WHERE " + differs(surveys, "s", "i"),
            id);
    summary.surveys_changed =
        db.exec("INSERT INTO ijken.surveys AS s (installation, " + surveys + ", pushed_at) SELECT $1, " +
                    prefixed(surveys, "i.") +
                    ", now() FROM in_surveys i LEFT JOIN ijken.surveys s ON s.installation = $1"
                    " AND s.opnameid = i.opnameid WHERE s.opnameid IS NULL OR " + differs(surveys, "s", "i") +
                    " ON CONFLICT (installation, opnameid) DO UPDATE SET " +
                    set_all(surveys) + "pushed_at = now(), deleted_at = NULL WHERE " +
                    differs(surveys, "s", "EXCLUDED"),
                id)
            .affected();
    summary.surveys_deleted =
        db.exec("UPDATE ijken.surveys SET deleted_at = now() WHERE installation = $1 AND deleted_at IS NULL"
                " AND opnameid NOT IN (SELECT opnameid FROM in_surveys)",
                id)
            .affected();
}

}  // namespace

bool create_office_schema(const std::string& conninfo) {
    PgConnection db(conninfo);
    PgTransaction tx(db);
    const bool created = ensure_schema(db);
    tx.commit();
    return created;
}

PushSummary push(const std::string& db_pad, const std::string& conninfo) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(db_pad, ec)) throw FleetError("no database at " + db_pad);
    // Without the client library there is nothing to read the barge's database for.
    require_client_library();
    Snapshot snap = read_snapshot(db_pad);

    PgConnection db(conninfo);
    PgTransaction tx(db);
    PushSummary summary;
    summary.schema_created = ensure_schema(db);
    // Reached and checked: only now may the barge's database get its identity.
    summary.installation = ensure_installation_id(db_pad);
    const std::vector<PgValue> id{summary.installation};
    claim_installation(db, id);

    const std::string ships = ship_columns();
    const std::string surveys = survey_columns();
    upload(db, snap, ships, surveys);
    summary.ships = snap.ship_count;
    summary.surveys = snap.survey_count;
    summary.problems = std::move(snap.problems);
    summary.ships_changed = merge_ships(db, id, ships);
    summary.tables_replaced = merge_gauge_tables(db, id);
    merge_surveys(db, id, surveys, summary);
    tx.commit();
    return summary;
}

}  // namespace ijken::fleet
