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

namespace ijken::web {

using fleet::PgConnection;
using fleet::PgResult;
using fleet::PgTransaction;
using fleet::PgValue;

namespace {

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

double number(std::string_view text) {
    return parse_number(text);
}

long long integer(std::string_view text) {
    long long v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

std::string joined(const std::vector<std::string>& names, const std::string& prefix) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + prefix + n;
    return s;
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

// The period of the ship a key names, [from, until), or nothing when there is no such ship.
struct Period {
    int bearer = 1, bearers = 1;
    std::string from;
    PgValue until;
};
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

namespace {

const char* const kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string base64url(std::string_view bytes) {
    std::string s;
    unsigned int bits = 0;
    int held = 0;
    for (unsigned char c : bytes) {
        bits = (bits << 8) | c;
        held += 8;
        while (held >= 6) {
            held -= 6;
            s += kBase64[(bits >> held) & 63];
        }
    }
    if (held > 0) s += kBase64[(bits << (6 - held)) & 63];
    return s;
}

std::optional<std::string> from_base64url(std::string_view text) {
    std::string s;
    unsigned int bits = 0;
    int held = 0;
    for (char c : text) {
        const char* at = std::strchr(kBase64, c);
        if (c == '\0' || at == nullptr) return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned int>(at - kBase64);
        held += 6;
        if (held >= 8) {
            held -= 8;
            s += static_cast<char>((bits >> held) & 255);
        }
    }
    return s;
}

// Text PostgreSQL takes as a parameter: UTF-8 without NUL.
bool valid_utf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == 0) return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t more = 0;
        std::uint32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1, code = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2, code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, code = c & 0x07u;
        } else {
            return false;
        }
        if (s.size() - i <= more) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            code = (code << 6) | (d & 0x3Fu);
        }
        if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (more == 3 && (code < 0x10000 || code > 0x10FFFF))) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

// A sort value read back from PostgreSQL's text of numeric, or the lowest for a cell without one.
bool numeric_text(std::string_view v) {
    if (v == "-Infinity") return true;
    if (!v.empty() && v.front() == '-') v.remove_prefix(1);
    const auto dot = v.find('.');
    const std::string_view whole = v.substr(0, dot), part = dot == std::string_view::npos ? "1" : v.substr(dot + 1);
    for (std::string_view digits : {whole, part}) {
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return false;
    }
    return true;
}

// Each sort column's expression over s (the survey) and sh (its ship as it was): never NULL, so
// that the order and the comparison with a page's last row agree.
std::string sort_expression(SortColumn column) {
    switch (column) {
        case SortColumn::date: return "coalesce(s.invoerdatum, '')";
        case SortColumn::barge: return "coalesce(bn.name, '')";
        case SortColumn::ship: return "coalesce(sh.name, '')";
        case SortColumn::shipper: return "coalesce(s.verlader_naam, '')";
        case SortColumn::consignee: return "coalesce(s.ontvanger_naam, '')";
        case SortColumn::cargo: return "coalesce(s.lading, '')";
        case SortColumn::loaded: return std::string("coalesce(") + kLoaded + ", '-Infinity'::numeric)";
    }
    return "''";
}

const std::pair<SortColumn, const char*> kSortNames[] = {
    {SortColumn::date, "date"},           {SortColumn::barge, "barge"},         {SortColumn::ship, "ship"},
    {SortColumn::shipper, "shipper"},     {SortColumn::consignee, "consignee"}, {SortColumn::cargo, "cargo"},
    {SortColumn::loaded, "loaded"}};

// The list's condition after fleet::survey_filter_condition() ($1 .. $5), with its values.
struct Condition {
    std::string where;
    std::vector<PgValue> values;
    std::string param(PgValue v) {
        values.push_back(std::move(v));
        return "$" + std::to_string(values.size());
    }
};

Condition list_condition(PgConnection& db, const ListFilter& f) {
    fleet::SurveyFilter base;
    base.since = f.since;
    base.until = f.until;
    base.deleted = f.deleted;
    Condition c{" WHERE " + fleet::survey_filter_condition(), fleet::survey_filter_values(base)};
    if (f.barge) c.where += " AND s.installation = " + c.param(*f.barge) + "::uuid";
    if (f.ship_name) c.where += " AND sh.name = " + c.param(*f.ship_name);
    if (f.ship) {
        const std::optional<Period> period = period_of(db, *f.ship);
        if (!period) {
            c.where += " AND false";
        } else {
            c.where += " AND s.installation = " + c.param(f.ship->installation) + "::uuid AND s.schipid = " +
                       c.param(std::to_string(f.ship->number)) + "::bigint AND sh.valid_from >= " +
                       c.param(period->from) + "::timestamptz";
            const std::string until = c.param(period->until);
            c.where += " AND (" + until + "::timestamptz IS NULL OR sh.valid_from < " + until + "::timestamptz)";
        }
    }
    if (f.text && !f.text->empty()) {
        // ILIKE's own characters stand for themselves in what the user typed.
        std::string pattern = "%";
        for (char ch : *f.text) {
            if (ch == '%' || ch == '_' || ch == '\\') pattern += '\\';
            pattern += ch;
        }
        const std::string p = c.param(pattern + "%");
        c.where += " AND (sh.name ILIKE " + p;
        for (const std::string& column : fleet::survey_party_columns()) c.where += " OR s." + column + " ILIKE " + p;
        c.where += ")";
    }
    return c;
}

}  // namespace

const char* sort_name(SortColumn column) {
    for (const auto& [c, name] : kSortNames) {
        if (c == column) return name;
    }
    return "date";
}

std::optional<SortColumn> sort_from_name(std::string_view name) {
    for (const auto& [c, n] : kSortNames) {
        if (name == n) return c;
    }
    return std::nullopt;
}

std::string ListFilter::key() const {
    std::string k;
    for (const std::optional<std::string>* v : {&barge, &ship_name, &since, &until, &text}) k += (*v ? "1" + **v : "0") + '\x1F';
    return k + (ship ? ship->text() : "") + '\x1F' + (deleted ? "d" : "");
}

std::string page_cursor(SortColumn column, const SurveyLine& line, const std::string& sort_value) {
    std::string payload = std::string(sort_name(column)) + "\n" + line.name.installation + "\n" +
                          std::to_string(line.name.opnameid) + "\n" + std::to_string(line.generation) + "\n";
    payload += sort_value.size() <= kCarriedValue ? "=" + sort_value : "-";
    return base64url(payload);
}

std::optional<PageStart> parse_page_cursor(PageStart::Direction direction, std::string_view cursor) {
    if (cursor.size() > 1024) return std::nullopt;
    const std::optional<std::string> payload = from_base64url(cursor);
    if (!payload) return std::nullopt;
    std::string_view rest = *payload;
    std::string_view fields[4];
    for (std::string_view& field : fields) {
        const auto end = rest.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        field = rest.substr(0, end);
        rest.remove_prefix(end + 1);
    }
    PageStart start;
    start.direction = direction;
    const auto column = sort_from_name(fields[0]);
    const auto opnameid = text::parse_int(std::string(fields[2]));
    const auto generation = text::parse_int(std::string(fields[3]));
    if (!column || !fleet::is_uuid(std::string(fields[1])) || !opnameid || !generation || rest.empty()) {
        return std::nullopt;
    }
    start.column = *column;
    start.installation = std::string(fields[1]);
    start.opnameid = *opnameid;
    start.generation = *generation;
    if (rest.front() == '=') {
        rest.remove_prefix(1);
        if (rest.size() > kCarriedValue || !valid_utf8(rest)) return std::nullopt;
        if (*column == SortColumn::loaded && !numeric_text(rest)) return std::nullopt;
        start.value = std::string(rest);
    } else if (rest != "-") {
        return std::nullopt;
    }
    return start;
}

SurveyPage read_survey_page(PgConnection& db, const ListFilter& filter, const Sort& sort, const PageStart& start,
                            ReadCache& cache) {
    PgTransaction tx(db);
    read_only(db);
    const std::string stamp = data_stamp(db);
    SurveyPage page;
    Condition c = list_condition(db, filter);
    const std::string& from = fleet::survey_filter_from();
    // The totals of a filter are read once per state of the data; paging does not read them again.
    const std::string filter_key = filter.key();
    auto total = cache.totals(stamp, filter_key);
    std::unique_lock<std::mutex> one_reads(cache.reading(), std::defer_lock);
    if (!total) {
        one_reads.lock();
        total = cache.totals(stamp, filter_key);
    }
    if (!total) {
        const PgResult r = db.exec(std::string("SELECT count(*), round(coalesce(sum(") + kLoaded + "), 0), 3)::text" +
                                       from + c.where,
                                   c.values);
        total = ReadCache::Totals{integer(r.text(0, 0)), std::string(r.text(0, 1))};
        cache.keep_totals(stamp, filter_key, *total);
    }
    if (one_reads.owns_lock()) one_reads.unlock();
    page.count = total->first;
    page.loaded_sum = total->second;

    // Keyset paging in the order asked for, then installation, number and (with the deleted ones,
    // which share numbers) generation.
    const std::string e = sort_expression(sort.column);
    // The barges' names joined once (a handful of rows), only for the order that needs them.
    const std::string sorted_from =
        from + (sort.column == SortColumn::barge ? " LEFT JOIN ijken.barges bn ON bn.installation = s.installation" : "");
    const bool before = start.direction == PageStart::Direction::before;
    const bool ascending = sort.ascending != before;
    std::string key = e + ", s.installation, s.opnameid";
    if (filter.deleted) key += ", s.generation";
    std::string where = c.where;
    if (start.direction != PageStart::Direction::first && start.column == sort.column) {
        const std::string type = sort.column == SortColumn::loaded ? "::numeric" : "::text";
        const std::string i = c.param(start.installation) + "::uuid", o = c.param(std::to_string(start.opnameid)) + "::bigint",
                          g = c.param(std::to_string(start.generation)) + "::integer";
        // A long value is not carried: the row itself says it.
        const std::string value = "coalesce(" + c.param(start.value) + type + ", (SELECT " + e + sorted_from +
                                  " WHERE s.installation = " + i + " AND s.opnameid = " + o + " AND s.generation = " + g +
                                  "))";
        where += " AND (" + key + ") " + (ascending ? ">" : "<") + " (" + value + ", " + i + ", " + o +
                 (filter.deleted ? ", " + g : "") + ")";
    }
    const char* order = ascending ? " ASC" : " DESC";
    std::string order_by = " ORDER BY " + e + order + ", s.installation" + order + ", s.opnameid" + order;
    if (filter.deleted) order_by += std::string(", s.generation") + order;
    const std::string sql =
        "SELECT s.installation, s.opnameid, s.generation, s.schipid, coalesce(sh.name, ''),"
        " coalesce(s.invoerdatum, ''), s.verlader_naam, s.ontvanger_naam, s.lading, s.e42,"
        " coalesce(to_char(s.deleted_at, 'YYYY-MM-DD HH24:MI:SS'), ''), s.deleted_at IS NOT NULL AND EXISTS (SELECT 1"
        " FROM ijken.surveys g WHERE g.installation = s.installation AND g.opnameid = s.opnameid"
        " AND g.generation > s.generation), CASE WHEN sh.valid_from IS NULL THEN '' ELSE " + bearer_of("sh.valid_from") +
        " END, CASE WHEN octet_length((" + e + ")::text) <= " + std::to_string(kCarriedValue) + " THEN (" + e +
        ")::text END" + sorted_from + where + order_by + " LIMIT " + std::to_string(kPageSize + 1);
    const PgResult rows = db.exec(sql, c.values);
    const std::map<std::string, std::string> barges = read_barges(db);
    for (int r = 0; r < rows.rows() && r < kPageSize; ++r) {
        SurveyLine line;
        line.name = {std::string(rows.text(r, 0)), integer(rows.text(r, 1)), std::nullopt};
        line.generation = integer(rows.text(r, 2));
        if (rows.text(r, 11) == "t") line.name.generation = static_cast<int>(line.generation);
        if (!rows.is_null(r, 3) && !rows.text(r, 12).empty()) {
            line.ship = key_of(rows.text(r, 0), rows.text(r, 3), rows.text(r, 12));
        }
        line.ship_name = std::string(rows.text(r, 4));
        const auto barge = barges.find(line.name.installation);
        line.barge = barge == barges.end() ? line.name.installation : barge->second;
        line.entered = std::string(rows.text(r, 5));
        line.shipper = std::string(rows.text(r, 6));
        line.consignee = std::string(rows.text(r, 7));
        line.cargo = std::string(rows.text(r, 8));
        line.loaded = std::string(rows.text(r, 9));
        line.deleted = std::string(rows.text(r, 10));
        page.lines.push_back(std::move(line));
        // NULL (too long to carry) becomes a value longer than any carried one.
        page.sort_values.push_back(rows.is_null(r, 13) ? std::string(kCarriedValue + 1, ' ') : std::string(rows.text(r, 13)));
    }
    const bool more = rows.rows() > kPageSize;
    if (before) {
        std::reverse(page.lines.begin(), page.lines.end());
        std::reverse(page.sort_values.begin(), page.sort_values.end());
        page.has_previous = more;
        page.has_next = true;
    } else {
        page.has_next = more;
        page.has_previous = start.direction != PageStart::Direction::first;
    }
    tx.commit();
    return page;
}

std::vector<ShipChoice> read_ship_choices(PgConnection& db) {
    PgTransaction tx(db);
    read_only(db);
    const std::map<std::string, std::string> barges = read_barges(db);
    const PgResult r = db.exec("SELECT installation, schipid, coalesce(name, '') FROM ijken.ships"
                               " WHERE deleted_at IS NULL ORDER BY name, installation, schipid");
    std::vector<ShipChoice> ships;
    for (int i = 0; i < r.rows(); ++i) {
        ShipChoice c{{std::string(r.text(i, 0)), integer(r.text(i, 1)), std::nullopt}, std::string(r.text(i, 2)), ""};
        const auto barge = barges.find(c.key.installation);
        c.barge = barge == barges.end() ? c.key.installation : barge->second;
        ships.push_back(std::move(c));
    }
    tx.commit();
    return ships;
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
