#include "fleet/office.h"

#include <charconv>
#include <fstream>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/store/gauge_table.h"
#include "core/store/ships.h"
#include "core/store/surveys.h"
#include "core/text/file_writer.h"
#include "core/survey/survey_export.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/central_schema.h"
#include "fleet/installation.h"
#include "fleet/pg_connection.h"

namespace ijken::fleet {

namespace {

std::string joined(const std::vector<std::string>& names, const std::string& prefix) {
    std::string s;
    for (const std::string& n : names) s += ", " + prefix + n;
    return s;
}

double exact_double(std::string_view text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

// Headers of the export, in its order; the office's file puts two columns in front.
const char* const kHeader[] = {
    "Installatie", "SchipID", "Opnameid", "Schip", "InvoerDatum (UTC)", "Verlader_Naam", "Verlader_Plaats",
    "Verlader_Telefoon", "Ontvanger_Naam", "Ontvanger_Plaats", "Ontvanger_Telefoon", "Lading", "Taal",
    "ZoutCorrectie"};
const char* const kResultHeaders[] = {"Totaal leeg",    "Totaal vol",    "Gemiddeld leeg", "Gemiddeld vol",
                                      "Inzinking leeg", "Inzinking vol", "Tonnage leeg",   "Tonnage vol",
                                      "Geladen",        "Zout correctie"};

void write_line(std::ostream& out, const std::vector<std::string>& fields) {
    bool first = true;
    for (const std::string& f : fields) {
        if (!first) out << ',';
        first = false;
        out << survey::csv_field(f);
    }
    out << "\r\n";
}

void check_schema(PgConnection& db) {
    if (!schema_present(db)) throw FleetError("the office database holds no fleet tables yet");
}

data::SqlValue sqlite_text(const PgResult& r, int row, int column) {
    if (r.is_null(row, column)) return nullptr;
    return text::utf8_to_cp1252(r.text(row, column));
}

data::SqlValue sqlite_integer(const PgResult& r, int row, int column) {
    if (r.is_null(row, column)) return nullptr;
    return static_cast<std::int64_t>(std::stoll(std::string(r.text(row, column))));
}

data::SqlValue sqlite_real(const PgResult& r, int row, int column) {
    if (r.is_null(row, column)) return nullptr;
    return exact_double(r.text(row, column));
}

}  // namespace

bool is_date(const std::string& t) {
    if (t.size() != 10 || t[4] != '-' || t[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (t[static_cast<std::size_t>(i)] < '0' || t[static_cast<std::size_t>(i)] > '9') return false;
    }
    const int y = std::stoi(t.substr(0, 4)), m = std::stoi(t.substr(5, 2)), d = std::stoi(t.substr(8, 2));
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > days[m - 1]) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return !(m == 2 && d == 29 && !leap);
}

const std::string& survey_filter_from() {
    // The ship's name is the one the survey's report shows: valid when the survey was last sent.
    static const std::string from =
        " FROM ijken.surveys s LEFT JOIN ijken.ship_versions sh ON sh.installation = s.installation"
        " AND sh.schipid = s.schipid AND sh.valid_from <= s.pushed_at"
        " AND (sh.valid_until IS NULL OR sh.valid_until > s.pushed_at)";
    return from;
}

namespace {

// The text filter: found in the ship's name (as the survey's report shows it), one of the
// parties' fields or the cargo, as the office's list in the browser finds it. Each field on its
// own is many times quicker for the server than one text joined from them.
std::string any_party_like() {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a chain of + here.
    std::string s = "(sh.name ILIKE $5";
    for (const std::string& c : survey_party_columns()) {
        s += " OR s.";
        s += c;
        s += " ILIKE $5";
    }
    s += ')';
    return s;
}

}  // namespace

const std::string& survey_filter_condition() {
    // Dates compare as the entry's day, both ends included. An entry date that does not start with
    // a day (empty, or put there in another form outside the program) cannot be placed: every date
    // filter keeps it, so that no filter hides a survey the unfiltered list shows.
    static const std::string undated = "(s.invoerdatum IS NULL OR s.invoerdatum !~ '" + std::string(kEntryDay) + "')";
    static const std::string condition =
        "($4 OR s.deleted_at IS NULL) AND ($1::text IS NULL OR sh.name = $1)"
        " AND ($2::text IS NULL OR " + undated + " OR left(s.invoerdatum, 10) >= $2)"
        " AND ($3::text IS NULL OR " + undated + " OR left(s.invoerdatum, 10) <= $3)"
        " AND ($5::text IS NULL OR " + any_party_like() + ")";
    return condition;
}

bool has_entry_day(std::string_view d) {
    // kEntryDay by hand: this runs for every row of a long list.
    auto digit = [&](std::size_t i) { return d[i] >= '0' && d[i] <= '9'; };
    if (d.size() < 10 || d[4] != '-' || d[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!digit(i)) return false;
    }
    const int month = (d[5] - '0') * 10 + (d[6] - '0'), day = (d[8] - '0') * 10 + (d[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::vector<PgValue> survey_filter_values(const SurveyFilter& filter) {
    PgValue pattern;
    if (filter.text && !filter.text->empty()) {
        // ILIKE's own characters stand for themselves in what the user typed.
        pattern = "%";
        for (char c : *filter.text) {
            if (c == '%' || c == '_' || c == '\\') *pattern += '\\';
            *pattern += c;
        }
        *pattern += '%';
    }
    return {filter.ship, filter.since, filter.until, filter.deleted ? "true" : "false", pattern};
}

long long write_office_csv(const std::string& conninfo, const SurveyFilter& filter,
                           const std::filesystem::path& output, long long* undated) {
    text::PendingFile pending(output);
    PgConnection db(conninfo, kReadLimits);
    std::ofstream out(pending.temp_path(), std::ios::binary | std::ios::trunc);
    if (!out) throw FleetError("cannot write " + output.string());
    const long long count = write_office_csv(db, filter, out, undated);
    out.close();
    if (!out) throw FleetError("writing " + output.string() + " failed");
    pending.commit();
    return count;
}

long long write_office_csv(PgConnection& db, const SurveyFilter& filter, std::ostream& out, long long* undated) {
    if (undated) *undated = 0;
    // One snapshot of the whole fleet, even while barges push.
    PgTransaction tx(db);
    db.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
    check_schema(db);

    out << "\xEF\xBB\xBF";
    std::vector<std::string> header(std::begin(kHeader), std::end(kHeader));
    for (const char* block : {"BBL_", "SBL_", "BBV_", "SBV_"}) {
        for (int i = 1; i <= 5; ++i) header.push_back(block + std::to_string(i));
    }
    for (const char* h : kResultHeaders) header.push_back(h);
    if (filter.deleted) header.push_back("Verwijderd (UTC)");
    write_line(out, header);

    // A survey whose number came back after a delete is named NUMBER~GENERATION; the newest
    // survey of a number (a survey not deleted always is) by its number alone.
    const std::string sql =
        "SELECT s.installation, s.schipid, CASE WHEN s.deleted_at IS NULL THEN s.opnameid::text"
        " WHEN EXISTS (SELECT 1 FROM ijken.surveys g WHERE g.installation = s.installation"
        " AND g.opnameid = s.opnameid AND g.generation > s.generation) THEN s.opnameid || '~' || s.generation"
        " ELSE s.opnameid::text END, sh.name, s.invoerdatum" +
        joined(survey_party_columns(), "s.") + ", s.taal, s.zoutcorrectie" + joined(reading_columns(), "s.") +
        joined(result_columns(), "s.") + (filter.deleted ? ", to_char(s.deleted_at, 'YYYY-MM-DD HH24:MI:SS')" : "") +
        survey_filter_from() + " WHERE " + survey_filter_condition() +
        " ORDER BY s.installation, s.schipid, s.invoerdatum, s.opnameid, s.generation";
    long long count = 0;
    std::vector<std::string> fields(header.size());
    const int factor_column = 5 + static_cast<int>(survey_party_columns().size()) + 1;
    db.stream(sql, survey_filter_values(filter), [&](const PgResult& r) {
        for (int c = 0; c < r.columns(); ++c) {
            if (c == factor_column && !r.is_null(0, c)) {
                // As the export shows the factor: three decimals.
                fields[static_cast<std::size_t>(c)] = text::format_fixed(exact_double(r.text(0, c)), 3, 5);
            } else {
                fields[static_cast<std::size_t>(c)] = std::string(r.text(0, c));
            }
        }
        write_line(out, fields);
        ++count;
        if (undated && !has_entry_day(r.text(0, 4))) ++*undated;
    });
    tx.commit();
    return count;
}

namespace {

// What the office holds of one survey's ship, read in one snapshot.
struct CentralShip {
    std::int64_t ship_id = 0;
    PgResult ship;    // the ship's particulars valid when the survey was last sent: texts, numbers
    PgResult table;   // inzinking, tonnage of the gauge table valid then
    PgResult survey;  // the survey as the barge last sent it
};

struct FoundSurvey {
    std::string ship_id, generation;
    PgValue pushed_at;
};

// The survey (the newest of its number, or the generation asked for). Throws FleetError
// without it.
FoundSurvey find_survey(PgConnection& db, const SurveyName& name) {
    const PgValue generation = name.generation ? PgValue(std::to_string(*name.generation)) : std::nullopt;
    const PgResult found = db.exec(
        "SELECT schipid, generation, pushed_at FROM ijken.surveys WHERE installation = $1 AND opnameid = $2"
        " AND ($3::integer IS NULL OR generation = $3) ORDER BY generation DESC LIMIT 1",
        {name.installation, std::to_string(name.opnameid), generation});
    if (found.rows() == 0) {
        throw FleetError("the office database has no survey " + name.text() + " of installation " +
                         name.installation);
    }
    if (found.is_null(0, 0)) throw FleetError("survey " + name.text() + " belongs to no ship");
    return {std::string(found.text(0, 0)), std::string(found.text(0, 1)), found.value(0, 2)};
}

CentralShip read_central_ship(PgConnection& db, const SurveyName& name) {
    PgTransaction tx(db);
    db.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
    check_schema(db);
    const FoundSurvey found = find_survey(db, name);
    const std::vector<PgValue> at{name.installation, found.ship_id, found.pushed_at};
    // The particulars and the table the survey's results were computed on: those valid when it was
    // last sent, also when the ship's number names another ship now.
    const std::string valid = " WHERE installation = $1 AND schipid = $2 AND valid_from <= $3"
                              " AND (valid_until IS NULL OR valid_until > $3)";
    PgResult ship = db.exec("SELECT " + joined(ship_text_columns(), "").substr(2) + joined(ship_number_columns(), "") +
                                " FROM ijken.ship_versions" + valid,
                            at);
    if (ship.rows() == 0) throw FleetError("the office database has no ship " + found.ship_id);
    PgResult table = db.exec("SELECT inzinking, tonnage FROM ijken.gauge_rows" + valid + " ORDER BY inzinking", at);
    const std::string survey_columns = "opnameid" + joined(survey_party_columns(), "") + ", taal, invoerdatum" +
                                       joined(reading_columns(), "") + ", zoutcorrectie";
    PgResult survey = db.exec("SELECT " + survey_columns +
                                  " FROM ijken.surveys WHERE installation = $1 AND opnameid = $2 AND generation = $3",
                              {name.installation, std::to_string(name.opnameid), found.generation});
    tx.commit();
    return {std::stoll(found.ship_id), std::move(ship), std::move(table), std::move(survey)};
}

// The designed tables in a new database, holding the ship, its table and its surveys.
void write_barge_database(data::SQLiteDatabase& local, const CentralShip& central) {
    for (const char* create : {data::kCreateSchiptable, data::kCreateSchiptableIndex, data::kCreateIJKtable,
                               data::kCreateIJkOpnames, data::kCreateOpnameIndex}) {
        local.Execute(create);
    }
    data::Transaction transaction(local);
    // The ship and its survey alone, as ship 1 and survey 1: the report depends on nothing else,
    // and the barge's numbers may be ones the report command does not take (SQLite's are 64-bit).
    const std::int64_t ship_id = 1;
    std::vector<data::SqlValue> row{ship_id};
    for (int c = 0; c < 10; ++c) row.push_back(sqlite_text(central.ship, 0, c));
    for (int c = 10; c < 14; ++c) row.push_back(sqlite_integer(central.ship, 0, c));
    store::restore_ship(local, row);
    const PgResult& table = central.table;
    for (int r = 0; r < table.rows(); ++r) {
        store::restore_gauge_row(local, {ship_id, sqlite_integer(table, r, 0), sqlite_real(table, r, 1)});
    }
    const PgResult& survey = central.survey;
    const int n = survey.columns();
    std::vector<data::SqlValue> v{std::int64_t{1}, ship_id};
    for (int c = 1; c < n - 1; ++c) v.push_back(sqlite_text(survey, 0, c));
    v.push_back(sqlite_real(survey, 0, n - 1));
    store::restore_survey(local, v);
    transaction.commit();
}

}  // namespace

std::string SurveyName::text() const {
    std::string text = std::to_string(opnameid);
    if (generation) text.append("~").append(std::to_string(*generation));
    return text;
}

std::optional<SurveyName> parse_survey_name(const std::string& name) {
    const auto colon = name.rfind(':');
    if (colon == std::string::npos || !is_uuid(name.substr(0, colon))) return std::nullopt;
    SurveyName n{name.substr(0, colon), 0, std::nullopt};
    const std::string rest = name.substr(colon + 1);
    const auto tilde = rest.find('~');
    const std::string number = rest.substr(0, tilde);
    const char* end = number.data() + number.size();
    auto r = std::from_chars(number.data(), end, n.opnameid);
    if (number.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
    if (tilde != std::string::npos) {
        const std::string g = rest.substr(tilde + 1);
        int generation = 0;
        r = std::from_chars(g.data(), g.data() + g.size(), generation);
        if (g.empty() || r.ec != std::errc() || r.ptr != g.data() + g.size() || generation < 1) return std::nullopt;
        n.generation = generation;
    }
    return n;
}

void name_installation(const std::string& conninfo, const std::string& installation, const std::string& name) {
    if (!is_uuid(installation)) throw FleetError("\"" + one_line(installation).substr(0, 40) + "\" is no installation id", 2);
    std::size_t characters = 0;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) throw FleetError("a name holds no line breaks, tabs or other control characters", 2);
        if ((c & 0xC0) != 0x80) ++characters;
    }
    if (characters > kMaxOfficeName) {
        throw FleetError("a name has at most " + std::to_string(kMaxOfficeName) + " characters", 2);
    }
    PgConnection db(conninfo);
    PgTransaction tx(db);
    check_schema(db);
    // The installation's own role (unless it owns the tables) never names it: the trigger would
    // refuse, in words meant for SQL.
    const PgResult own = db.exec(
        "SELECT 1 FROM ijken.installations WHERE installation = $1 AND role_oid = (SELECT oid FROM"
        " pg_catalog.pg_roles WHERE rolname = current_user) AND NOT pg_catalog.pg_has_role(current_user, (SELECT"
        " relowner FROM pg_catalog.pg_class WHERE oid = 'ijken.installations'::regclass), 'USAGE')",
        {installation});
    if (own.rows() > 0) {
        throw FleetError("installation " + installation + " is this role's own barge; only the office names it");
    }
    const PgValue value = name.empty() ? PgValue() : PgValue(name);
    const PgResult named = db.exec("UPDATE ijken.installations SET office_name = $2 WHERE installation = $1",
                                   {installation, value});
    if (named.affected() == 0) {
        throw FleetError("the office database has no installation " + installation + " that this role may name");
    }
    tx.commit();
}

void materialise_survey(const std::string& conninfo, const SurveyName& name, const std::string& db_pad) {
    PgConnection db(conninfo, kReadLimits);
    materialise_survey(db, name, db_pad);
}

void materialise_survey(PgConnection& db, const SurveyName& name, const std::string& db_pad) {
    const CentralShip central = read_central_ship(db, name);
    data::SQLiteDatabase local(db_pad);
    write_barge_database(local, central);
}

void materialise_survey(PgConnection& db, const SurveyName& name, data::SQLiteDatabase& into) {
    write_barge_database(into, read_central_ship(db, name));
}

}  // namespace ijken::fleet
