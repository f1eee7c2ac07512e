// The office server's pieces below HTTP: the texts a request picks, escaping, the keys in links,
// and the sessions (idle end, the most kept, slowed failures) against a real PostgreSQL started by
// with_postgres.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "web/html.h"
#include "web/http.h"
#include "web/office_reads.h"
#include "web/routes.h"
#include "web/server.h"
#include "web/sessions.h"
#include "web/texts.h"
#include "web/wire.h"

namespace ijken::web {
namespace {

TEST(WebTexts, AcceptLanguagePicksTheHeaviestKnownLanguage) {
    const std::pair<const char*, Lang> cases[] = {
        {"", Lang::nl},           {"fr", Lang::fr},          {"de-CH,de;q=0.9", Lang::de},
        {"en-GB,en;q=0.9", Lang::nl}, {"en,fr;q=0.2,de;q=0.5", Lang::de}, {"frisian,fr-BE;q=0.1", Lang::fr},
        {"nl;q=0.1, fr;q=0.8", Lang::fr}, {"de;q=0", Lang::nl},
    };
    for (const auto& [header, lang] : cases) EXPECT_EQ(lang_from_accept(header), lang) << header;
    for (Lang l : {Lang::nl, Lang::fr, Lang::de}) EXPECT_EQ(lang_from_code(code(l)), l);
    EXPECT_FALSE(lang_from_code("en"));
    // Every text exists in every language.
    for (Lang l : {Lang::nl, Lang::fr, Lang::de}) {
        for (int t = 0; t <= static_cast<int>(Text::max_immersion); ++t) EXPECT_STRNE(tr(l, static_cast<Text>(t)), "?");
    }
}

TEST(WebHtml, EscapingAndEncoding) {
    EXPECT_EQ(escape("<img src=x onerror=alert(1)>"), "&lt;img src=x onerror=alert(1)&gt;");
    EXPECT_EQ(escape("\"'&"), "&quot;&#39;&amp;");
    EXPECT_EQ(escape("Ma\xC3\xAFs"), "Ma\xC3\xAFs");
    EXPECT_EQ(url_encode("Anna Maria/&=?\xC3\xAF"), "Anna%20Maria%2F%26%3D%3F%C3%AF");
    EXPECT_EQ(utc_minutes("2026-03-01 12:34:56"), "2026-03-01 12:34");
}

TEST(WebKeys, OnlyWellFormedKeysAndAddressesAreRead) {
    const std::string uuid = "68a8c608-329b-484c-ac9a-18f4946fd129";
    struct Case {
        std::string text;
        bool ok;
        long long number;
    };
    const Case keys[] = {{uuid + ":42", true, 42}, {uuid + ":-3", true, -3}, {uuid + ":9999999999", true, 9999999999},
                         {uuid + ":", false, 0},   {uuid + ":4 2", false, 0}, {"x:1", false, 0},
                         {uuid, false, 0},         {uuid + ":1e3", false, 0}};
    for (const Case& c : keys) {
        const auto key = parse_row_key(c.text);
        EXPECT_EQ(key.has_value(), c.ok) << c.text;
        if (key) {
            EXPECT_EQ(key->number, c.number);
        }
    }
    EXPECT_TRUE(parse_page_start(PageStart::Direction::older_than, "2026-01-01 10:00:00|" + uuid + ":7"));
    EXPECT_FALSE(parse_page_start(PageStart::Direction::older_than, "2026-01-01 10:00:00" + uuid + ":7"));
    EXPECT_EQ(parse_listen("127.0.0.1:8080"), (std::pair<std::string, int>{"127.0.0.1", 8080}));
    EXPECT_EQ(parse_listen("[::1]:0"), (std::pair<std::string, int>{"::1", 0}));
    for (const char* bad : {"8080", ":8080", "host:", "host:99999", "host:-1", "[::1:80"}) {
        EXPECT_THROW(parse_listen(bad), fleet::FleetError) << bad;
    }
}

TEST(WebWire, TheHeadOfARequestIsRefusedByItsBounds) {
    const Fields few = {{"Host", "x"}, {"Content-Type", "text/plain"}};
    Fields many;
    for (int i = 0; i < 65; ++i) many.emplace_back("X-" + std::to_string(i), "1");
    const Fields long_line = {{"X-Long", std::string(8 * 1024, 'a')}};
    Fields long_block;
    for (int i = 0; i < 3; ++i) long_block.emplace_back("X-" + std::to_string(i), std::string(6000, 'a'));
    struct Case {
        const char* what;
        std::string target;
        bool cut;
        Fields headers;
        int status;
    };
    const Case cases[] = {
        {"ordinary", "/surveys?q=x", false, few, 0},
        {"target at its bound", "/" + std::string(kTargetMost - 1, 'a'), false, few, 0},
        {"target over its bound", "/" + std::string(kTargetMost, 'a'), false, few, 414},
        {"target cut while read", "/a", true, few, 414},
        {"65 headers", "/", false, many, 431},
        {"a header line over 8 KiB", "/", false, long_line, 431},
        {"headers over 16 KiB together", "/", false, long_block, 431},
        {"body at its bound", "/", false, {{"Content-Length", "16384"}}, 0},
        {"body over its bound", "/", false, {{"content-length", "16385"}}, 413},
        {"200 MB body", "/", false, {{"Content-Length", "209715200"}}, 413},
        {"length no number", "/", false, {{"Content-Length", "12a"}}, 400},
        {"length negative", "/", false, {{"Content-Length", "-1"}}, 400},
        {"length past any integer", "/", false, {{"Content-Length", "99999999999999999999999"}}, 400},
    };
    for (const Case& c : cases) EXPECT_EQ(refusal_of_head(c.target, c.cut, c.headers, 16 * 1024), c.status) << c.what;
}

TEST(WebWire, TargetsAndFormsAreDecodedAndMustBeUtf8) {
    struct Case {
        const char* target;
        bool ok;
        const char* path;
        Fields params;
    };
    const Case cases[] = {
        {"/surveys?ship=Anna+Maria&q=50%25_%5C", true, "/surveys", {{"ship", "Anna Maria"}, {"q", "50%_\\"}}},
        {"/a%20b+c", true, "/a b+c", {}},
        {"/s?q=Ma%C3%AFs&q=second&flag&=v&", true, "/s", {{"q", "Ma\xC3\xAFs"}, {"q", "second"}, {"flag", ""}, {"", "v"}}},
        {"/s?q=100%&r=%4", true, "/s", {{"q", "100%"}, {"r", "%4"}}},  // a lone % stays as it is
        {"/s?q=%FF", false, "", {}},
        {"/s?q=%C0%AF", false, "", {}},           // an overlong '/'
        {"/s?q=%ED%A0%80", false, "", {}},        // a UTF-16 surrogate
        {"/s?q=%F4%90%80%80", false, "", {}},     // past U+10FFFF
        {"/s?q=%E2%82", false, "", {}},           // cut short
        {"/s?q=a%00b", false, "", {}},
        {"/s?%FF=1", false, "", {}},
        {"/%FF", false, "", {}},
        {"http://elsewhere/", false, "", {}},
        {"", false, "", {}},
    };
    for (const Case& c : cases) {
        Request req;
        EXPECT_EQ(read_target(c.target, req), c.ok) << c.target;
        if (!c.ok) continue;
        EXPECT_EQ(req.path, c.path) << c.target;
        EXPECT_EQ(req.params, c.params) << c.target;
        EXPECT_EQ(req.param(c.params.empty() ? "none" : c.params[0].first),
                  c.params.empty() ? "" : c.params[0].second);
    }
    Fields form;
    EXPECT_TRUE(read_form("user=schip_anna&password=a%26b%3Dc+d", form));
    EXPECT_EQ(form, (Fields{{"user", "schip_anna"}, {"password", "a&b=c d"}}));
    EXPECT_FALSE(read_form("user=%FE", form));
    EXPECT_TRUE(valid_utf8("\xF0\x9F\x9A\xA2 \xE2\x82\xAC \xC3\xAF"));
}

TEST(WebWire, ALogLineCannotBeForgedByARequest) {
    const std::pair<std::string, std::string> cases[] = {
        {"/surveys", "/surveys"},
        {"/a\nGET /admin 200 1.0 ms", "/a\\x0aGET\\x20/admin\\x20200\\x201.0\\x20ms"},
        {"/\x1b[31mred\r", "/\\x1b[31mred\\x0d"},
        {"/back\\slash", "/back\\x5cslash"},
        {"/\xC3\xAF", "/\\xc3\\xaf"},
        {std::string("/\0x", 3), "/\\x00x"},
    };
    for (const auto& [text, logged] : cases) EXPECT_EQ(loggable(text, 200), logged);
    EXPECT_EQ(loggable(std::string(300, 'a'), 200), std::string(200, 'a') + "...");
    EXPECT_EQ(path_of("/surveys?q=secret"), "/surveys");
}

TEST(WebHttp, RequestsFindHeadersCookiesAndFields) {
    Request req;
    req.headers = {{"cookie", "lang=fr; ijken_session=abc; x_ijken_session=no"}, {"Accept-Language", "de"}};
    req.params = {{"q", "first"}, {"q", "second"}};
    EXPECT_EQ(req.header("Cookie"), "lang=fr; ijken_session=abc; x_ijken_session=no");
    EXPECT_EQ(req.header("ACCEPT-LANGUAGE"), "de");
    EXPECT_EQ(req.header("Origin"), "");
    EXPECT_EQ(req.cookie("ijken_session"), "abc");
    EXPECT_EQ(req.cookie("lang"), "fr");
    EXPECT_EQ(req.cookie("session"), "");
    EXPECT_EQ(req.param("q"), "first");
    EXPECT_TRUE(req.has_param("q"));
    EXPECT_FALSE(req.has_param("Q"));
    Response res;
    res.set_header("Cache-Control", "no-store");
    res.set_header("cache-control", "max-age=3600");
    EXPECT_EQ(res.headers, (Fields{{"cache-control", "max-age=3600"}}));
}

TEST(WebRoutes, MethodsPathsAndFailuresGetTheirAnswers) {
    Routes routes;
    routes.common_headers = {{"X-Content-Type-Options", "nosniff"}};
    routes.error_page = [](const Request&, Response& res) {
        if (res.body.empty()) res.set_content("error " + std::to_string(res.status), "text/plain");
    };
    routes.get("/ships/([0-9]+)", [](const Request& req, Response& res) { res.set_content(req.matches[1], "text/plain"); });
    routes.post("/login", [](const Request&, Response& res) { res.status = 303; }, Routes::Lane::logins);
    routes.get("/fails", [](const Request&, Response&) { throw std::runtime_error("the database is gone"); });
    routes.get("/missing", [](const Request&, Response& res) { res.status = 404; });
    struct Case {
        const char* method;
        const char* path;
        int status;
        const char* body;
    };
    const Case cases[] = {
        {"GET", "/ships/42", 200, "42"},     {"HEAD", "/ships/42", 200, "42"},
        {"GET", "/ships/42/x", 404, "error 404"}, {"POST", "/ships/42", 404, "error 404"},
        {"POST", "/login", 303, ""},        {"PUT", "/login", 405, "error 405"},
        {"GET", "/fails", 500, "internal error\n"}, {"GET", "/missing", 404, "error 404"},
    };
    for (const Case& c : cases) {
        Request req;
        req.method = c.method;
        req.path = c.path;
        const Response res = routes.answer(req);
        EXPECT_EQ(res.status, c.status) << c.method << ' ' << c.path;
        EXPECT_EQ(res.body, c.body) << c.method << ' ' << c.path;
        EXPECT_EQ(res.header("X-Content-Type-Options"), "nosniff") << c.method << ' ' << c.path;
        EXPECT_EQ(res.header("Allow"), c.status == 405 ? "GET, HEAD, POST" : "");
        EXPECT_EQ(routes.lane(req), std::string(c.path) == "/login" && std::string(c.method) == "POST"
                                        ? Routes::Lane::logins
                                        : Routes::Lane::pages);
    }
}

std::unique_ptr<fleet::PgConnection> admin(const std::string& user, const std::string& password) {
    if (password != "right") throw fleet::FleetError("password authentication failed");
    return std::make_unique<fleet::PgConnection>(std::string("host=") + std::getenv("IJKEN_PG_SOCKET") +
                                                 " dbname=postgres user=" + user);
}

TEST(WebSessions, TokensEndWhenIdleAndTheOldestMakesRoom) {
    const std::string user = std::getenv("IJKEN_PG_USER");
    Sessions sessions(admin, std::chrono::seconds(1), 2);
    const std::string a = sessions.login(user, "right"), b = sessions.login(user, "right");
    EXPECT_EQ(a.size(), 64u);
    EXPECT_NE(a, b);
    ASSERT_TRUE(sessions.find(a));
    EXPECT_EQ(sessions.find(a)->db->exec("SELECT current_user").text(0, 0), user);
    const std::string c = sessions.login(user, "right");  // b was used longest ago
    EXPECT_TRUE(sessions.find(a));
    EXPECT_FALSE(sessions.find(b));
    sessions.logout(c);
    EXPECT_FALSE(sessions.find(c));
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_FALSE(sessions.find(a));
    EXPECT_EQ(sessions.sweep(), 0u);
    std::set<std::string> tokens;
    for (int i = 0; i < 1000; ++i) tokens.insert(random_token());
    EXPECT_EQ(tokens.size(), 1000u);
}

TEST(WebSessions, FailuresForOneNameAreSlowedAndAnotherNameIsNot) {
    const std::string user = std::getenv("IJKEN_PG_USER");
    Sessions sessions(admin);
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); };
    auto start = Clock::now();
    EXPECT_EQ(sessions.login(user, "wrong"), "");
    EXPECT_LT(seconds(start), 0.5);
    start = Clock::now();
    EXPECT_EQ(sessions.login(user, "wrong"), "");
    EXPECT_GE(seconds(start), 1.0);
    start = Clock::now();
    EXPECT_EQ(sessions.login("someone_else", "wrong"), "");
    EXPECT_LT(seconds(start), 0.5);
    start = Clock::now();
    EXPECT_NE(sessions.login(user, "right"), "");
    EXPECT_GE(seconds(start), 2.0);
    start = Clock::now();
    EXPECT_NE(sessions.login(user, "right"), "");
    EXPECT_LT(seconds(start), 0.5);
}

}  // namespace
}  // namespace ijken::web
