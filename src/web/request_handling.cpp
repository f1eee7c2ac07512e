#include "web/request_handling.h"

#include <streambuf>
#include <thread>

#include "fleet/office.h"
#include "web/pages.h"

namespace ijken::web {

namespace {

const char* const kSessionCookie = "ijken_session";
const char* const kHtml = "text/html; charset=utf-8";

std::string cookie(const httplib::Request& req, const std::string& name) {
    const std::string header = req.get_header_value("Cookie");
    std::size_t at = 0;
    while (at < header.size()) {
        const auto end = std::min(header.find(';', at), header.size());
        std::string item = header.substr(at, end - at);
        const auto first = item.find_first_not_of(' ');
        item = first == std::string::npos ? "" : item.substr(first);
        if (item.compare(0, name.size() + 1, name + "=") == 0) return item.substr(name.size() + 1);
        at = end + 1;
    }
    return "";
}

// A form or query field, at most `most` bytes (longer is cut).
std::string param(const httplib::Request& req, const char* name, std::size_t most = 200) {
    std::string v = req.get_param_value(name);
    if (v.size() > most) v.resize(most);
    return v;
}

bool over_tls(const httplib::Request& req) {
    return req.get_header_value("X-Forwarded-Proto") == "https";
}

// A POST must come from one of the server's own pages: its Origin names the host it was sent to.
bool same_origin(const httplib::Request& req) {
    const std::string origin = req.get_header_value("Origin"), host = req.get_header_value("Host");
    if (origin.empty() || host.empty()) return false;
    return origin == "http://" + host || origin == "https://" + host;
}

PageContext context(const httplib::Request& req, const Session* session) {
    std::string path = req.path;
    if (const auto q = req.target.find('?'); q != std::string::npos && req.method == "GET") {
        path += req.target.substr(q);
    }
    return {request_lang(req), session ? session->user : "", path};
}

void see_other(httplib::Response& res, const std::string& where) {
    res.status = 303;
    res.set_header("Location", where);
}

void html(httplib::Response& res, const std::string& body, int status = 200) {
    res.status = status;
    res.set_content(body, kHtml);
}

enum class Kind { page, download };

using Handler = std::function<void(const httplib::Request&, httplib::Response&, const std::shared_ptr<Session>&,
                                   const PageContext&)>;

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
void session_ended(const httplib::Request& req, httplib::Response& res, Kind kind, EndReason why) {
    const Lang lang = request_lang(req);
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
// session the server ended says why. The session's connection serves one request at a time, and
// the handler holds the session for the whole of its answer (a download goes on after a logout).
// A connection that fell, or a role that is gone, ends the session with a page that says so.
httplib::Server::Handler guarded(Sessions& sessions, Kind kind, Handler handler) {
    return [&sessions, kind, handler](const httplib::Request& req, httplib::Response& res) {
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
            if (const auto why = sessions.check_after_failure(*session)) {
                res.headers.erase("Content-Disposition");
                return session_ended(req, res, kind, *why);
            }
            html(res, message_page(c, tr(c.lang, Text::error), e.what()), 500);
        }
    };
}

// The address a login's failures are counted by: the peer's, or behind a proxy on this machine the
// one the proxy names last in X-Forwarded-For (the address it took the request from).
std::string client_address(const httplib::Request& req) {
    const bool local = req.remote_addr == "127.0.0.1" || req.remote_addr == "::1" ||
                       req.remote_addr == "::ffff:127.0.0.1";
    const std::string forwarded = req.get_header_value("X-Forwarded-For");
    if (!local || forwarded.empty()) return req.remote_addr;
    std::string last = forwarded.substr(forwarded.rfind(',') == std::string::npos ? 0 : forwarded.rfind(',') + 1);
    last.erase(0, last.find_first_not_of(' '));
    last.erase(last.find_last_not_of(' ') + 1);
    return last.empty() || last.size() > 64 ? req.remote_addr : last;
}

}  // namespace

httplib::Headers security_headers() {
    return {{"Content-Security-Policy",
             "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self'; form-action 'self';"
             " base-uri 'none'; frame-ancestors 'none'"},
            {"X-Content-Type-Options", "nosniff"},
            {"Referrer-Policy", "same-origin"},
            {"X-Frame-Options", "DENY"},
            {"Cache-Control", "no-store"}};
}

Lang request_lang(const httplib::Request& req) {
    if (const auto chosen = lang_from_code(cookie(req, "lang"))) return *chosen;
    return lang_from_accept(req.get_header_value("Accept-Language"));
}

namespace {

void add_login_routes(httplib::Server& server, Sessions& sessions) {
    server.Get("/login", [&sessions](const httplib::Request& req, httplib::Response& res) {
        if (sessions.find(cookie(req, kSessionCookie))) return see_other(res, "/");
        html(res, login_page(context(req, nullptr), false, "", req.has_param("ended")));
    });
    server.Post("/login", [&sessions](const httplib::Request& req, httplib::Response& res) {
        if (!same_origin(req)) return html(res, "403 forbidden\n", 403);
        const std::string user = param(req, "user", 63), password = param(req, "password", 1000);
        LoginOutcome outcome;
        outcome.not_before = Clock::now();
        if (!user.empty() && !password.empty()) outcome = sessions.login(user, password, client_address(req));
        // TEMPORARY until the transport answers at not_before without holding a worker: this
        // worker waits for it here.
        std::this_thread::sleep_until(outcome.not_before);
        if (outcome.kind == LoginOutcome::Kind::unreachable) {
            const PageContext c = context(req, nullptr);
            return html(res, message_page(c, tr(c.lang, Text::error), tr(c.lang, Text::db_unreachable)), 503);
        }
        if (outcome.kind != LoginOutcome::Kind::ok) return html(res, login_page(context(req, nullptr), true, user), 401);
        const std::string& token = outcome.token;
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + token + "; Path=/; HttpOnly; SameSite=Strict" +
                                         (over_tls(req) ? "; Secure" : ""));
        see_other(res, "/");
    });
    server.Post("/logout", [&sessions](const httplib::Request& req, httplib::Response& res) {
        if (!same_origin(req)) return html(res, "403 forbidden\n", 403);
        sessions.logout(cookie(req, kSessionCookie));
        res.set_header("Set-Cookie", std::string(kSessionCookie) + "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict" +
                                         (over_tls(req) ? "; Secure" : ""));
        see_other(res, "/login");
    });
    server.Post("/lang", [](const httplib::Request& req, httplib::Response& res) {
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
    server.Get("/style.css", [](const httplib::Request&, httplib::Response& res) {
        res.headers.erase("Cache-Control");
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

FilterForm form_of(const httplib::Request& req) {
    return {param(req, "ship"), param(req, "since", 10), param(req, "until", 10), param(req, "q")};
}

// Hands what the CSV writer writes to the response in pieces of 64 KiB. After the client has gone
// it takes the rest without sending it, so that the query ends normally on the connection.
class SinkBuffer : public std::streambuf {
  public:
    explicit SinkBuffer(httplib::DataSink& sink) : sink_(sink) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~SinkBuffer() override { sync(); }

  protected:
    int overflow(int c) override {
        sync();
        if (c != traits_type::eof()) {
            *pptr() = static_cast<char>(c);
            pbump(1);
        }
        return 0;
    }
    int sync() override {
        const auto n = static_cast<std::size_t>(pptr() - pbase());
        if (n > 0 && ok_) ok_ = sink_.write(pbase(), n);
        setp(buffer_, buffer_ + sizeof buffer_);
        return 0;
    }

  private:
    httplib::DataSink& sink_;
    bool ok_ = true;
    char buffer_[64 * 1024];
};

}  // namespace

namespace {

void surveys(const httplib::Request& req, httplib::Response& res, const std::shared_ptr<Session>& session,
             const PageContext& c) {
    Session& s = *session;
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

void surveys_csv(const httplib::Request& req, httplib::Response& res, const std::shared_ptr<Session>& session,
                 Sessions& sessions) {
    const auto [filter, error] = filter_of(form_of(req), request_lang(req));
    if (!error.empty()) {
        res.status = 400;
        return res.set_content(error + "\n", "text/plain; charset=utf-8");
    }
    res.set_header("Content-Disposition", "attachment; filename=\"surveys.csv\"");
    // Streamed: the rows go out as the server reads them, so memory stays flat however many. The
    // provider holds the session it was given until it is done: a logout meanwhile lets this
    // download finish on the connection, which closes after it.
    res.set_chunked_content_provider("text/csv; charset=utf-8", [session, &sessions, filter = filter](
                                                                     std::size_t, httplib::DataSink& sink) {
        std::lock_guard<std::mutex> lock(session->mutex);
        try {
            SinkBuffer buffer(sink);
            std::ostream out(&buffer);
            fleet::write_office_csv(*session->db, filter, out);
            out.flush();
        } catch (const std::exception&) {
            sessions.check_after_failure(*session);  // a connection that fell ends the session
            return false;  // the response is cut short: a client sees an incomplete download
        }
        sink.done();
        return true;
    });
}

void report(const httplib::Request& req, httplib::Response& res, Session& s, const PageContext& c,
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

void add_routes(httplib::Server& server, Sessions& sessions, const ReportMaker& make) {
    add_login_routes(server, sessions);
    server.Get("/", guarded(sessions, Kind::page, [](const auto&, auto& res, const auto& s, const PageContext& c) {
        html(res, fleet_page(c, read_fleet(*s->db, *s->cache)));
    }));
    server.Get("/surveys", guarded(sessions, Kind::page, surveys));
    server.Get("/surveys.csv", guarded(sessions, Kind::download, [&sessions](const auto& req, auto& res,
                                                                             const auto& s, const PageContext&) {
        surveys_csv(req, res, s, sessions);
    }));
    const std::string key = "([0-9a-fA-F-]{36}:-?[0-9]{1,19})";
    const std::string survey = "([0-9a-fA-F-]{36}:-?[0-9]{1,19}(?:~[0-9]{1,9})?)";
    server.Get("/surveys/" + survey, guarded(sessions, Kind::page, [](const auto& req, auto& res, const auto& s,
                                                                      const PageContext& c) {
        const auto k = fleet::parse_survey_name(req.matches[1]);
        const auto d = k ? read_survey(*s->db, *k) : std::nullopt;
        if (!d) return html(res, message_page(c, tr(c.lang, Text::not_found), req.matches[1]), 404);
        html(res, survey_page(c, *d));
    }));
    server.Get("/surveys/" + survey + "/report.pdf",
               guarded(sessions, Kind::download, [&make](const auto& req, auto& res, const auto& s, const PageContext& c) {
                   report(req, res, *s, c, make);
               }));
    server.Get("/ships/" + key, guarded(sessions, Kind::page, [](const auto& req, auto& res, const auto& s,
                                                                 const PageContext& c) {
        const auto k = parse_row_key(req.matches[1]);
        const auto d = k ? read_ship(*s->db, *k) : std::nullopt;
        if (!d) return html(res, message_page(c, tr(c.lang, Text::not_found), req.matches[1]), 404);
        html(res, ship_page(c, *d));
    }));
}

}  // namespace ijken::web
