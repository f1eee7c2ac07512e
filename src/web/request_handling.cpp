#include "web/request_handling.h"

#include <ostream>

#include "fleet/office.h"
#include "web/pages.h"

namespace ijken::web {

namespace {

const char* const kSessionCookie = "ijken_session";
const char* const kHtml = "text/html; charset=utf-8";

std::string cookie(const Request& req, const std::string& name) {
    return req.cookie(name);
}

// A form or query field, at most `most` bytes (longer is cut).
std::string param(const Request& req, const char* name, std::size_t most = 200) {
    std::string v = req.param(name);
    if (v.size() > most) v.resize(most);
    return v;
}

bool over_tls(const Request& req) {
    return req.header("X-Forwarded-Proto") == "https";
}

// A POST must come from one of the server's own pages: its Origin names the host it was sent to.
bool same_origin(const Request& req) {
    const std::string origin = req.header("Origin"), host = req.header("Host");
    if (origin.empty() || host.empty()) return false;
    return origin == "http://" + host || origin == "https://" + host;
}

PageContext context(const Request& req, const Session* session) {
    std::string path = req.path;
    if (!req.query.empty() && req.method == "GET") path += "?" + req.query;
    return {request_lang(req), session ? session->user : "", path};
}

void see_other(Response& res, const std::string& where) {
    res.status = 303;
    res.set_header("Location", where);
}

void html(Response& res, const std::string& body, int status = 200) {
    res.status = status;
    res.set_content(body, kHtml);
}

enum class Kind { page, download };

using Handler = std::function<void(const Request&, Response&, Session&, const PageContext&)>;
// A handler whose answer outlives its call (a streamed download): it keeps the session it was
// given for as long as it needs it, whatever happens to the login meanwhile.
using SharedHandler =
    std::function<void(const Request&, Response&, const std::shared_ptr<Session>&, const PageContext&)>;

// A handler that needs a session: without one a page answers 303 to the login, a download 401.
// The session's connection serves one request at a time.
Routes::Handler guarded_shared(Sessions& sessions, Kind kind, SharedHandler handler) {
    return [&sessions, kind, handler](const Request& req, Response& res) {
        const std::shared_ptr<Session> session = sessions.find(cookie(req, kSessionCookie));
        if (!session) {
            if (kind == Kind::page) return see_other(res, cookie(req, kSessionCookie).empty() ? "/login" : "/login?ended");
            res.status = 401;
            res.set_content("401 not logged in\n", "text/plain; charset=utf-8");
            return;
        }
        const PageContext c = context(req, session.get());
        std::unique_lock<std::mutex> lock(session->mutex);
        try {
            handler(req, res, session, c);
        } catch (const fleet::FleetError& e) {
            html(res, message_page(c, tr(c.lang, Text::error), e.what()), 500);
        }
    };
}

Routes::Handler guarded(Sessions& sessions, Kind kind, Handler handler) {
    return guarded_shared(sessions, kind,
                   [handler](const Request& req, Response& res, const std::shared_ptr<Session>& session,
                             const PageContext& c) { handler(req, res, *session, c); });
}

}  // namespace

Fields security_headers() {
    return {{"Content-Security-Policy",
             "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self'; form-action 'self';"
             " base-uri 'none'; frame-ancestors 'none'"},
            {"X-Content-Type-Options", "nosniff"},
            {"Referrer-Policy", "same-origin"},
            {"X-Frame-Options", "DENY"},
            {"Cache-Control", "no-store"}};
}

Lang request_lang(const Request& req) {
    if (const auto chosen = lang_from_code(cookie(req, "lang"))) return *chosen;
    return lang_from_accept(req.header("Accept-Language"));
}

namespace {

void add_login_routes(Routes& server, Sessions& sessions) {
    server.get("/login", [&sessions](const Request& req, Response& res) {
        if (sessions.find(cookie(req, kSessionCookie))) return see_other(res, "/");
        html(res, login_page(context(req, nullptr), false, "", req.has_param("ended")));
    });
    server.post("/login", [&sessions](const Request& req, Response& res) {
        if (!same_origin(req)) return html(res, "403 forbidden\n", 403);
        const std::string user = param(req, "user", 63), password = param(req, "password", 1000);
        const std::string token = user.empty() || password.empty() ? "" : sessions.login(user, password);
        if (token.empty()) return html(res, login_page(context(req, nullptr), true, user), 401);
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + token + "; Path=/; HttpOnly; SameSite=Strict" +
                                         (over_tls(req) ? "; Secure" : ""));
        see_other(res, "/");
        // An answer the sessions want slowed goes out later through res.not_before: the transport
        // holds it without holding a worker.
    }, Routes::Lane::logins);
    server.post("/logout", [&sessions](const Request& req, Response& res) {
        if (!same_origin(req)) return html(res, "403 forbidden\n", 403);
        sessions.logout(cookie(req, kSessionCookie));
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict" +
                                         (over_tls(req) ? "; Secure" : ""));
        see_other(res, "/login");
    });
    server.post("/lang", [](const Request& req, Response& res) {
        if (!same_origin(req)) return html(res, "403 forbidden\n", 403);
        const auto lang = lang_from_code(param(req, "lang"));
        if (lang) {
            res.set_header("Set-Cookie", std::string("lang=") + code(*lang) +
                                             "; Path=/; Max-Age=31536000; SameSite=Strict" +
                                             (over_tls(req) ? "; Secure" : ""));
        }
        // Back to a page of this server only.
        const std::string back = param(req, "back", 2000);
        const bool local = back.size() > 1 && back[0] == '/' && back[1] != '/' && back[1] != '\\' &&
                           back.find_first_of("\r\n") == std::string::npos;
        see_other(res, local ? back : "/");
    });
    server.get("/style.css", [](const Request&, Response& res) {
        res.set_header("Cache-Control", "max-age=3600");
        res.set_content(style_sheet(), "text/css; charset=utf-8");
    });
}

// The filter of /surveys and /surveys.csv; empty error when it is valid.
std::pair<fleet::SurveyFilter, std::string> filter_of(const FilterForm& form, Lang lang) {
    fleet::SurveyFilter f;
    if (!form.ship.empty()) f.ship = form.ship;
    if (!form.since.empty()) f.since = form.since;
    if (!form.until.empty()) f.until = form.until;
    if (!form.text.empty()) f.text = form.text;
    for (const auto* date : {&f.since, &f.until}) {
        if (*date && !fleet::is_date(**date)) return {f, tr(lang, Text::bad_date)};
    }
    return {f, ""};
}

FilterForm form_of(const Request& req) {
    return {param(req, "ship"), param(req, "since", 10), param(req, "until", 10), param(req, "q")};
}

}  // namespace

namespace {

void surveys(const Request& req, Response& res, Session& s, const PageContext& c) {
    const FilterForm form = form_of(req);
    const auto [filter, error] = filter_of(form, c.lang);
    PageStart start;
    for (const auto& [name, direction] : {std::pair{"older", PageStart::Direction::older_than},
                                          std::pair{"newer", PageStart::Direction::newer_than}}) {
        if (req.has_param(name)) start = parse_page_start(direction, param(req, name, 100)).value_or(start);
    }
    const std::vector<std::string> ships = read_ship_names(*s.db);
    const SurveyPage page = error.empty() ? read_survey_page(*s.db, filter, start, *s.cache) : SurveyPage{};
    html(res, surveys_page(c, form, ships, page, error), error.empty() ? 200 : 400);
}

void surveys_csv(const Request& req, Response& res, const std::shared_ptr<Session>& session) {
    const auto [filter, error] = filter_of(form_of(req), request_lang(req));
    if (!error.empty()) {
        res.status = 400;
        return res.set_content(error + "\n", "text/plain; charset=utf-8");
    }
    res.set_header("Content-Disposition", "attachment; filename=\"surveys.csv\"");
    // Streamed: the rows go out as the server reads them, so memory stays flat however many.
    // The writer keeps the session: a logout meanwhile ends the login, not this download.
    res.set_header("Content-Type", "text/csv; charset=utf-8");
    res.stream = [session, filter = filter](std::ostream& out) {
        std::lock_guard<std::mutex> lock(session->mutex);
        fleet::write_office_csv(*session->db, filter, out);
    };
}

void report(const Request& req, Response& res, Session& s, const PageContext& c,
            const ReportMaker& make) {
    const auto name = fleet::parse_survey_name(req.matches[1]);
    const auto lang = lang_from_code(param(req, "lang"));
    if (!name || (req.has_param("lang") && !lang)) {
        res.status = 404;
        return;
    }
    if (!read_survey(*s.db, *name)) {
        res.status = 404;
        return res.set_content("404 no such survey\n", "text/plain; charset=utf-8");
    }
    (void)c;
    res.set_header("Content-Disposition", "attachment; filename=\"survey-" + name->text() +
                                              (lang ? std::string("-") + code(*lang) : "") + ".pdf\"");
    res.set_content(make(*s.db, *name, lang), "application/pdf");
}

}  // namespace

void add_routes(Routes& server, Sessions& sessions, const ReportMaker& make) {
    server.common_headers = security_headers();
    server.error_page = [](const Request& req, Response& res) {
        if (!res.body.empty()) return;
        const Lang lang = request_lang(req);
        PageContext c{lang, "", "/"};
        const std::string title = res.status == 404 ? tr(lang, Text::not_found) : std::to_string(res.status);
        res.set_content(message_page(c, title, title), "text/html; charset=utf-8");
    };
    add_login_routes(server, sessions);
    server.get("/", guarded(sessions, Kind::page, [](const auto&, auto& res, Session& s, const PageContext& c) {
        html(res, fleet_page(c, read_fleet(*s.db, *s.cache)));
    }));
    server.get("/surveys", guarded(sessions, Kind::page, surveys));
    server.get("/surveys.csv", guarded_shared(sessions, Kind::download,
                                              [](const Request& req, Response& res,
                                                 const std::shared_ptr<Session>& s, const PageContext&) {
                                                  surveys_csv(req, res, s);
                                              }));
    const std::string key = "([0-9a-fA-F-]{36}:-?[0-9]{1,19})";
    const std::string survey = "([0-9a-fA-F-]{36}:-?[0-9]{1,19}(?:~[0-9]{1,9})?)";
    server.get("/surveys/" + survey, guarded(sessions, Kind::page, [](const auto& req, auto& res, Session& s,
                                                                      const PageContext& c) {
        const auto k = fleet::parse_survey_name(req.matches[1]);
        const auto d = k ? read_survey(*s.db, *k) : std::nullopt;
        if (!d) return html(res, message_page(c, tr(c.lang, Text::not_found), req.matches[1]), 404);
        html(res, survey_page(c, *d));
    }));
    server.get("/surveys/" + survey + "/report.pdf",
               guarded(sessions, Kind::download, [&make](const auto& req, auto& res, Session& s, const PageContext& c) {
                   report(req, res, s, c, make);
               }));
    server.get("/ships/" + key, guarded(sessions, Kind::page, [](const auto& req, auto& res, Session& s,
                                                                 const PageContext& c) {
        const auto k = parse_row_key(req.matches[1]);
        const auto d = k ? read_ship(*s.db, *k) : std::nullopt;
        if (!d) return html(res, message_page(c, tr(c.lang, Text::not_found), req.matches[1]), 404);
        html(res, ship_page(c, *d));
    }));
}

}  // namespace ijken::web
