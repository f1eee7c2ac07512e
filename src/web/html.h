#pragma once
// Building the office's pages: every text from the database goes through escape(), every value in
// a link through url_encode(); the frame around a page (head, navigation, language switch).
#include <string>
#include <string_view>

#include "web/texts.h"

namespace ijken::web {

// Text for an HTML element or a quoted attribute: & < > " ' become references.
std::string escape(std::string_view text);
// A query parameter's value: everything but letters, digits and -._~ as %XX.
std::string url_encode(std::string_view text);

// What the frame needs to know of the request.
struct PageContext {
    Lang lang = Lang::nl;
    std::string user;        // empty: logged out (no navigation)
    std::string path;        // the page's own path and query, for the language switch to return to
};

// A whole page: head, a header with the navigation, the user and the language switch, then body.
std::string page(const PageContext& context, std::string_view title, std::string_view body);

// A stored UTC time ("2026-03-01 12:34:56" or "2026-03-01 12:34:56.123+00") to the minute.
std::string utc_minutes(std::string_view stored);

// The style sheet every page links.
const std::string& style_sheet();

}  // namespace ijken::web
