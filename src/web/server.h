#pragma once
// ijken office serve: the office's pages over HTTP/1.1, read from its PostgreSQL as the role of the
// person logged in. It runs until SIGINT or SIGTERM, then finishes the requests under way.
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "fleet/pg_connection.h"
#include "web/office_reads.h"
#include "web/texts.h"

namespace ijken::web {

// The report of a survey as PDF bytes, in a language or the one stored with the survey, read on the
// session's connection (which is in no transaction). Throws fleet::FleetError for a survey the
// role does not see.
using ReportMaker =
    std::function<std::string(fleet::PgConnection& db, const fleet::SurveyName& survey, std::optional<Lang> lang)>;

struct ServeOptions {
    std::string conninfo;                  // the server and database, not the user
    std::string listen = "127.0.0.1:8080";  // ADDR:PORT, [IPv6]:PORT; port 0 picks a free one
    ReportMaker report;
};

// Splits ADDR:PORT. Throws fleet::FleetError (exit status 2) for anything else.
std::pair<std::string, int> parse_listen(const std::string& text);

class Routes;

// The office's HTTP transport: serves routes on an address from its construction until stop().
// Every part of a request is bounded while it is read (see the README's office section for the
// figures); the routes run on workers of their own, never on the threads that read the sockets.
class HttpServer {
  public:
    // Listens on ADDR:PORT (port 0 picks a free one). Throws fleet::FleetError when it cannot.
    // Each request goes to `log` as one line (method, path, status, time).
    HttpServer(const Routes& routes, const std::string& listen, std::ostream& log);
    // Stops as stop() does; a server whose stop did not finish ends the process (status 0).
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const;
    // No new connections; the answers under way may finish for a few seconds, then downloads are
    // cut and answers that wait for their time are answered 503. False when a worker was still
    // busy after that (it waits on the database).
    bool stop();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Serves until SIGINT or SIGTERM; says where it listens on out ("... listening on http://...")
// and each request on err (method, path, status and time: never a query, cookie or body).
// Returns the exit status.
int serve(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace ijken::web
