#pragma once
// The office's pages as HTML, from what office_reads read. No page holds script or inline style.
#include <string>
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

// The filter as the page shows it and puts into its links (the texts as typed, valid or not).
struct FilterForm {
    std::string ship, since, until, text;
    std::string query() const;  // "ship=..&since=.." without the paging
};
std::string surveys_page(const PageContext& context, const FilterForm& form, const std::vector<std::string>& ships,
                         const SurveyPage& page, const std::string& error);
std::string survey_page(const PageContext& context, const SurveyDetail& survey);
std::string ship_page(const PageContext& context, const ShipDetail& ship);

}  // namespace ijken::web
