#include "web/request_handling.h"

#include <ostream>

#include "fleet/office.h"
#include "web/csv_rows.h"
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

const char* reason_text(Lang lang, EndReason why) {
    switch (why) {
        case EndReason::crowded: return tr(lang, Text::session_crowded);
        case EndReason::lost: return tr(lang, Text::session_lost);
        case EndReason::role_gone: return tr(lang, Text::session_role_gone);
        case EndReason::idle: break;
    }
    return tr(lang, Text::session_ended);
}

// The answer to a request whose session the server ended: a page that says why, with the way back
// to the login (a download says it in one line), and the cookie is let go.
void session_ended(const Request& req, Response& res, Kind kind, EndReason why) {
    const Lang lang = request_lang(req);
    res.erase_header("Content-Disposition");
    res.stream = nullptr;
    res.set_header("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict" +
                                     (over_tls(req) ? "; Secure" : ""));
    if (kind == Kind::download) {
        res.status = 401;
        return res.set_content(std::string("401 ") + reason_text(lang, why) + "\n", "text/plain; charset=utf-8");
    }
    const PageContext c{lang, "", "/login"};
    html(res,
         page(c, tr(lang, Text::login),
              std::string("<p role=\"alert\">") + escape(reason_text(lang, why)) + "</p><p><a href=\"/login\">" +
                  escape(tr(lang, Text::login)) + "</a></p>"),
         401);
}

// A handler that needs a session: without one a page answers 303 to the login, a download 401; a
// session the server ended says why. The session's connection serves one request at a time. A
// connection that fell (PostgreSQL restarted) or a role that is gone ends the session with a page
// that says so, never a 500.
Routes::Handler guarded_shared(Sessions& sessions, Kind kind, SharedHandler handler) {
    return [&sessions, kind, handler](const Request& req, Response& res) {
        const std::string token = cookie(req, kSessionCookie);
        const std::shared_ptr<Session> session = sessions.find(token);
        if (!session) {
            if (const auto why = token.empty() ? std::nullopt : sessions.ended(token); why && *why != EndReason::idle) {
                return session_ended(req, res, kind, *why);
            }
            if (kind == Kind::page) return see_other(res, token.empty() ? "/login" : "/login?ended");
            res.status = 401;
            res.set_content("401 not logged in\n", "text/plain; charset=utf-8");
            return;
        }
        const PageContext c = context(req, session.get());
        std::unique_lock<std::mutex> lock(session->mutex);
        if (const auto why = sessions.check(*session)) return session_ended(req, res, kind, *why);
        try {
            handler(req, res, session, c);
        } catch (const fleet::FleetError& e) {
            if (const auto why = sessions.check_after_failure(*session)) return session_ended(req, res, kind, *why);
            html(res, message_page(c, tr(c.lang, Text::error), e.what()), 500);
        }
    };
}

Routes::Handler guarded(Sessions& sessions, Kind kind, Handler handler) {
    return guarded_shared(sessions, kind,
                   [handler](const Request& req, Response& res, const std::shared_ptr<Session>& session,
                             const PageContext& c) { handler(req, res, *session, c); });
}

// The address a login's failures are counted by: the peer's, or behind a proxy on this machine the
// one the proxy names last in X-Forwarded-For (the address it took the request from).
std::string client_address(const Request& req) {
    const std::string& peer = req.client_address;
    const bool local = peer == "127.0.0.1" || peer == "::1" || peer == "::ffff:127.0.0.1";
    const std::string forwarded = req.header("X-Forwarded-For");
    if (!local || forwarded.empty()) return peer;
    const auto comma = forwarded.rfind(',');
    std::string last = forwarded.substr(comma == std::string::npos ? 0 : comma + 1);
    last.erase(0, last.find_first_not_of(' '));
    last.erase(last.find_last_not_of(' ') + 1);
    return last.empty() || last.size() > 64 ? peer : last;
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
        LoginOutcome outcome;
        outcome.not_before = Clock::now();
        if (!user.empty() && !password.empty()) outcome = sessions.login(user, password, client_address(req));
        // A slowed answer goes out at not_before: the transport holds it without holding a worker.
        res.not_before = outcome.not_before;
        if (outcome.kind == LoginOutcome::Kind::unreachable) {
            const PageContext c = context(req, nullptr);
            return html(res, message_page(c, tr(c.lang, Text::error), tr(c.lang, Text::db_unreachable)), 503);
        }
        if (outcome.kind != LoginOutcome::Kind::ok) {
            return html(res, login_page(context(req, nullptr), true, user), 401);
        }
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + outcome.token +
                                         "; Path=/; HttpOnly; SameSite=Strict" + (over_tls(req) ? "; Secure" : ""));
        see_other(res, "/");
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

// The list's parameters as the pages read them.
ParamOf params_of(const Request& req) {
    return [&req](const char* name) -> std::optional<std::string> {
        if (!req.has_param(name)) return std::nullopt;
        return req.param(name);
    };
}

}  // namespace

namespace {

void surveys(const Request& req, Response& res, Session& s, const PageContext& c) {
    const ListRequest r = list_request(c.lang, params_of(req));
    const ListChoices choices{read_barges(*s.db), read_ship_choices(*s.db)};
    const SurveyPage page = r.error.empty() ? read_survey_page(*s.db, r.filter, r.form.sort, r.start, *s.cache) : SurveyPage{};
    html(res, surveys_page(c, r.form, choices, page, r.error), r.error.empty() ? 200 : 400);
}

void surveys_csv(const Request& req, Response& res, const std::shared_ptr<Session>& session, Sessions& sessions) {
    const ListRequest r = list_request(request_lang(req), params_of(req));
    if (!r.error.empty()) {
        res.status = 400;
        return res.set_content(r.error + "\n", "text/plain; charset=utf-8");
    }
    // The office's file, narrowed to the list's installation or ship as the list is.
    CsvNarrowing narrowing;
    if (r.filter.barge) narrowing.installation = r.filter.barge;
    if (r.filter.ship) {
        if (narrowing.installation && *narrowing.installation != r.filter.ship->installation) {
            narrowing.ship = "";  // no line has both
        } else {
            narrowing.installation = r.filter.ship->installation;
            narrowing.ship = std::to_string(r.filter.ship->number);
        }
    }
    res.set_header("Content-Disposition", "attachment; filename=\"surveys.csv\"");
    // Streamed: the rows go out as the server reads them, so memory stays flat however many.
    // The writer keeps the session: a logout meanwhile ends the login, not this download.
    res.set_header("Content-Type", "text/csv; charset=utf-8");
    res.stream = [session, &sessions, filter = csv_filter(r.filter), narrowing](std::ostream& out) {
        std::lock_guard<std::mutex> lock(session->mutex);
        try {
            if (!narrowing.any()) return (void)fleet::write_office_csv(*session->db, filter, out);
            CsvRows rows(out, narrowing);
            std::ostream narrowed(&rows);
            fleet::write_office_csv(*session->db, filter, narrowed);
        } catch (const fleet::FleetError&) {
            sessions.check_after_failure(*session);  // a connection that fell ends the session
            throw;
        }
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
    const auto survey = read_survey(*s.db, *name);
    if (!survey) {
        res.status = 404;
        return res.set_content("404 no such survey\n", "text/plain; charset=utf-8");
    }
    (void)c;
    res.set_header("Content-Disposition", "attachment; filename=\"" + report_file_name(*survey, lang) + "\"");
    res.set_content(make(*s.db, *name, lang), "application/pdf");
}

}  // namespace

void add_routes(Routes& server, Sessions& sessions, const ReportMaker& make) {
    server.common_headers = security_headers();
    server.error_page = [&sessions](const Request& req, Response& res) {
        if (!res.body.empty()) return;
        const Lang lang = request_lang(req);
        // A logged-in user keeps the header with the navigation on an error page.
        const std::shared_ptr<Session> session = sessions.find(cookie(req, kSessionCookie));
        PageContext c{lang, session ? session->user : "", "/"};
        const std::string title = res.status == 404 ? tr(lang, Text::not_found) : std::to_string(res.status);
        res.set_content(message_page(c, title, title), "text/html; charset=utf-8");
    };
    add_login_routes(server, sessions);
    server.get("/", guarded(sessions, Kind::page, [](const auto&, auto& res, Session& s, const PageContext& c) {
        html(res, fleet_page(c, read_fleet(*s.db, *s.cache)));
    }));
    server.get("/surveys", guarded(sessions, Kind::page, surveys));
    server.get("/surveys.csv", guarded_shared(sessions, Kind::download,
                                              [&sessions](const Request& req, Response& res,
                                                          const std::shared_ptr<Session>& s, const PageContext&) {
                                                  surveys_csv(req, res, s, sessions);
                                              }));
    const std::string key = "([0-9a-fA-F-]{36}:-?[0-9]{1,19}(?:~[0-9]{1,9})?)";
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
