#include "web/office_reads.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include "core/text/numbers.h"
#include "fleet/central_schema.h"
#include "fleet/installation.h"
#include "web/office_sql.h"

namespace ijken::web {

using fleet::PgConnection;
using fleet::PgResult;
using fleet::PgTransaction;
using fleet::PgValue;

namespace sql {

// A loaded tonnage as a number, NULL for a cell that holds none (a survey that could not be
// computed keeps its cells empty, one computed on an infinite table holds INF). Its length is
// bounded, so that no sum of them leaves numeric's range: a sum is exact, however large.
const char* const kLoaded =
    "CASE WHEN length(s.e42) <= 1000 AND btrim(s.e42) ~ '^-?[0-9]+(\\.[0-9]+)?$' THEN btrim(s.e42)::numeric END";

// A version of a ship that begins a ship of its own: no version of the same number ended where it
// begins (a rename ends one version and begins the next at the same instant; a delete leaves a gap).
const char* const kBearerStart =
    "NOT EXISTS (SELECT 1 FROM ijken.ship_versions p WHERE p.installation = v.installation"
    " AND p.schipid = v.schipid AND p.valid_until = v.valid_from)";


void read_only(PgConnection& db) {
    db.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
}

long long integer(std::string_view text) {
    long long v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

// The state of the data the caller's transaction reads: every push that changes anything moves
// its installation's last_push, and the figures per month move with the month.
// The names the office gives its barges move it too.
std::string data_stamp(PgConnection& db) {
    const PgResult r = db.exec("SELECT coalesce(max(last_push)::text, '') || '|' || count(*) || '|' ||"
                               " to_char(now(), 'YYYY-MM') || '|' || (SELECT coalesce(md5(string_agg("
                               "b.installation || ':' || coalesce(b.name, ''), ',' ORDER BY b.installation)), '')"
                               " FROM ijken.barges b) FROM ijken.installations");
    return std::string(r.text(0, 0));
}

// The instants at which each ship of a number began, oldest first.
std::vector<std::string> bearer_starts(PgConnection& db, const std::string& installation, long long number) {
    const PgResult r = db.exec(std::string("SELECT v.valid_from::text FROM ijken.ship_versions v"
                                           " WHERE v.installation = $1::uuid AND v.schipid = $2::bigint AND ") +
                                   kBearerStart + " ORDER BY v.valid_from",
                               {installation, std::to_string(number)});
    std::vector<std::string> starts;
    for (int i = 0; i < r.rows(); ++i) starts.emplace_back(r.text(i, 0));
    return starts;
}

std::optional<Period> period_of(PgConnection& db, const RowKey& key) {
    const std::vector<std::string> starts = bearer_starts(db, key.installation, key.number);
    const int n = static_cast<int>(starts.size());
    const int k = key.bearer.value_or(n);
    if (n == 0 || k < 1 || k > n) return std::nullopt;
    return Period{k, n, starts[static_cast<std::size_t>(k - 1)],
                  k < n ? PgValue(starts[static_cast<std::size_t>(k)]) : std::nullopt};
}

RowKey named(const std::string& installation, long long number, int bearer, int bearers) {
    return {installation, number, bearer < bearers ? std::optional<int>(bearer) : std::nullopt};
}

// Which ship of its number a version of it (s.installation, s.schipid, the version's valid_from as
// `at`) belongs to, and how many the number had: "K/N".
std::string bearer_of(const std::string& at) {
    return std::string("(SELECT count(*) FILTER (WHERE v.valid_from <= ") + at +
           ") || '/' || count(*) FROM ijken.ship_versions v WHERE v.installation = s.installation"
           " AND v.schipid = s.schipid AND " + kBearerStart + ")";
}

RowKey key_of(std::string_view installation, std::string_view number, std::string_view bearer) {
    const auto slash = bearer.find('/');
    const long long k = slash == std::string_view::npos ? 0 : integer(bearer.substr(0, slash));
    const long long n = slash == std::string_view::npos ? 0 : integer(bearer.substr(slash + 1));
    return named(std::string(installation), integer(number), static_cast<int>(k), static_cast<int>(n));
}

}  // namespace sql

using namespace sql;

namespace {

double number(std::string_view text) {
    return parse_number(text);
}

std::string joined(const std::vector<std::string>& names, const std::string& prefix) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + prefix + n;
    return s;
}

}  // namespace

void ReadCache::at(const std::string& stamp) {
    if (stamp == stamp_) return;
    stamp_ = stamp;
    fleet_.reset();
    totals_.clear();
}

std::optional<FleetOverview> ReadCache::fleet(const std::string& stamp) {
    std::lock_guard<std::mutex> lock(mutex_);
    at(stamp);
    return fleet_;
}

void ReadCache::keep_fleet(const std::string& stamp, const FleetOverview& fleet) {
    std::lock_guard<std::mutex> lock(mutex_);
    at(stamp);
    fleet_ = fleet;
}

std::optional<ReadCache::Totals> ReadCache::totals(const std::string& stamp, const std::string& filter) {
    std::lock_guard<std::mutex> lock(mutex_);
    at(stamp);
    const auto it = totals_.find(filter);
    if (it == totals_.end()) return std::nullopt;
    return it->second;
}

void ReadCache::keep_totals(const std::string& stamp, const std::string& filter, Totals totals) {
    std::lock_guard<std::mutex> lock(mutex_);
    at(stamp);
    if (totals_.size() >= 200) totals_.clear();
    totals_[filter] = totals;
}

std::string RowKey::text() const {
    return installation + ":" + std::to_string(number) + (bearer ? "~" + std::to_string(*bearer) : "");
}

std::optional<RowKey> parse_row_key(const std::string& text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || text.find(' ') != std::string::npos) return std::nullopt;
    RowKey key{text.substr(0, colon), 0, std::nullopt};
    std::string rest = text.substr(colon + 1);
    if (const auto tilde = rest.find('~'); tilde != std::string::npos) {
        const auto k = text::parse_int(rest.substr(tilde + 1));
        if (!k || *k < 1 || *k > 1000000000 || rest.find('+') != std::string::npos) return std::nullopt;
        key.bearer = static_cast<int>(*k);
        rest.resize(tilde);
    }
    const auto n = text::parse_int(rest);
    if (!fleet::is_uuid(key.installation) || !n) return std::nullopt;
    key.number = *n;
    return key;
}

double parse_number(std::string_view text) {
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc::result_out_of_range) return r.ec == std::errc() ? v : 0;
    // Out of range: too large, or so small that it is zero (numeric writes no exponent).
    const bool negative = !text.empty() && text.front() == '-';
    const auto e = text.find_first_of("eE");
    bool tiny = e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
    if (e == std::string_view::npos) {
        const std::string_view digits = text.substr(negative ? 1 : 0);
        tiny = digits.substr(0, digits.find('.')).find_first_not_of('0') == std::string_view::npos;
    }
    if (tiny) return negative ? -0.0 : 0.0;
    const double inf = std::numeric_limits<double>::infinity();
    return negative ? -inf : inf;
}

std::map<std::string, std::string> read_barges(PgConnection& db) {
    const PgResult r = db.exec("SELECT installation, coalesce(name, '') FROM ijken.barges");
    std::map<std::string, std::string> names;
    for (int i = 0; i < r.rows(); ++i) names[std::string(r.text(i, 0))] = std::string(r.text(i, 1));
    return names;
}

FleetOverview read_fleet(PgConnection& db, ReadCache& cache) {
    PgTransaction tx(db);
    read_only(db);
    const std::string stamp = data_stamp(db);
    if (auto kept = cache.fleet(stamp)) return *kept;
    std::lock_guard<std::mutex> one_reads(cache.reading());
    if (auto kept = cache.fleet(stamp)) return *kept;
    FleetOverview o;
    const PgResult months = db.exec(
        "SELECT to_char(date_trunc('month', now()) - make_interval(months => m), 'YYYY-MM')"
        " FROM generate_series(11, 0, -1) m");
    for (int r = 0; r < months.rows(); ++r) o.months.emplace_back(months.text(r, 0));
    const std::map<std::string, std::string> barges = read_barges(db);
    const PgResult ships = db.exec(
        "SELECT sh.installation, sh.schipid, sh.name, to_char(sh.pushed_at, 'YYYY-MM-DD HH24:MI')"
        " FROM ijken.ships sh WHERE sh.deleted_at IS NULL ORDER BY sh.name, sh.installation, sh.schipid");
    std::map<std::string, std::size_t> index;
    for (int r = 0; r < ships.rows(); ++r) {
        FleetShip ship{{std::string(ships.text(r, 0)), integer(ships.text(r, 1)), std::nullopt},
                       std::string(ships.text(r, 2)), "", std::string(ships.text(r, 3)), 0,
                       std::vector<double>(12, 0.0)};
        const auto barge = barges.find(ship.key.installation);
        ship.barge = barge == barges.end() ? ship.key.installation : barge->second;
        index[ship.key.text()] = o.ships.size();
        o.ships.push_back(std::move(ship));
    }
    // One pass over the surveys: the count of each ship, and its loaded tonnage per month. A
    // survey counts for the ship that bears its number now only when it was sent since that ship
    // began (the surveys of an earlier ship of the number are that ship's).
    const PgResult cargo = db.exec(
        std::string("WITH began AS (SELECT v.installation, v.schipid, max(v.valid_from) AS since"
                    " FROM ijken.ship_versions v WHERE ") + kBearerStart + " GROUP BY 1, 2)"
        " SELECT s.installation, s.schipid, left(s.invoerdatum, 7), count(*), round(sum(" + kLoaded +
        "), 3)::text, to_char(max(s.pushed_at), 'YYYY-MM-DD HH24:MI') FROM ijken.surveys s JOIN began b"
        " ON b.installation = s.installation AND b.schipid = s.schipid AND s.pushed_at >= b.since"
        " WHERE s.deleted_at IS NULL GROUP BY 1, 2, 3");
    for (int r = 0; r < cargo.rows(); ++r) {
        const auto ship = index.find(std::string(cargo.text(r, 0)) + ":" + std::string(cargo.text(r, 1)));
        if (ship == index.end()) continue;
        FleetShip& s = o.ships[ship->second];
        s.surveys += integer(cargo.text(r, 3));
        s.last_received = std::max(s.last_received, std::string(cargo.text(r, 5)));
        const auto month = std::find(o.months.begin(), o.months.end(), cargo.text(r, 2));
        if (month != o.months.end()) s.months[static_cast<std::size_t>(month - o.months.begin())] += number(cargo.text(r, 4));
    }
    tx.commit();
    cache.keep_fleet(stamp, o);
    return o;
}

const std::vector<std::string>& survey_columns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> c = fleet::survey_party_columns();
        c.push_back("taal");
        c.push_back("invoerdatum");
        c.push_back("zoutcorrectie");
        for (const auto* list : {&fleet::reading_columns(), &fleet::result_columns()}) {
            c.insert(c.end(), list->begin(), list->end());
        }
        return c;
    }();
    return columns;
}

namespace {

SurveyState state_of(const PgResult& r, int row) {
    SurveyState s;
    const auto& names = survey_columns();
    const int n = static_cast<int>(names.size());
    for (int c = 0; c < n; ++c) {
        s.values.push_back(r.value(row, c));
        // The factor as the program shows it everywhere: three decimals.
        if (names[static_cast<std::size_t>(c)] == "zoutcorrectie" && s.values.back()) {
            s.values.back() = text::format_fixed(number(*s.values.back()), 3);
        }
    }
    s.time = std::string(r.text(row, n));
    return s;
}

}  // namespace

std::string SurveyDetail::link() const {
    return name.installation + ":" + name.text();
}

std::optional<SurveyDetail> read_survey(PgConnection& db, const fleet::SurveyName& name) {
    PgTransaction tx(db);
    read_only(db);
    const PgValue generation = name.generation ? PgValue(std::to_string(*name.generation)) : std::nullopt;
    const std::string columns = joined(survey_columns(), "s.");
    // The newest survey of the number, or the generation named; its ship as it was when the survey
    // was last sent (the ship that bore the number then, named as its own page names it).
    const PgResult now = db.exec("SELECT " + columns +
                                     ", to_char(s.pushed_at, 'YYYY-MM-DD HH24:MI'), s.schipid, sh.name,"
                                     " s.deleted_at IS NOT NULL, s.generation, coalesce(to_char(s.deleted_at,"
                                     " 'YYYY-MM-DD HH24:MI:SS'), ''), CASE WHEN sh.valid_from IS NULL THEN '' ELSE " +
                                     bearer_of("sh.valid_from") + " END" + fleet::survey_filter_from() +
                                     " WHERE s.installation = $1::uuid AND s.opnameid = $2::bigint"
                                     " AND ($3::integer IS NULL OR s.generation = $3) ORDER BY s.generation DESC LIMIT 1",
                                 {name.installation, std::to_string(name.opnameid), generation});
    if (now.rows() == 0) return std::nullopt;
    const int n = static_cast<int>(survey_columns().size());
    SurveyDetail d{name, key_of(name.installation, now.text(0, n + 1), now.text(0, n + 6)),
                   std::string(now.text(0, n + 2)), "", now.text(0, n + 3) == "t", !now.text(0, n + 6).empty(),
                   std::string(now.text(0, n + 5)), {}, state_of(now, 0), {}};
    const auto barges = read_barges(db);
    const auto barge = barges.find(name.installation);
    d.barge = barge == barges.end() ? name.installation : barge->second;
    const std::string found_generation(now.text(0, n + 4));
    // Every survey that bore the number: a deleted one whose number came back is named by its
    // generation, as the commands name it.
    const PgResult all = db.exec("SELECT generation, coalesce(to_char(deleted_at, 'YYYY-MM-DD HH24:MI:SS'), '')"
                                 " FROM ijken.surveys WHERE installation = $1::uuid AND opnameid = $2::bigint"
                                 " ORDER BY generation",
                                 {name.installation, std::to_string(name.opnameid)});
    const long long newest = all.rows() > 0 ? integer(all.text(all.rows() - 1, 0)) : 0;
    for (int r = 0; r < all.rows(); ++r) {
        const long long g = integer(all.text(r, 0));
        NumberBearer b{{name.installation, name.opnameid, std::nullopt}, std::string(all.text(r, 1)),
                       std::to_string(g) == found_generation};
        if (g != newest) b.name.generation = static_cast<int>(g);
        if (b.shown) d.name = b.name;
        d.bearers.push_back(std::move(b));
    }
    if (d.bearers.size() < 2) d.bearers.clear();
    const PgResult earlier = db.exec("SELECT " + columns +
                                         ", to_char(s.replaced_at, 'YYYY-MM-DD HH24:MI:SS') FROM ijken.survey_versions s"
                                         " WHERE s.installation = $1::uuid AND s.opnameid = $2::bigint"
                                         " AND s.generation = $3::integer ORDER BY s.replaced_at DESC",
                                     {name.installation, std::to_string(name.opnameid), found_generation});
    for (int r = 0; r < earlier.rows(); ++r) d.earlier.push_back(state_of(earlier, r));
    tx.commit();
    return d;
}

namespace {

// The tables of a ship, each with its validity, the current one (no end) first.
// k: installation, number, and the period of the ship ($3 from, $4 until or NULL).
std::vector<GaugeTable> read_tables(PgConnection& db, const std::vector<PgValue>& k) {
    // Two pushes may fall in one second: a table is told by its exact start, shown to the second.
    const PgResult r = db.exec(
        "SELECT valid_from, to_char(valid_from, 'YYYY-MM-DD HH24:MI:SS'), coalesce(to_char(valid_until,"
        " 'YYYY-MM-DD HH24:MI:SS'), ''), inzinking, tonnage FROM ijken.gauge_rows"
        " WHERE installation = $1::uuid AND schipid = $2::bigint AND valid_from >= $3::timestamptz"
        " AND ($4::timestamptz IS NULL OR valid_from < $4::timestamptz)"
        " ORDER BY valid_until IS NOT NULL, valid_from DESC, inzinking",
        k);
    std::vector<GaugeTable> tables;
    std::string start;
    for (int i = 0; i < r.rows(); ++i) {
        if (tables.empty() || start != r.text(i, 0)) {
            start = std::string(r.text(i, 0));
            tables.push_back({std::string(r.text(i, 1)), std::string(r.text(i, 2)), {}});
        }
        tables.back().rows.push_back({integer(r.text(i, 3)), number(r.text(i, 4))});
    }
    return tables;
}

}  // namespace

std::optional<ShipDetail> read_ship(PgConnection& db, const RowKey& key) {
    PgTransaction tx(db);
    read_only(db);
    const std::optional<Period> period = period_of(db, key);
    if (!period) return std::nullopt;
    const std::vector<PgValue> k{key.installation, std::to_string(key.number), period->from, period->until};
    std::vector<std::string> names = fleet::ship_text_columns();
    const auto& numbers = fleet::ship_number_columns();
    names.insert(names.end(), numbers.begin(), numbers.end());
    // The particulars this ship had last, and when it began and ended (a later ship of the number
    // began after it was deleted).
    const PgResult ship = db.exec("SELECT " + joined(names, "") +
                                      ", valid_until IS NOT NULL, coalesce(to_char(valid_until, 'YYYY-MM-DD HH24:MI:SS'),"
                                      " ''), coalesce(to_char($3::timestamptz, 'YYYY-MM-DD HH24:MI:SS'), '')"
                                      " FROM ijken.ship_versions WHERE installation = $1::uuid AND schipid = $2::bigint"
                                      " AND valid_from >= $3::timestamptz"
                                      " AND ($4::timestamptz IS NULL OR valid_from < $4::timestamptz)"
                                      " ORDER BY valid_from DESC LIMIT 1",
                                  k);
    if (ship.rows() == 0) return std::nullopt;
    ShipDetail d;
    d.key = key;
    d.named = named(key.installation, key.number, period->bearer, period->bearers);
    for (std::size_t c = 0; c < names.size(); ++c) {
        d.particulars.emplace_back(names[c], std::string(ship.text(0, static_cast<int>(c))));
    }
    const int n = static_cast<int>(names.size());
    d.deleted = ship.text(0, n) == "t";
    d.valid_until = std::string(ship.text(0, n + 1));
    d.valid_from = std::string(ship.text(0, n + 2));
    if (period->bearers > 1) {
        for (int b = 1; b <= period->bearers; ++b) d.bearers.push_back(named(key.installation, key.number, b, period->bearers));
    }
    const auto barges = read_barges(db);
    const auto barge = barges.find(key.installation);
    d.barge = barge == barges.end() ? key.installation : barge->second;
    std::vector<GaugeTable> tables = read_tables(db, k);
    // A ship that was deleted keeps the table it had last as its own.
    if (!tables.empty() && (tables.front().valid_until.empty() || d.deleted)) {
        d.current = std::move(tables.front());
        tables.erase(tables.begin());
    }
    d.earlier = std::move(tables);
    tx.commit();
    return d;
}

}  // namespace ijken::web
