#pragma once
// The office's routes: one registration per method and path pattern, each a function of a Request
// that fills a Response. Knows nothing of sockets.
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "web/http.h"

namespace ijken::web {

class Routes {
  public:
    using Handler = std::function<void(const Request&, Response&)>;
    // Which of the transport's workers answer a route: a login waits for the database server to
    // check a password, so logins have workers of their own and never hold up the pages.
    enum class Lane { pages, logins };

    // A GET route also answers HEAD (the transport sends the head alone). The pattern must match
    // the whole decoded path; its groups land in Request::matches.
    void get(const std::string& pattern, Handler handler, Lane lane = Lane::pages);
    void post(const std::string& pattern, Handler handler, Lane lane = Lane::pages);

    // The lane of the route that answers a request (pages for none).
    Lane lane(const Request& request) const;

    // Headers every answer carries, errors included.
    Fields common_headers;
    // Gives an error answer without a body one (a 404 page, ...).
    std::function<void(const Request&, Response&)> error_page;

    // The answer to a request: 405 with Allow for a method other than GET, HEAD and POST, 404 for
    // a path no route matches, 500 for a handler that throws.
    Response answer(Request& request) const;
    // An answer made by the transport itself (413, 503, ...), with the common headers.
    Response refusal(const Request& request, int status) const;

  private:
    struct Route {
        std::string method;
        std::regex pattern;
        Handler handler;
        Lane lane;
    };
    const Route* find(const Request& request, std::smatch* groups) const;
    std::vector<Route> routes_;
};

}  // namespace ijken::web
