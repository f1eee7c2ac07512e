#include "web/office_reads.h"

#include <algorithm>
#include <charconv>
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
// computed keeps its cells empty).
const char* const kLoaded = "CASE WHEN btrim(s.e42) ~ '^-?[0-9]+(\\.[0-9]+)?$' THEN btrim(s.e42)::numeric END";


void read_only(PgConnection& db) {
    db.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
}

double number(std::string_view text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
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
std::string data_stamp(PgConnection& db) {
    const PgResult r = db.exec("SELECT coalesce(max(last_push)::text, '') || '|' || count(*) || '|' ||"
                               " to_char(now(), 'YYYY-MM') FROM ijken.installations");
    return std::string(r.text(0, 0));
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

std::optional<RowKey> parse_row_key(const std::string& text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    RowKey key{text.substr(0, colon), 0};
    const auto n = text::parse_int(text.substr(colon + 1));
    if (!fleet::is_uuid(key.installation) || !n || text.find(' ') != std::string::npos) return std::nullopt;
    key.number = *n;
    return key;
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
    const PgResult ships = db.exec(
        "SELECT sh.installation, sh.schipid, sh.name, to_char(sh.pushed_at, 'YYYY-MM-DD HH24:MI')"
        " FROM ijken.ships sh WHERE sh.deleted_at IS NULL ORDER BY sh.name, sh.installation, sh.schipid");
    std::map<std::string, std::size_t> index;
    for (int r = 0; r < ships.rows(); ++r) {
        FleetShip ship{{std::string(ships.text(r, 0)), integer(ships.text(r, 1))}, std::string(ships.text(r, 2)),
                       std::string(ships.text(r, 3)), 0, std::vector<double>(12, 0.0)};
        index[ship.key.text()] = o.ships.size();
        o.ships.push_back(std::move(ship));
    }
    // One pass over the surveys: the count of each ship, and its loaded tonnage per month.
    const PgResult cargo = db.exec(
        std::string("SELECT s.installation, s.schipid, left(s.invoerdatum, 7), count(*), sum(") + kLoaded +
        ")::float8, to_char(max(s.pushed_at), 'YYYY-MM-DD HH24:MI') FROM ijken.surveys s WHERE s.deleted_at IS NULL"
        " GROUP BY 1, 2, 3");
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

std::string page_start_text(const SurveyLine& line) {
    return line.entered + "|" + line.key.text();
}

std::optional<PageStart> parse_page_start(PageStart::Direction direction, const std::string& text) {
    const auto bar = text.find('|');
    if (bar == std::string::npos || bar > 40) return std::nullopt;
    const auto key = parse_row_key(text.substr(bar + 1));
    if (!key) return std::nullopt;
    return PageStart{direction, text.substr(0, bar), *key};
}

SurveyPage read_survey_page(PgConnection& db, const fleet::SurveyFilter& filter, const PageStart& start,
                            ReadCache& cache) {
    PgTransaction tx(db);
    read_only(db);
    const std::string stamp = data_stamp(db);
    SurveyPage page;
    std::vector<PgValue> values = fleet::survey_filter_values(filter);
    const std::string& from = fleet::survey_filter_from();
    const std::string where = " WHERE " + fleet::survey_filter_condition();
    // The totals of a filter are read once per state of the data; paging does not read them again.
    std::string filter_key;
    for (const PgValue& v : values) filter_key += (v ? "1" + *v : "0") + '\x1F';
    auto total = cache.totals(stamp, filter_key);
    std::unique_lock<std::mutex> one_reads(cache.reading(), std::defer_lock);
    if (!total) {
        one_reads.lock();
        total = cache.totals(stamp, filter_key);
    }
    if (!total) {
        const PgResult r =
            db.exec(std::string("SELECT count(*), coalesce(sum(") + kLoaded + "), 0)::float8" + from + where, values);
        total = ReadCache::Totals{integer(r.text(0, 0)), number(r.text(0, 1))};
        cache.keep_totals(stamp, filter_key, *total);
    }
    if (one_reads.owns_lock()) one_reads.unlock();
    page.count = total->first;
    page.loaded_sum = total->second;

    // Keyset paging: newest first by entry time, then installation and number.
    const bool newer = start.direction == PageStart::Direction::newer_than;
    std::string sql = std::string("SELECT s.installation, s.opnameid, sh.name, coalesce(s.invoerdatum, ''),"
                                  " s.verlader_naam, s.ontvanger_naam, s.lading, s.e42") + from + where;
    if (start.direction != PageStart::Direction::newest) {
        // The list holds no survey deleted on board, and no two of those share a number.
        sql += std::string(" AND (coalesce(s.invoerdatum, ''), s.installation, s.opnameid) ") + (newer ? ">" : "<") +
               " ($6, $7::uuid, $8::bigint)";
        values.insert(values.end(), {start.entered, start.key.installation, std::to_string(start.key.number)});
    }
    const char* order = newer ? " ASC" : " DESC";
    sql += std::string(" ORDER BY coalesce(s.invoerdatum, '')") + order + ", s.installation" + order + ", s.opnameid" +
           order + " LIMIT " + std::to_string(kPageSize + 1);
    const PgResult rows = db.exec(sql, values);
    for (int r = 0; r < rows.rows() && r < kPageSize; ++r) {
        page.lines.push_back({{std::string(rows.text(r, 0)), integer(rows.text(r, 1))},
                              std::string(rows.text(r, 2)), std::string(rows.text(r, 3)), std::string(rows.text(r, 4)),
                              std::string(rows.text(r, 5)), std::string(rows.text(r, 6)), std::string(rows.text(r, 7))});
    }
    const bool more = rows.rows() > kPageSize;
    if (newer) {
        std::reverse(page.lines.begin(), page.lines.end());
        page.has_newer = more;
        page.has_older = true;
    } else {
        page.has_older = more;
        page.has_newer = start.direction != PageStart::Direction::newest;
    }
    tx.commit();
    return page;
}

std::vector<std::string> read_ship_names(PgConnection& db) {
    // The names the surveys' reports show, as the filter compares them.
    const PgResult r = db.exec("SELECT DISTINCT name FROM ijken.ship_versions WHERE name IS NOT NULL ORDER BY name");
    std::vector<std::string> names;
    for (int i = 0; i < r.rows(); ++i) names.emplace_back(r.text(i, 0));
    return names;
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
    // The newest survey of the number, or the generation named; its ship's name as its report shows it.
    const PgResult now = db.exec("SELECT " + columns +
                                     ", to_char(s.pushed_at, 'YYYY-MM-DD HH24:MI'), s.schipid, sh.name,"
                                     " s.deleted_at IS NOT NULL, s.generation" + fleet::survey_filter_from() +
                                     " WHERE s.installation = $1::uuid AND s.opnameid = $2::bigint"
                                     " AND ($3::integer IS NULL OR s.generation = $3) ORDER BY s.generation DESC LIMIT 1",
                                 {name.installation, std::to_string(name.opnameid), generation});
    if (now.rows() == 0) return std::nullopt;
    const int n = static_cast<int>(survey_columns().size());
    SurveyDetail d{name, {name.installation, integer(now.text(0, n + 1))}, std::string(now.text(0, n + 2)),
                   now.text(0, n + 3) == "t", state_of(now, 0), {}};
    const std::string found_generation(now.text(0, n + 4));
    // A deleted survey whose number came back is named by its generation, as the commands name it.
    if (d.deleted && !d.name.generation) {
        const PgResult later = db.exec("SELECT 1 FROM ijken.surveys WHERE installation = $1::uuid AND opnameid = $2::bigint"
                                       " AND generation > $3::integer",
                                       {name.installation, std::to_string(name.opnameid), found_generation});
        if (later.rows() > 0) d.name.generation = static_cast<int>(integer(found_generation));
    }
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
std::vector<GaugeTable> read_tables(PgConnection& db, const std::vector<PgValue>& k) {
    // Two pushes may fall in one second: a table is told by its exact start, shown to the second.
    const PgResult r = db.exec(
        "SELECT valid_from, to_char(valid_from, 'YYYY-MM-DD HH24:MI:SS'), coalesce(to_char(valid_until,"
        " 'YYYY-MM-DD HH24:MI:SS'), ''), inzinking, tonnage FROM ijken.gauge_rows"
        " WHERE installation = $1::uuid AND schipid = $2::bigint"
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
    const std::vector<PgValue> k{key.installation, std::to_string(key.number)};
    std::vector<std::string> names = fleet::ship_text_columns();
    const auto& numbers = fleet::ship_number_columns();
    names.insert(names.end(), numbers.begin(), numbers.end());
    const PgResult ship = db.exec("SELECT " + joined(names, "") +
                                      ", deleted_at IS NOT NULL FROM ijken.ships"
                                      " WHERE installation = $1::uuid AND schipid = $2::bigint",
                                  k);
    if (ship.rows() == 0) return std::nullopt;
    ShipDetail d;
    d.key = key;
    for (std::size_t c = 0; c < names.size(); ++c) {
        d.particulars.emplace_back(names[c], std::string(ship.text(0, static_cast<int>(c))));
    }
    d.deleted = ship.text(0, static_cast<int>(names.size())) == "t";
    std::vector<GaugeTable> tables = read_tables(db, k);
    if (!tables.empty() && tables.front().valid_until.empty()) {
        d.current = std::move(tables.front());
        tables.erase(tables.begin());
    }
    d.earlier = std::move(tables);
    tx.commit();
    return d;
}

}  // namespace ijken::web
