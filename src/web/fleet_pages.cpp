// The login, the fleet and the survey list.
#include "fleet/installation.h"
#include "web/chart.h"
#include "web/pages.h"

namespace ijken::web {

namespace {

std::string t(Lang lang, Text text) {
    return escape(tr(lang, text));
}

std::string ship_link(const RowKey& key, const std::string& name) {
    return "<a href=\"/ships/" + escape(key.text()) + "\">" + escape(name.empty() ? key.text() : name) + "</a>";
}

// A wide table scrolls within itself on a narrow screen, never the page.
std::string scrolling(const std::string& table) {
    return "<div class=\"scroll\">" + table + "</div>";
}

}  // namespace

std::string login_page(const PageContext& c, bool failed, const std::string& user, bool ended) {
    std::string body;
    if (failed) body += "<p class=\"error\" role=\"alert\">" + t(c.lang, Text::login_failed) + "</p>";
    if (ended) body += "<p role=\"status\">" + t(c.lang, Text::session_ended) + "</p>";
    body += "<p>" + t(c.lang, Text::login_intro) +
            "</p><form class=\"login\" method=\"post\" action=\"/login\"><label>" + t(c.lang, Text::user) +
            "<input name=\"user\" autocomplete=\"username\" required maxlength=\"63\" value=\"" + escape(user) + "\"" +
            (user.empty() ? " autofocus" : "") + "></label><label>" +
            t(c.lang, Text::password) +
            "<input name=\"password\" type=\"password\" autocomplete=\"current-password\" required" +
            (user.empty() ? "" : " autofocus") + "></label>"
            "<button type=\"submit\">" +
            t(c.lang, Text::login) + "</button></form>";
    return page(c, tr(c.lang, Text::login), body);
}

std::string message_page(const PageContext& c, const std::string& title, const std::string& message) {
    return page(c, title, "<p class=\"message\">" + escape(message) + "</p>");
}

std::string fleet_page(const PageContext& c, const FleetOverview& f) {
    const Lang l = c.lang;
    std::string table = "<table id=\"ships\"><thead><tr><th scope=\"col\">" + t(l, Text::ship) + "</th><th scope=\"col\">" +
                        t(l, Text::installation) + "</th><th scope=\"col\">" + t(l, Text::last_received) +
                        "</th><th scope=\"col\" class=\"num\">" + t(l, Text::survey_count) +
                        "</th><th scope=\"col\" class=\"num tonnes\">" + t(l, Text::this_month) + "</th></tr></thead><tbody>";
    std::vector<Bar> bars;
    for (const std::string& m : f.months) bars.push_back({m, 0});
    for (const FleetShip& s : f.ships) {
        // The count names its ship by installation and number: another barge's ship of the same
        // name, or this one's former name, is not this ship.
        table += "<tr><td>" + ship_link(s.key, s.name) + "</td><td><a href=\"/surveys?barge=" +
                 url_encode(s.key.installation) + "\">" + escape(s.barge) + "</a></td><td>" + escape(s.last_received) +
                 "</td><td class=\"num\"><a href=\"/surveys?ship=" + url_encode(s.key.text()) + "\">" +
                 std::to_string(s.surveys) + "</a></td><td class=\"num tonnes\">" + tonnes(s.months.back()) + "</td></tr>";
        for (std::size_t i = 0; i < bars.size() && i < s.months.size(); ++i) bars[i].value += s.months[i];
    }
    std::string body = scrolling(table + "</tbody></table>");
    body += "<h2>" + t(l, Text::cargo_per_month) + "</h2><figure>" + bar_chart(bars, tr(l, Text::chart_caption)) +
            "<figcaption>" + t(l, Text::chart_caption) + "</figcaption></figure>";
    table = "<table id=\"months\"><caption>" + t(l, Text::chart_caption) + "</caption><thead><tr><th scope=\"col\">" +
            t(l, Text::month) + "</th><th scope=\"col\" class=\"num\">" + t(l, Text::loaded) + "</th></tr></thead><tbody>";
    for (const Bar& b : bars) {
        table += "<tr><th scope=\"row\">" + escape(b.label) + "</th><td class=\"num\">" + tonnes(b.value) + "</td></tr>";
    }
    body += scrolling(table + "</tbody></table>");
    return page(c, tr(l, Text::fleet), body);
}

namespace {

std::string query_of(const std::vector<std::pair<const char*, std::string>>& fields) {
    std::string q;
    for (const auto& [name, value] : fields) {
        if (value.empty()) continue;
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a chain of + here.
        if (!q.empty()) q += '&';
        q += name;
        q += '=';
        q += url_encode(value);
    }
    return q;
}

}  // namespace

std::string FilterForm::query(bool with_sort) const {
    std::vector<std::pair<const char*, std::string>> fields{
        {"barge", barge}, {"ship", ship}, {"since", since}, {"until", until}, {"q", text}, {"deleted", deleted ? "1" : ""}};
    if (with_sort && (sort.column != SortColumn::date || sort.ascending)) {
        fields.emplace_back("sort", sort_name(sort.column));
        fields.emplace_back("dir", sort.ascending ? "asc" : "");
    }
    return query_of(fields);
}

std::string FilterForm::csv_query() const {
    return query_of({{"barge", barge}, {"ship", ship}, {"since", since}, {"until", until}, {"q", text},
                     {"deleted", deleted ? "1" : ""}});
}

ListRequest list_request(Lang lang, const ParamOf& param) {
    ListRequest r;
    auto text = [&](const char* name, std::size_t most) {
        std::string v = param(name).value_or("");
        if (v.size() > most) v.resize(most);
        return v;
    };
    FilterForm& f = r.form;
    f.barge = text("barge", 36);
    f.ship = text("ship", 200);
    f.since = text("since", 10);
    f.until = text("until", 10);
    f.text = text("q", 200);
    f.deleted = param("deleted").value_or("") == "1";
    f.sort.column = sort_from_name(text("sort", 20)).value_or(SortColumn::date);
    f.sort.ascending = param("dir").value_or("") == "asc";
    ListFilter& l = r.filter;
    l.deleted = f.deleted;
    if (!f.text.empty()) l.text = f.text;
    if (!f.barge.empty()) {
        if (fleet::is_uuid(f.barge)) {
            l.barge = f.barge;
        } else {
            r.error = tr(lang, Text::not_found);
        }
    }
    // A ship by its installation and number (what the pages link), or by its name as the office's
    // command takes it (every ship of that name, of every barge).
    if (!f.ship.empty()) {
        l.ship = parse_row_key(f.ship);
        if (!l.ship) l.ship_name = f.ship;
    }
    for (const auto& [typed, date] : {std::pair{&f.since, &l.since}, std::pair{&f.until, &l.until}}) {
        if (typed->empty()) continue;
        if (!fleet::is_date(*typed)) {
            r.error = tr(lang, Text::bad_date);
        } else {
            *date = *typed;
        }
    }
    // A cursor that does not read is the first page.
    for (const auto& [name, direction] : {std::pair{"after", PageStart::Direction::after},
                                          std::pair{"before", PageStart::Direction::before}}) {
        if (const auto cursor = param(name)) {
            if (const auto start = parse_page_cursor(direction, *cursor)) r.start = *start;
        }
    }
    return r;
}

fleet::SurveyFilter csv_filter(const ListFilter& l) {
    fleet::SurveyFilter f;
    f.ship = l.ship_name;
    f.since = l.since;
    f.until = l.until;
    f.text = l.text;
    f.deleted = l.deleted;
    return f;
}

namespace {

std::string filter_form(Lang l, const FilterForm& form, const ListChoices& choices) {
    std::string s = "<form class=\"filter\" method=\"get\" action=\"/surveys\" role=\"search\"><label>" +
                    t(l, Text::installation) + "<select name=\"barge\"><option value=\"\">" + t(l, Text::all_barges) +
                    "</option>";
    for (const auto& [installation, name] : choices.barges) {
        s += "<option value=\"" + escape(installation) + "\"" + (installation == form.barge ? " selected" : "") + ">" +
             escape(name.empty() ? installation : name) + "</option>";
    }
    s += "</select></label><label>" + t(l, Text::ship) + "<select name=\"ship\"><option value=\"\">" +
         t(l, Text::all_ships) + "</option>";
    bool listed = form.ship.empty();
    for (const ShipChoice& ship : choices.ships) {
        const std::string key = ship.key.text();
        listed = listed || key == form.ship;
        s += "<option value=\"" + escape(key) + "\"" + (key == form.ship ? " selected" : "") + ">" +
             escape(ship.name) + " (" + escape(ship.barge) + ")</option>";
    }
    // An earlier ship of a number, reached from its page, stays chosen.
    if (!listed) s += "<option value=\"" + escape(form.ship) + "\" selected>" + escape(form.ship) + "</option>";
    s += "</select></label><label>" + t(l, Text::since) + "<input name=\"since\" type=\"date\" value=\"" +
         escape(form.since) + "\"></label><label>" + t(l, Text::until) +
         "<input name=\"until\" type=\"date\" value=\"" + escape(form.until) + "\"></label><label>" +
         t(l, Text::search) + "<input name=\"q\" type=\"search\" maxlength=\"200\" value=\"" + escape(form.text) +
         "\"></label><label class=\"check\"><input name=\"deleted\" type=\"checkbox\" value=\"1\"" +
         (form.deleted ? " checked" : "") + ">" + t(l, Text::with_deleted) + "</label>";
    if (form.sort.column != SortColumn::date || form.sort.ascending) {
        s += std::string("<input type=\"hidden\" name=\"sort\" value=\"") + sort_name(form.sort.column) + "\">";
        if (form.sort.ascending) s += "<input type=\"hidden\" name=\"dir\" value=\"asc\">";
    }
    return s + "<button type=\"submit\">" + t(l, Text::apply) + "</button></form>";
}

std::string paging(Lang l, const FilterForm& form, const SurveyPage& p) {
    const std::string q = form.query(), sep = q.empty() ? "" : "&";
    std::string s = "<nav class=\"paging\" aria-label=\"" + t(l, Text::surveys) + "\">";
    if (p.has_previous && !p.lines.empty()) {
        s += "<a rel=\"prev\" href=\"/surveys?" + escape(q + sep) + "before=" +
             page_cursor(form.sort.column, p.lines.front(), p.sort_values.front()) + "\">\xE2\x86\x90 " +
             t(l, Text::newer) + "</a>";
    }
    if (p.has_next && !p.lines.empty()) {
        s += "<a rel=\"next\" href=\"/surveys?" + escape(q + sep) + "after=" +
             page_cursor(form.sort.column, p.lines.back(), p.sort_values.back()) + "\">" + t(l, Text::older) +
             " \xE2\x86\x92</a>";
    }
    const std::string csv = form.csv_query();
    return s + "<a href=\"/surveys.csv" + escape(csv.empty() ? "" : "?" + csv) + "\" download>" +
           t(l, Text::download_csv) + "</a></nav>";
}

// A column's heading: a link that sorts by it (again: the other way round).
std::string sort_heading(Lang l, const FilterForm& form, SortColumn column, Text caption, const char* css) {
    FilterForm by = form;
    const bool current = form.sort.column == column;
    by.sort = {column, current ? !form.sort.ascending : column != SortColumn::date && column != SortColumn::loaded};
    std::string s = std::string("<th scope=\"col\"") + (*css ? std::string(" class=\"") + css + "\"" : "");
    if (current) s += form.sort.ascending ? " aria-sort=\"ascending\"" : " aria-sort=\"descending\"";
    const std::string q = by.query();
    s += "><a href=\"/surveys" + escape(q.empty() ? "" : "?" + q) + "\">" + t(l, caption) + "</a>";
    if (current) s += form.sort.ascending ? " \xE2\x96\xB2" : " \xE2\x96\xBC";
    return s + "</th>";
}

}  // namespace

std::string surveys_page(const PageContext& c, const FilterForm& form, const ListChoices& choices,
                         const SurveyPage& p, const std::string& error) {
    const Lang l = c.lang;
    std::string body = filter_form(l, form, choices);
    if (!error.empty()) body += "<p class=\"error\" role=\"alert\">" + escape(error) + "</p>";
    // Back to the ship whose surveys these are.
    if (const auto ship = parse_row_key(form.ship)) {
        std::string name;
        for (const ShipChoice& choice : choices.ships) {
            if (choice.key.text() == ship->text()) name = choice.name + " (" + choice.barge + ")";
        }
        body += "<p class=\"about\">" + t(l, Text::ship) + ": " + ship_link(*ship, name) + "</p>";
    }
    body += "<p id=\"summary\">" + t(l, Text::found) + ": <span id=\"count\">" + std::to_string(p.count) +
            "</span>; " + t(l, Text::total_loaded) + ": <span id=\"sum\">" + escape(p.loaded_sum) + "</span></p>";
    body += paging(l, form, p);
    if (p.lines.empty()) return page(c, tr(l, Text::surveys), body + "<p>" + t(l, Text::no_surveys) + "</p>");
    std::string table = "<table id=\"surveys\"><thead><tr>";
    const std::tuple<SortColumn, Text, const char*> columns[] = {
        {SortColumn::date, Text::date_utc, ""},        {SortColumn::barge, Text::installation, ""},
        {SortColumn::ship, Text::ship, ""},            {SortColumn::shipper, Text::shipper, ""},
        {SortColumn::consignee, Text::consignee, ""},  {SortColumn::cargo, Text::cargo, "text"},
        {SortColumn::loaded, Text::loaded, "num tonnes"}};
    for (const auto& [column, caption, css] : columns) table += sort_heading(l, form, column, caption, css);
    if (form.deleted) table += "<th scope=\"col\">" + t(l, Text::deleted_utc) + "</th>";
    table += "</tr></thead><tbody>";
    for (const SurveyLine& s : p.lines) {
        table += "<tr><td><a href=\"/surveys/" + escape(s.name.installation + ":" + s.name.text()) + "\">" +
                 escape(s.entered.empty() ? s.name.text() : utc_minutes(s.entered)) + "</a></td><td>" + escape(s.barge) + "</td><td>" +
                 (s.ship.installation.empty() ? escape(s.ship_name) : ship_link(s.ship, s.ship_name)) + "</td><td>" +
                 escape(s.shipper) + "</td><td>" + escape(s.consignee) + "</td><td class=\"text\">" +
                 escape(s.cargo) + "</td><td class=\"num tonnes\">" + escape(s.loaded) + "</td>";
        if (form.deleted) table += "<td>" + escape(s.deleted) + "</td>";
        table += "</tr>";
    }
    body += scrolling(table + "</tbody></table>") + paging(l, form, p);
    return page(c, tr(l, Text::surveys), body);
}

}  // namespace ijken::web
