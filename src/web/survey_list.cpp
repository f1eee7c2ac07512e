// The survey list: its filter, its order and the cursors of its pages (keyset paging).
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "fleet/central_schema.h"
#include "fleet/installation.h"
#include "core/text/numbers.h"
#include "web/office_reads.h"
#include "web/office_sql.h"

namespace ijken::web {

using fleet::PgConnection;
using fleet::PgResult;
using fleet::PgTransaction;
using fleet::PgValue;
using namespace sql;

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

}  // namespace ijken::web
