#pragma once
// The office's pages as HTML, from what office_reads read. No page holds script or inline style.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/office.h"
#include "web/html.h"
#include "web/office_reads.h"

namespace ijken::web {

// The login form; after a failure it keeps the user name that was typed; `ended` says that the
// browser's session has ended (logged out elsewhere, or 30 minutes idle).
std::string login_page(const PageContext& context, bool failed, const std::string& user = "", bool ended = false);
std::string message_page(const PageContext& context, const std::string& title, const std::string& message);
std::string fleet_page(const PageContext& context, const FleetOverview& fleet);

// The survey list's parameters as the page shows them and puts into its links (the texts as typed,
// valid or not): barge (an installation), ship (INSTALLATION:SCHIPID[~K]), since, until, q (the
// text), deleted=1, sort (a column's name) with dir=asc, and after= or before= a page's cursor.
struct FilterForm {
    std::string barge, ship, since, until, text;
    bool deleted = false;
    Sort sort;
    std::string query(bool with_sort = true) const;  // without the paging
    std::string csv_query() const;                   // what the office's CSV file can be asked for
};
// A request's parameter by name; nothing when the request has none.
using ParamOf = std::function<std::optional<std::string>(const char* name)>;
struct ListRequest {
    FilterForm form;
    ListFilter filter;
    PageStart start;
    std::string error;  // for the user, empty when the filter is valid
};
ListRequest list_request(Lang lang, const ParamOf& param);
// The CSV file's filter as the office's command would take it.
fleet::SurveyFilter csv_filter(const ListFilter& filter);

struct ListChoices {
    std::map<std::string, std::string> barges;  // installation, name
    std::vector<ShipChoice> ships;
};
std::string surveys_page(const PageContext& context, const FilterForm& form, const ListChoices& choices,
                         const SurveyPage& page, const std::string& error);
std::string survey_page(const PageContext& context, const SurveyDetail& survey);
std::string ship_page(const PageContext& context, const ShipDetail& ship);

// The report's file name: installation (its name), ship and survey, in letters, digits and - _ .
// only (the name in UTF-8 goes beside it as filename*).
std::string report_file_name(const SurveyDetail& survey, std::optional<Lang> lang);

}  // namespace ijken::web
