// One survey with its earlier versions, and one ship with its gauge tables.
#include <map>

#include "fleet/central_schema.h"
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

std::string value_of(const SurveyState& s, const std::string& column) {
    const auto& names = survey_columns();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == column) return s.values[i].value_or("");
    }
    return "";
}

std::string readings_table(Lang l, const SurveyState& s) {
    std::string h = "<table id=\"readings\"><caption>" + t(l, Text::readings) + "</caption><thead><tr><td></td>";
    for (int i = 1; i <= 5; ++i) h += "<th scope=\"col\" class=\"num\">" + std::to_string(i) + "</th>";
    h += "</tr></thead><tbody>";
    const std::pair<const char*, std::string> rows[] = {
        {"bbl_", tr(l, Text::port) + std::string(", ") + tr(l, Text::empty)},
        {"sbl_", tr(l, Text::starboard) + std::string(", ") + tr(l, Text::empty)},
        {"bbv_", tr(l, Text::port) + std::string(", ") + tr(l, Text::full)},
        {"sbv_", tr(l, Text::starboard) + std::string(", ") + tr(l, Text::full)}};
    for (const auto& [prefix, label] : rows) {
        h += "<tr><th scope=\"row\">" + escape(label) + "</th>";
        for (int i = 1; i <= 5; ++i) {
            h += "<td class=\"num\">" + escape(value_of(s, prefix + std::to_string(i))) + "</td>";
        }
        h += "</tr>";
    }
    return h + "</tbody></table>";
}

std::string parties_table(Lang l, const SurveyState& s) {
    std::string h = "<table id=\"parties\"><caption>" + t(l, Text::parties) + "</caption><thead><tr><td></td><th scope=\"col\">" +
                    t(l, Text::shipper) + "</th><th scope=\"col\">" + t(l, Text::consignee) + "</th></tr></thead><tbody>";
    const std::pair<Text, const char*> rows[] = {{Text::name, "naam"}, {Text::place, "plaats"}, {Text::phone, "telefoon"}};
    for (const auto& [label, column] : rows) {
        h += "<tr><th scope=\"row\">" + t(l, label) + "</th><td>" +
             escape(value_of(s, std::string("verlader_") + column)) + "</td><td>" +
             escape(value_of(s, std::string("ontvanger_") + column)) + "</td></tr>";
    }
    h += "<tr><th scope=\"row\">" + t(l, Text::cargo) + "</th><td colspan=\"2\">" + escape(value_of(s, "lading")) +
         "</td></tr><tr><th scope=\"row\">" + t(l, Text::salt_factor) + "</th><td colspan=\"2\">" +
         escape(value_of(s, "zoutcorrectie")) + "</td></tr><tr><th scope=\"row\">" + t(l, Text::date_utc) +
         "</th><td colspan=\"2\">" + escape(value_of(s, "invoerdatum")) + "</td></tr>";
    return h + "</tbody></table>";
}

std::string results_table(Lang l, const SurveyState& s) {
    std::string h = "<table id=\"results\"><caption>" + t(l, Text::results) + "</caption><tbody>";
    const auto& cells = fleet::result_columns();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        h += "<tr><th scope=\"row\">" + escape(result_caption(l, static_cast<int>(i))) + "</th><td class=\"num\">" +
             escape(value_of(s, cells[i])) + "</td></tr>";
    }
    return h + "</tbody></table>";
}

// A stored column's caption as the survey's pages name it.
std::string field_caption(Lang l, const std::string& column) {
    const std::string_view c = column;
    for (const auto& [prefix, party] : {std::pair{"verlader_", Text::shipper}, std::pair{"ontvanger_", Text::consignee}}) {
        if (c.rfind(prefix, 0) != 0) continue;
        const std::string_view field = c.substr(std::string_view(prefix).size());
        const Text what = field == "naam" ? Text::name : field == "plaats" ? Text::place : Text::phone;
        return std::string(tr(l, party)) + ", " + tr(l, what);
    }
    if (c == "lading") return tr(l, Text::cargo);
    if (c == "taal") return tr(l, Text::report_language);
    if (c == "invoerdatum") return tr(l, Text::entry_date);
    if (c == "zoutcorrectie") return tr(l, Text::salt_factor);
    const auto& results = fleet::result_columns();
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i] == column) return result_caption(l, static_cast<int>(i));
    }
    const std::pair<const char*, std::pair<Text, Text>> blocks[] = {{"bbl_", {Text::port, Text::empty}},
                                                                   {"sbl_", {Text::starboard, Text::empty}},
                                                                   {"bbv_", {Text::port, Text::full}},
                                                                   {"sbv_", {Text::starboard, Text::full}}};
    for (const auto& [prefix, side] : blocks) {
        if (c.rfind(prefix, 0) == 0) {
            return std::string(tr(l, Text::readings)) + " " + tr(l, side.first) + ", " + tr(l, side.second) + " " +
                   std::string(c.substr(4));
        }
    }
    return column;
}

// Each earlier state with what changed from it to the state that replaced it.
std::string versions_table(Lang l, const SurveyDetail& d) {
    std::string h = "<h2>" + t(l, Text::versions) + "</h2>";
    if (d.earlier.empty()) return h + "<p>" + t(l, Text::no_versions) + "</p>";
    h += "<div class=\"scroll\"><table id=\"versions\"><thead><tr><th scope=\"col\">" + t(l, Text::replaced_at) + "</th><th scope=\"col\">" +
         t(l, Text::changes) + "</th></tr></thead><tbody>";
    const auto& names = survey_columns();
    for (std::size_t v = 0; v < d.earlier.size(); ++v) {
        const SurveyState& old_state = d.earlier[v];
        const SurveyState& new_state = v == 0 ? d.now : d.earlier[v - 1];
        std::string changes;
        for (std::size_t c = 0; c < names.size(); ++c) {
            if (old_state.values[c] == new_state.values[c]) continue;
            changes += "<li>" + escape(field_caption(l, names[c])) + ": " + escape(old_state.values[c].value_or("")) +
                       " \xE2\x86\x92 " + escape(new_state.values[c].value_or("")) + "</li>";
        }
        h += "<tr><td>" + escape(old_state.time) + "</td><td class=\"text\"><ul>" + changes + "</ul></td></tr>";
    }
    return h + "</tbody></table></div>";
}

}  // namespace

std::string survey_page(const PageContext& c, const SurveyDetail& d) {
    const Lang l = c.lang;
    // The ship as it was when the survey was sent: an earlier ship of a number that came back is
    // named as such.
    std::string ship = d.ship_known ? ship_link(d.ship_key, d.ship_name) : escape(d.ship_name.empty() ? tr(l, Text::no_ship) : d.ship_name);
    std::string body = "<p class=\"about\">" + t(l, Text::ship) + ": " + ship + "; " + t(l, Text::installation) +
                       ": <a href=\"/surveys?barge=" + url_encode(d.name.installation) + "\">" + escape(d.barge) + "</a>; " +
                       t(l, Text::last_received) + ": " + escape(d.now.time) + "</p>";
    if (d.deleted) {
        body += "<p class=\"deleted\">" + t(l, Text::deleted_on_board) + ": " + escape(d.deleted_at) + " (UTC)</p>";
    }
    body += "<p class=\"report\">" + t(l, Text::report) + ":";
    for (Lang r : {Lang::nl, Lang::fr, Lang::de}) {
        body += std::string(" <a href=\"/surveys/") + escape(d.link()) + "/report.pdf?lang=" + code(r) +
                "\" lang=\"" + code(r) + "\">" + code(r) + "</a>";
    }
    body += "</p>";
    if (!d.bearers.empty()) {
        body += "<h2>" + t(l, Text::survey_bearers) + "</h2><ul id=\"bearers\">";
        for (const NumberBearer& b : d.bearers) {
            const std::string name = b.name.installation + ":" + b.name.text();
            body += "<li>" + (b.shown ? escape(name) + " (" + t(l, Text::this_one) + ")"
                                      : "<a href=\"/surveys/" + escape(name) + "\">" + escape(name) + "</a>") +
                    ": " + (b.deleted.empty() ? t(l, Text::on_board) : t(l, Text::deleted_utc) + " " + escape(b.deleted)) +
                    "</li>";
        }
        body += "</ul>";
    }
    body += "<div class=\"scroll\">" + readings_table(l, d.now) + "</div><div class=\"scroll\">" + parties_table(l, d.now) +
            "</div><div class=\"scroll\">" + results_table(l, d.now) + "</div>" + versions_table(l, d);
    return page(c, std::string(tr(l, Text::survey)) + " " + d.link(), body);
}

std::string report_file_name(const SurveyDetail& d, std::optional<Lang> lang) {
    // Letters, digits and - _ . only: a name that needs no quoting anywhere.
    auto plain = [](std::string_view text) {
        std::string s;
        for (unsigned char ch : text) {
            const bool keep = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                              ch == '-' || ch == '.';
            if (keep) {
                s += static_cast<char>(ch);
            } else if (s.empty() || s.back() != '_') {
                s += '_';
            }
            if (s.size() >= 40) break;
        }
        return s;
    };
    const std::string barge = plain(d.barge.empty() ? d.name.installation : d.barge);
    const std::string ship = plain(d.ship_name.empty() ? "ship" : d.ship_name);
    std::string name = barge + "-" + ship + "-" + plain(d.name.text());
    if (lang) name += std::string("-") + code(*lang);
    return name + ".pdf";
}

namespace {

std::string rows_table(Lang l, const std::vector<GaugeRow>& rows, const std::string& id, const std::string& caption) {
    std::string h = "<div class=\"scroll\"><table" + (id.empty() ? "" : " id=\"" + id + "\"") + "><caption>" + escape(caption) +
                    "</caption><thead><tr><th scope=\"col\" class=\"num\">" + t(l, Text::immersion_cm) +
                    "</th><th scope=\"col\" class=\"num\">" + t(l, Text::tonnage) + "</th></tr></thead><tbody>";
    for (const GaugeRow& r : rows) {
        h += "<tr><td class=\"num\">" + std::to_string(r.immersion) + "</td><td class=\"num\">" + tonnes(r.tonnage) +
             "</td></tr>";
    }
    return h + "</tbody></table></div>";
}

// The rows of an earlier table that the current one lacks or holds with another tonnage.
std::vector<GaugeRow> differing(const GaugeTable& earlier, const std::optional<GaugeTable>& current) {
    std::map<long long, double> now;
    if (current) {
        for (const GaugeRow& r : current->rows) now[r.immersion] = r.tonnage;
    }
    std::vector<GaugeRow> out;
    for (const GaugeRow& r : earlier.rows) {
        const auto it = now.find(r.immersion);
        if (it == now.end() || it->second != r.tonnage) out.push_back(r);
    }
    return out;
}

// A particular's caption and value as the ship window names them; empty caption: not shown.
std::pair<std::string, std::string> particular(Lang l, const std::string& column, const std::string& value) {
    if (column == "name") return {tr(l, Text::ship_name), value};
    if (column == "meetbrief_nr") return {tr(l, Text::certificate), value};
    if (column == "aantal_ijken") return {tr(l, Text::gauge_count), value};
    if (column == "min_inzinking") return {tr(l, Text::min_immersion), value};
    if (column == "max_inzinking") return {tr(l, Text::max_immersion), value};
    if (column == "taal") {
        const char* const codes[] = {"nl", "fr", "de"};
        return {tr(l, Text::report_language), value >= "0" && value <= "2" && value.size() == 1 ? codes[value[0] - '0'] : value};
    }
    if (column.rfind("veld", 0) == 0 && !value.empty()) return {tr(l, Text::line) + (" " + column.substr(4)), value};
    return {"", ""};
}

}  // namespace

std::string ship_page(const PageContext& c, const ShipDetail& d) {
    const Lang l = c.lang;
    std::string name;
    std::string body;
    if (d.deleted) body += "<p class=\"deleted\">" + t(l, Text::deleted_on_board) + "</p>";
    body += "<p class=\"about\"><a href=\"/surveys?ship=" + url_encode(d.named.text()) + "\">" + t(l, Text::surveys_of_ship) +
            "</a></p>";
    std::string table = "<table id=\"particulars\"><caption>" + t(l, Text::particulars) +
                        "</caption><tbody><tr><th scope=\"row\">" + t(l, Text::installation) + "</th><td><a href=\"/surveys?barge=" +
                        url_encode(d.key.installation) + "\">" + escape(d.barge) + "</a></td></tr>";
    for (const auto& [column, value] : d.particulars) {
        if (column == "name") name = value;
        const auto [caption, shown] = particular(l, column, value);
        if (!caption.empty()) table += "<tr><th scope=\"row\">" + escape(caption) + "</th><td>" + escape(shown) + "</td></tr>";
    }
    table += "<tr><th scope=\"row\">" + t(l, Text::bore_number) + "</th><td>" + escape(d.valid_from) + " \xE2\x80\x93 " +
             escape(d.valid_until) + "</td></tr>";
    body += "<div class=\"scroll\">" + table + "</tbody></table></div>";
    if (!d.bearers.empty()) {
        body += "<h2>" + t(l, Text::ship_bearers) + "</h2><ul id=\"bearers\">";
        for (const RowKey& b : d.bearers) {
            body += "<li>" + (b.text() == d.named.text() ? escape(b.text()) + " (" + t(l, Text::this_one) + ")"
                                                          : "<a href=\"/ships/" + escape(b.text()) + "\">" + escape(b.text()) + "</a>") +
                    "</li>";
        }
        body += "</ul>";
    }
    body += "<h2>" + t(l, Text::gauge_table) + "</h2>";
    if (!d.current) {
        body += "<p>" + t(l, Text::no_table) + "</p>";
    } else {
        std::vector<Point> points;
        for (const GaugeRow& r : d.current->rows) points.push_back({static_cast<double>(r.immersion), r.tonnage});
        body += "<p>" + t(l, Text::valid_from) + ": " + escape(d.current->valid_from) +
                (d.current->valid_until.empty() ? "" : "; " + t(l, Text::valid_until) + ": " + escape(d.current->valid_until)) +
                "</p><figure>" +
                curve_chart(points, tr(l, Text::curve_caption), tr(l, Text::immersion_cm), tr(l, Text::tonnage)) +
                "<figcaption>" + t(l, Text::curve_caption) + "</figcaption></figure>" +
                rows_table(l, d.current->rows, "table-now", tr(l, Text::gauge_table));
    }
    if (!d.earlier.empty()) body += "<h2>" + t(l, Text::earlier_tables) + "</h2>";
    for (const GaugeTable& e : d.earlier) {
        body += "<h3>" + escape(e.valid_from) + " \xE2\x80\x93 " + escape(e.valid_until) + "</h3>" +
                rows_table(l, differing(e, d.current), "", tr(l, Text::differing_rows));
    }
    return page(c, std::string(tr(l, Text::ship)) + " " + (name.empty() ? d.named.text() : name), body);
}

}  // namespace ijken::web
