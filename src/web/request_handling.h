#pragma once
// The routes of the office's web server and what every response shares: the security headers,
// the session check, the language of the request.
#include "web/http.h"
#include "web/routes.h"
#include "web/server.h"
#include "web/sessions.h"

namespace ijken::web {

// Content-Security-Policy (nothing but the server's own files, no inline script or style, no
// framing), nosniff, same-origin referrers, and no caching of data.
Fields security_headers();

// The language the request asks for: its "lang" cookie, else its Accept-Language, else Dutch.
Lang request_lang(const Request& req);

// Registers every page and download of the office, and the page an error without a body shows.
void add_routes(Routes& routes, Sessions& sessions, const ReportMaker& report);

}  // namespace ijken::web
