// The login, the fleet and the survey list.
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
    return page(c, title, "<p>" + escape(message) + "</p>");
}

std::string fleet_page(const PageContext& c, const FleetOverview& f) {
    const Lang l = c.lang;
    std::string body = "<table id=\"ships\"><thead><tr><th scope=\"col\">" + t(l, Text::ship) + "</th><th scope=\"col\">" +
                       t(l, Text::installation) + "</th><th scope=\"col\">" + t(l, Text::last_received) +
                       "</th><th scope=\"col\" class=\"num\">" + t(l, Text::survey_count) +
                       "</th><th scope=\"col\" class=\"num\">" + t(l, Text::this_month) + "</th></tr></thead><tbody>";
    std::vector<Bar> bars;
    for (const std::string& m : f.months) bars.push_back({m, 0});
    for (const FleetShip& s : f.ships) {
        body += "<tr><td>" + ship_link(s.key, s.name) + "</td><td>" + escape(s.key.installation) + "</td><td>" +
                escape(s.last_received) + "</td><td class=\"num\"><a href=\"/surveys?ship=" + url_encode(s.name) +
                "\">" + std::to_string(s.surveys) + "</a></td><td class=\"num\">" + tonnes(s.months.back()) +
                "</td></tr>";
        for (std::size_t i = 0; i < bars.size() && i < s.months.size(); ++i) bars[i].value += s.months[i];
    }
    body += "</tbody></table><h2>" + t(l, Text::cargo_per_month) + "</h2><figure>" +
            bar_chart(bars, tr(l, Text::chart_caption)) + "<figcaption>" + t(l, Text::chart_caption) +
            "</figcaption></figure><table id=\"months\"><caption>" + t(l, Text::chart_caption) +
            "</caption><thead><tr><th scope=\"col\">" + t(l, Text::month) + "</th><th scope=\"col\" class=\"num\">" +
            t(l, Text::loaded) + "</th></tr></thead><tbody>";
    for (const Bar& b : bars) {
        body += "<tr><th scope=\"row\">" + escape(b.label) + "</th><td class=\"num\">" + tonnes(b.value) + "</td></tr>";
    }
    body += "</tbody></table>";
    return page(c, tr(l, Text::fleet), body);
}

std::string FilterForm::query() const {
    std::string q;
    const std::pair<const char*, const std::string*> fields[] = {
        {"ship", &ship}, {"since", &since}, {"until", &until}, {"q", &text}};
    for (const auto& [name, value] : fields) {
        if (value->empty()) continue;
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a chain of + here.
        if (!q.empty()) q += '&';
        q += name;
        q += '=';
        q += url_encode(*value);
    }
    return q;
}

namespace {

std::string filter_form(Lang l, const FilterForm& form, const std::vector<std::string>& ships) {
    std::string s = "<form class=\"filter\" method=\"get\" action=\"/surveys\" role=\"search\"><label>" +
                    t(l, Text::ship) + "<select name=\"ship\"><option value=\"\">" + t(l, Text::all_ships) +
                    "</option>";
    for (const std::string& name : ships) {
        s += "<option value=\"" + escape(name) + "\"" + (name == form.ship ? " selected" : "") + ">" + escape(name) +
             "</option>";
    }
    s += "</select></label><label>" + t(l, Text::since) + "<input name=\"since\" type=\"date\" value=\"" +
         escape(form.since) + "\"></label><label>" + t(l, Text::until) +
         "<input name=\"until\" type=\"date\" value=\"" + escape(form.until) + "\"></label><label>" +
         t(l, Text::search) + "<input name=\"q\" type=\"search\" maxlength=\"200\" value=\"" + escape(form.text) +
         "\"></label><button type=\"submit\">" + t(l, Text::apply) + "</button></form>";
    return s;
}

std::string paging(Lang l, const FilterForm& form, const SurveyPage& p) {
    const std::string q = form.query(), sep = q.empty() ? "" : "&";
    std::string s = "<nav class=\"paging\" aria-label=\"" + t(l, Text::surveys) + "\">";
    if (p.has_newer && !p.lines.empty()) {
        s += "<a rel=\"prev\" href=\"/surveys?" + escape(q + sep) + "newer=" + url_encode(page_start_text(p.lines.front())) +
             "\">\xE2\x86\x90 " + t(l, Text::newer) + "</a>";
    }
    if (p.has_older && !p.lines.empty()) {
        s += "<a rel=\"next\" href=\"/surveys?" + escape(q + sep) + "older=" + url_encode(page_start_text(p.lines.back())) +
             "\">" + t(l, Text::older) + " \xE2\x86\x92</a>";
    }
    return s + "<a href=\"/surveys.csv" + escape(q.empty() ? "" : "?" + q) + "\" download>" + t(l, Text::download_csv) +
           "</a></nav>";
}

}  // namespace

std::string surveys_page(const PageContext& c, const FilterForm& form, const std::vector<std::string>& ships,
                         const SurveyPage& p, const std::string& error) {
    const Lang l = c.lang;
    std::string body = filter_form(l, form, ships);
    if (!error.empty()) body += "<p class=\"error\" role=\"alert\">" + escape(error) + "</p>";
    body += "<p id=\"summary\">" + t(l, Text::found) + ": <span id=\"count\">" + std::to_string(p.count) +
            "</span>; " + t(l, Text::total_loaded) + ": <span id=\"sum\">" + tonnes(p.loaded_sum) + "</span></p>";
    body += paging(l, form, p);
    if (p.lines.empty()) return page(c, tr(l, Text::surveys), body + "<p>" + t(l, Text::no_surveys) + "</p>");
    body += "<table id=\"surveys\"><thead><tr>";
    for (Text h : {Text::date_utc, Text::ship, Text::shipper, Text::consignee, Text::cargo}) {
        body += "<th scope=\"col\">" + t(l, h) + "</th>";
    }
    body += "<th scope=\"col\" class=\"num\">" + t(l, Text::loaded) + "</th></tr></thead><tbody>";
    for (const SurveyLine& s : p.lines) {
        body += "<tr><td><a href=\"/surveys/" + escape(s.key.text()) + "\">" + escape(utc_minutes(s.entered)) +
                "</a></td><td>" + escape(s.ship) + "</td><td>" + escape(s.shipper) + "</td><td>" +
                escape(s.consignee) + "</td><td>" + escape(s.cargo) + "</td><td class=\"num\">" + escape(s.loaded) +
                "</td></tr>";
    }
    body += "</tbody></table>" + paging(l, form, p);
    return page(c, tr(l, Text::surveys), body);
}

}  // namespace ijken::web
