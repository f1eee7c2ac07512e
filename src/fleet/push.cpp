#include "fleet/push.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>

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

// A value the office's column cannot take: which column, what it holds, and what is wrong with it.
struct Unsendable {
    std::string column, value, why;
};

// The text up to a NUL byte, which ends a text there for the export, the report and the main
// window's computation alike.
std::string cut(const std::string& cp1252) {
    return cp1252.substr(0, cp1252.find('\0'));
}

// The text as the export and the report show it.
PgValue utf8(const PgValue& cp1252) {
    if (!cp1252) return std::nullopt;
    return text::cp1252_to_utf8(cut(*cp1252));
}

std::string shown(const std::string& cp1252) {
    return one_line(text::cp1252_to_utf8(cut(cp1252).substr(0, 30)));
}

// A whole number of 64 bits, as the office's bigint columns hold it; nothing when the text is not.
std::optional<std::int64_t> whole(const std::string& t) {
    std::int64_t n = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), n);
    if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
    return n;
}

// One row of the barge's tables as the read found it: each cell's text (StoredRow::text) and its
// value as a number, copied so that the read can end before anything is computed.
struct BoardRow {
    std::vector<PgValue> text;
    std::vector<std::int64_t> integer;
    std::vector<double> real;

    explicit BoardRow(const data::StoredRow& row, int columns) {
        for (int c = 0; c < columns; ++c) {
            text.push_back(row.text(c));
            integer.push_back(row.integer(c));
            real.push_back(row.real(c));
        }
    }
};

PgValue integer(const BoardRow& row, int column, const char* name) {
    const PgValue& t = row.text[static_cast<std::size_t>(column)];
    if (!t) return std::nullopt;
    if (!whole(*t)) {
        const bool digits = !t->empty() && t->find_first_not_of("+-0123456789") == std::string::npos;
        throw Unsendable{name, shown(*t), digits ? "a whole number beyond 64 bits" : "not a whole number"};
    }
    return *t;
}

// The shortest text that reads back as the same double, on both sides.
std::string exact(double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

// A tonnage or a factor: a finite double. Infinity (1e999 in the file) or NaN would reach the
// office's pages and sums as a number that is none.
PgValue real(const BoardRow& row, int column, const char* name) {
    const PgValue& t = row.text[static_cast<std::size_t>(column)];
    if (!t) return std::nullopt;
    double v = 0;
    const auto r = std::from_chars(t->data(), t->data() + t->size(), v);
    if (t->empty() || r.ec == std::errc::invalid_argument || r.ptr != t->data() + t->size()) {
        throw Unsendable{name, shown(*t), "not a number"};
    }
    const double stored = row.real[static_cast<std::size_t>(column)];
    if (r.ec != std::errc() || !std::isfinite(v) || !std::isfinite(stored)) {
        throw Unsendable{name, shown(*t), "not a finite number"};
    }
    return exact(stored);
}

std::string joined(const std::vector<std::string>& names, const std::string& prefix = "") {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + prefix + n;
    return s;
}

// The office indexes the entry time (its list is sorted by it); an index row holds at most about
// 2.7 kB, so a longer text could not be stored at all.
constexpr std::size_t kLongestEntryTime = 2000;

struct Snapshot {
    std::vector<std::vector<PgValue>> ships, gauge, surveys;  // the office's rows
    int ship_count = 0, survey_count = 0;
    std::vector<std::string> problems;
    std::map<std::int64_t, std::string> ship_names;  // UTF-8, for messages
};

// A push refused for one row, named so that the skipper finds it.
[[noreturn]] void refuse(const std::string& row, const Unsendable& u) {
    throw FleetError(row + " holds \"" + u.value + "\" in " + u.column + ", which the office cannot take: " + u.why +
                     "; correct it on board and push again");
}

std::string ship_named(const Snapshot& snap, const PgValue& id) {
    if (!id) return "no ship";
    const std::optional<std::int64_t> n = whole(*id);
    if (!n) return "ship \"" + shown(*id) + "\"";
    const auto name = snap.ship_names.find(*n);
    return "ship " + *id + (name == snap.ship_names.end() ? "" : " (" + name->second + ")");
}

std::string survey_named(const Snapshot& snap, const BoardRow& row) {
    return "survey " + shown(row.text[0].value_or("")) + " of " + ship_named(snap, row.text[1]);
}

// What the read copies: the rows of the three tables.
struct Board {
    std::vector<BoardRow> ships, gauge, surveys;
};

// Ships whose number the computation takes (it counts ships in 32 bits).
bool computable(std::int64_t id) {
    return id >= INT32_MIN && id <= INT32_MAX;
}

// The barge's tables in one read transaction, which ends before anything is computed or sent, and
// opens no other connection meanwhile: a writer on board (the window saving a survey) waits for
// the copy only, and never for a second reader that in turn waits for the writer.
Board read_board(const std::string& db_pad) {
    Board b;
    try {
        data::ReadSnapshot local(db_pad);
        store::each_ship_row(local, [&](const data::StoredRow& row) { b.ships.emplace_back(row, 15); });
        store::each_gauge_row(local, [&](const data::StoredRow& row) { b.gauge.emplace_back(row, 3); });
        store::each_survey_row(local, [&](const data::StoredRow& row) { b.surveys.emplace_back(row, 32); });
    } catch (const data::SQLiteException& e) {
        throw FleetError(std::string("cannot read the barge's database: ") + e.what());
    }
    return b;
}

// Each surveyed ship's gauge table as the main window reads it (store::gauge_rows: the rows of
// its number, centimetre and tonnage as whole number and double), from the rows read.
std::map<std::int64_t, survey::MemoryGaugeTable> gauge_tables(const Board& b) {
    std::set<std::int64_t> surveyed;
    for (const BoardRow& s : b.surveys) {
        if (s.text[1] && whole(*s.text[1])) surveyed.insert(s.integer[1]);
    }
    std::map<std::int64_t, std::map<int, double>> rows;
    for (const BoardRow& g : b.gauge) {
        if (!g.text[0] || !whole(*g.text[0]) || !surveyed.count(g.integer[0])) continue;
        rows[g.integer[0]].emplace(static_cast<int>(g.integer[1]), g.real[2]);
    }
    std::map<std::int64_t, survey::MemoryGaugeTable> tables;
    for (std::int64_t id : surveyed) tables.emplace(id, survey::MemoryGaugeTable(std::move(rows[id])));
    return tables;
}

void add_ship(Snapshot& snap, std::map<std::int64_t, survey::ShipParams>& params, const BoardRow& row) {
    const std::int64_t id = row.integer[0];
    static const char* const numbers[] = {"taal", "Aantal_ijken", "Max_inzinking", "Min_inzinking"};
    std::vector<PgValue> out{text::format_int(id)};
    try {
        for (int c = 1; c <= 10; ++c) out.push_back(utf8(row.text[static_cast<std::size_t>(c)]));
        for (int c = 11; c <= 14; ++c) out.push_back(integer(row, c, numbers[c - 11]));
    } catch (const Unsendable& u) {
        refuse(ship_named(snap, text::format_int(id)), u);
    }
    snap.ships.push_back(std::move(out));
    if (computable(id)) {
        params[id] = survey::ShipParams{static_cast<int>(id), static_cast<int>(row.integer[12]),
                                        static_cast<int>(row.integer[13]), static_cast<int>(row.integer[14])};
    }
    ++snap.ship_count;
}

void add_gauge_row(Snapshot& snap, const BoardRow& row) {
    try {
        snap.gauge.push_back({integer(row, 0, "SchipID"), integer(row, 1, "Inzinking"), real(row, 2, "Tonnage")});
    } catch (const Unsendable& u) {
        refuse("the gauge table of " + ship_named(snap, row.text[0]) + " (Inzinking " +
                   shown(row.text[1].value_or("")) + ")",
               u);
    }
}

// The ten result cells of a survey, empty when it has no ship on board or cannot be computed
// (then with the reason among the problems).
std::vector<PgValue> result_cells(std::map<std::int64_t, survey::MemoryGaugeTable>& tables, const Snapshot& snap,
                                  const std::map<std::int64_t, survey::ShipParams>& params, const BoardRow& row,
                                  const survey::SurveyInput& input, std::vector<std::string>& problems) {
    std::vector<PgValue> cells(10);
    const std::int64_t ship_id = row.integer[1];
    const std::string named = "survey " + shown(row.text[0].value_or(""));
    const auto ship = params.find(ship_id);
    if (ship == params.end()) {
        if (!computable(ship_id) && snap.ship_names.count(ship_id)) {
            problems.push_back(named + ": the number of its ship (" + text::format_int(ship_id) +
                               ") is beyond the 32 bits the computation takes");
        }
        return cells;
    }
    try {
        const survey::ResultCells r = survey::recompute(tables.at(ship_id), ship->second, input).cells;
        cells = {r.e01, r.e02, r.e11, r.e12, r.e21, r.e22, r.e31, r.e32, r.e42, r.e52};
    } catch (const std::exception& e) {
        problems.push_back(named + ": " + text::cp1252_to_utf8(e.what()));
    }
    return cells;
}

void add_survey(Snapshot& snap, std::map<std::int64_t, survey::MemoryGaugeTable>& tables, const std::map<std::int64_t, survey::ShipParams>& params,
                const BoardRow& row) {
    std::vector<PgValue> out;
    survey::SurveyInput input;
    try {
        out.push_back(integer(row, 0, "Opnameid"));
        out.push_back(integer(row, 1, "Schipid"));
        for (int c = 2; c <= 10; ++c) out.push_back(utf8(row.text[static_cast<std::size_t>(c)]));
        if (out.back() && out.back()->size() > kLongestEntryTime) {
            throw Unsendable{"InvoerDatum", shown(*row.text[10]) + "...",
                             "a text of " + text::format_int(static_cast<std::int64_t>(out.back()->size())) +
                                 " bytes, longer than the " + text::format_int(kLongestEntryTime) +
                                 " an entry time may have at the office"};
        }
        for (int i = 0; i < 20; ++i) {
            const PgValue& r = row.text[static_cast<std::size_t>(11 + i)];
            // Computed from exactly what the office stores and the barge's report shows.
            input.readings[static_cast<std::size_t>(i)] = cut(r.value_or(""));
            out.push_back(utf8(r));
        }
        out.push_back(real(row, 31, "ZoutCorrectie"));
    } catch (const Unsendable& u) {
        refuse(survey_named(snap, row), u);
    }
    // The main window's factor field shows the stored number with three decimals, and computes
    // from what it shows.
    input.salt_correction = text::format_fixed(row.real[31], 3, 5);
    for (PgValue& c : result_cells(tables, snap, params, row, input, snap.problems)) out.push_back(std::move(c));
    snap.surveys.push_back(std::move(out));
    ++snap.survey_count;
}

Snapshot make_snapshot(const Board& board) {
    Snapshot snap;
    std::map<std::int64_t, survey::MemoryGaugeTable> tables = gauge_tables(board);
    std::map<std::int64_t, survey::ShipParams> params;
    for (const BoardRow& row : board.ships) snap.ship_names[row.integer[0]] = utf8(row.text[1]).value_or("");
    for (const BoardRow& row : board.ships) add_ship(snap, params, row);
    for (const BoardRow& row : board.gauge) add_gauge_row(snap, row);
    for (const BoardRow& row : board.surveys) add_survey(snap, tables, params, row);
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

// A text as a literal of a statement: '...' with the quote doubled, or E'...' with the backslash
// doubled too when the text holds one (so that the server's standard_conforming_strings cannot
// change what it reads). The texts hold no NUL (cut above).
void append_literal(std::string& out, std::string_view v) {
    if (v.find('\\') != std::string_view::npos) out += 'E';
    out += '\'';
    for (char c : v) {
        if (c == '\'' || c == '\\') out += c;
        out += c;
    }
    out += '\'';
}

// A value as an element of an array's text form: bare when nothing in it is special there, else
// in double quotes with the quote and the backslash escaped.
void append_element(std::string& out, const PgValue& v) {
    if (!v) {
        out += "NULL";
        return;
    }
    // The word NULL, in any case, is the null element unless quoted.
    bool null_word = v->size() == 4;
    for (std::size_t i = 0; null_word && i < 4; ++i) null_word = (v->at(i) | 0x20) == "null"[i];
    const bool bare = !v->empty() && !null_word && v->find_first_of("{},\"\\ \t\n\r\v\f") == std::string::npos;
    if (bare) {
        out += *v;
        return;
    }
    out += '"';
    for (char c : *v) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

// The barge's rows into temporary tables of the transaction. They go as plain statements of
// about 16 kB, not as COPY data or statement parameters: the server reads a plain statement under
// idle_in_transaction_session_timeout, so a link that freezes half way through one ends the
// session within that time and frees the barge's turn, while a server waiting for COPY data (or
// the parameters of a prepared statement) waits for as long as the socket lives. A slow link that
// moves carries each statement well within the limit (16 kB at 4 kB/s take 4 s). Each statement
// holds one array per column, which the server unnests into rows: about as few bytes as COPY's
// text, and as little work for the server.
constexpr std::size_t kStatementBytes = 16 * 1024;

void insert_rows(PgConnection& db, const std::string& table, const std::vector<std::vector<PgValue>>& rows) {
    if (rows.empty()) return;
    const PgResult types = db.exec("SELECT format_type(atttypid, atttypmod) FROM pg_attribute WHERE attrelid = $1::regclass"
                                   " AND attnum > 0 AND NOT attisdropped ORDER BY attnum",
                                   {table});
    const std::size_t columns = static_cast<std::size_t>(types.rows());
    std::vector<std::string> arrays(columns);
    std::size_t bytes = 0, held = 0;
    auto send = [&] {
        std::string sql = "INSERT INTO " + table + " SELECT * FROM unnest(";
        for (std::size_t c = 0; c < columns; ++c) {
            if (c) sql += ", ";
            append_literal(sql, "{" + arrays[c] + "}");
            sql += "::" + std::string(types.text(static_cast<int>(c), 0)) + "[]";
            arrays[c].clear();
        }
        db.exec(sql + ")");
        bytes = 0;
        held = 0;
    };
    for (const std::vector<PgValue>& row : rows) {
        for (std::size_t c = 0; c < columns; ++c) {
            const std::size_t before = arrays[c].size();
            if (held > 0) arrays[c] += ',';
            append_element(arrays[c], c < row.size() ? row[c] : PgValue());
            bytes += arrays[c].size() - before;
        }
        ++held;
        if (bytes >= kStatementBytes) send();
    }
    if (held > 0) send();
}

void upload(PgConnection& db, const Snapshot& snap, const std::string& ships, const std::string& surveys) {
    db.exec("CREATE TEMP TABLE in_ships ON COMMIT DROP AS SELECT " + ships + " FROM ijken.ships WITH NO DATA;"
            "CREATE TEMP TABLE in_gauge ON COMMIT DROP AS SELECT schipid, inzinking, tonnage"
            " FROM ijken.gauge_rows WITH NO DATA;"
            "CREATE TEMP TABLE in_surveys ON COMMIT DROP AS SELECT " + surveys + " FROM ijken.surveys WITH NO DATA");
    insert_rows(db, "in_ships", snap.ships);
    insert_rows(db, "in_gauge", snap.gauge);
    insert_rows(db, "in_surveys", snap.surveys);
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
// when it moved to another ship, when it comes back after a push that no longer had it with other
// content, or when it holds exactly what an earlier survey of its number held (a backup restored
// after the number was given to another survey: the restored survey is not an edit of the other,
// which keeps its own generation). A deleted survey that comes back unchanged is the same.
void match_surveys(PgConnection& db, const Key& k, const std::string& surveys) {
    const std::string changed = differs(surveys, "s", "i");
    db.exec("CREATE TEMP TABLE survey_match ON COMMIT DROP AS SELECT i.opnameid, s.generation,"
            " s.deleted_at IS NOT NULL AS was_deleted, " + changed + " AS changed,"
            " (s.schipid IS DISTINCT FROM i.schipid OR (" + changed + " AND (s.deleted_at IS NOT NULL"
            " OR EXISTS (SELECT 1 FROM ijken.surveys o WHERE o.installation = $1 AND o.opnameid = i.opnameid"
            " AND o.generation < s.generation AND NOT " + differs(surveys, "o", "i") + "))))"
            " AS another FROM in_surveys i JOIN (SELECT DISTINCT ON (opnameid) * FROM ijken.surveys"
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
    require_client_library();

    PgConnection db(conninfo, kPushLimits, cancel);
    PushSummary summary;
    summary.schema_created = ensure_schema(db) == SchemaAction::created;
    // Reached and checked: only now may the barge's database get its identity.
    summary.installation = ensure_installation_id(db_pad);
    PgTransaction tx(db);
    Key k;
    k.id = {summary.installation};
    k.id_at = {summary.installation, claim_installation(db, k.id)};
    // The barge is read only now that its turn is ours: a push that began earlier and is still
    // waiting for its turn (or its link) reads after this one has committed, so the later read
    // always lands last and a push never replaces what a newer state of the barge already sent.
    Snapshot snap = make_snapshot(read_board(db_pad));

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
