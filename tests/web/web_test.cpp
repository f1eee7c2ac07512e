// The office server's pieces below HTTP: the texts a request picks, escaping, the keys in links,
// and the sessions (idle end, the most kept, slowed failures) against a real PostgreSQL started by
// with_postgres.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>

#include "web/chart.h"
#include "web/csv_rows.h"
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
        for (int t = 0; t <= static_cast<int>(Text::sort_by); ++t) EXPECT_STRNE(tr(l, static_cast<Text>(t)), "?");
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
    // A ship that bore its number after an earlier one was deleted: ~K, K from 1.
    const std::pair<std::string, std::optional<int>> bearers[] = {
        {uuid + ":5~2", 2}, {uuid + ":5~1", 1}, {uuid + ":5", std::nullopt}};
    for (const auto& [text, bearer] : bearers) {
        const auto key = parse_row_key(text);
        ASSERT_TRUE(key) << text;
        EXPECT_EQ(key->bearer, bearer) << text;
        EXPECT_EQ(key->text(), text);
    }
    for (const std::string& bad : {uuid + ":5~0", uuid + ":5~", uuid + ":5~-1", uuid + ":5~+2", uuid + ":~2", uuid + ":5~2~3"}) {
        EXPECT_FALSE(parse_row_key(bad)) << bad;
    }
    EXPECT_EQ(parse_listen("127.0.0.1:8080"), (std::pair<std::string, int>{"127.0.0.1", 8080}));
    EXPECT_EQ(parse_listen("[::1]:0"), (std::pair<std::string, int>{"::1", 0}));
    for (const char* bad : {"8080", ":8080", "host:", "host:99999", "host:-1", "[::1:80"}) {
        EXPECT_THROW(parse_listen(bad), fleet::FleetError) << bad;
    }
}

// A page's cursor carries any value its sort column can hold: long dates, '|', line breaks, quotes,
// UTF-8; a value too long to carry is read again from its row. What was not made by the server
// is refused whole (and the list starts at its first page).
TEST(WebCursors, CarryAnyValueAndRefuseForgedOnes) {
    const std::string uuid = "68a8c608-329b-484c-ac9a-18f4946fd129";
    struct Case {
        SortColumn column;
        std::string value;
        bool carried;
    };
    const Case cases[] = {
        {SortColumn::date, "2026-01-01 10:00:00", true},
        {SortColumn::date, std::string(41, '9') + "|" + uuid + ":7", true},
        {SortColumn::date, "a|b|c\n=\r\n\"'&<>%20+", true},
        {SortColumn::date, "", true},
        {SortColumn::cargo, "Ma\xC3\xAFs \xE2\x82\xAC \xF0\x9F\x9A\xA2", true},
        {SortColumn::cargo, std::string(kCarriedValue, 'x'), true},
        {SortColumn::cargo, std::string(kCarriedValue + 1, 'x'), false},
        {SortColumn::date, std::string(100000, '|'), false},
        {SortColumn::loaded, "-Infinity", true},
        {SortColumn::loaded, "-12.500", true},
    };
    for (const Case& c : cases) {
        SurveyLine line;
        line.name = {uuid, -42, std::nullopt};
        line.generation = 3;
        const std::string cursor = page_cursor(c.column, line, c.value);
        EXPECT_LE(cursor.size(), 460u);
        EXPECT_EQ(cursor.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
                  std::string::npos);
        const auto start = parse_page_cursor(PageStart::Direction::before, cursor);
        ASSERT_TRUE(start) << c.value.substr(0, 60);
        EXPECT_EQ(start->direction, PageStart::Direction::before);
        EXPECT_EQ(start->column, c.column);
        EXPECT_EQ(start->installation, uuid);
        EXPECT_EQ(start->opnameid, -42);
        EXPECT_EQ(start->generation, 3);
        EXPECT_EQ(start->value, c.carried ? std::optional<std::string>(c.value) : std::nullopt) << c.value.substr(0, 60);
    }
    SurveyLine line;
    line.name = {uuid, 7, std::nullopt};
    const std::string good = page_cursor(SortColumn::date, line, "2026");
    const auto forged = [](const std::string& payload) {
        static const char* const b64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
        std::string s;
        unsigned bits = 0;
        int held = 0;
        for (unsigned char ch : payload) {
            bits = (bits << 8) | ch;
            held += 8;
            while (held >= 6) s += b64[(bits >> (held -= 6)) & 63];
        }
        if (held) s += b64[(bits << (6 - held)) & 63];
        return s;
    };
    ASSERT_EQ(forged("date\n" + uuid + "\n7\n1\n=2026"), good);
    const std::string refused[] = {
        "",
        good + "!",
        good.substr(0, good.size() - 3) + "%3D",
        forged("date\nnot-a-uuid\n7\n1\n=2026"),
        forged("size\n" + uuid + "\n7\n1\n=2026"),
        forged("date\n" + uuid + "\n7x\n1\n=2026"),
        forged("date\n" + uuid + "\n7\n1\n?2026"),
        forged("date\n" + uuid + "\n7\n1\n"),
        forged("date\n" + uuid + "\n7\n1\n=\xC3("),          // not UTF-8
        forged("date\n" + uuid + "\n7\n1\n=a" + std::string(1, '\0') + "b"),  // NUL
        forged("date\n" + uuid + "\n7\n1\n=\xED\xA0\x80"),   // a surrogate
        forged("loaded\n" + uuid + "\n7\n1\n=1e5"),         // numeric's text has no exponent
        forged("loaded\n" + uuid + "\n7\n1\n=1; DROP"),
        forged("date\n" + uuid + "\n7\n1\n=" + std::string(kCarriedValue + 1, 'x')),
        std::string(2000, 'A'),
    };
    for (const std::string& cursor : refused) {
        EXPECT_FALSE(parse_page_cursor(PageStart::Direction::after, cursor)) << cursor.substr(0, 80);
    }
}

// What PostgreSQL may write for a number the database holds, read without error and without
// leaving the doubles: huge is infinite, tiny is zero, the sign kept.
TEST(WebNumbers, EveryValueTheDatabaseHoldsReads) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<std::string, double> cases[] = {
        {"Infinity", inf},
        {"-Infinity", -inf},
        {"1.7e+308", 1.7e308},
        {"1.79769313486232e+308", inf},  // float8's text of the largest double rounds beyond it
        {"4.94065645841247e-324", 4.94065645841247e-324},
        {"1e-400", 0.0},
        {std::string(400, '9') + ".000", inf},
        {"-" + std::string(400, '9'), -inf},
        {"0." + std::string(400, '0') + "1", 0.0},
        {"12.500", 12.5},
        {"-0", -0.0},
        {"", 0.0},
        {"garbage", 0.0},
    };
    for (const auto& [text, value] : cases) {
        const double v = parse_number(text);
        EXPECT_EQ(v, value) << text.substr(0, 40);
        EXPECT_EQ(std::signbit(v), std::signbit(value)) << text.substr(0, 40);
    }
    EXPECT_TRUE(std::isnan(parse_number("NaN")));
}

// Any value a chart is given draws a handful of grid lines in a few kilobytes, quickly: the values
// a barge could push (infinite, NaN, near the largest double, subnormal, negative zero).
TEST(WebCharts, AnyValueDrawsABoundedChart) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan(""),
                 most = std::numeric_limits<double>::max();
    const std::vector<std::vector<double>> sets = {
        {inf}, {-inf}, {nan}, {most}, {1.7e308, 1.7e308}, {most, 1}, {-0.0}, {4.9e-324}, {1e-300, 2e-300},
        {inf, nan, -inf, most, 12.5}, {0}, {}, {-5, -1}, {123.456, 99.9}};
    for (const auto& values : sets) {
        std::vector<Bar> bars;
        std::vector<Point> points;
        for (std::size_t i = 0; i < values.size(); ++i) {
            bars.push_back({"2026-" + std::to_string(i + 1), values[i]});
            points.push_back({static_cast<double>(i) * 10, values[i]});
        }
        const auto started = std::chrono::steady_clock::now();
        const std::string bar = bar_chart(bars, "t"), curve = curve_chart(points, "t", "x", "y");
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
        for (const std::string* svg : {&bar, &curve}) {
            EXPECT_LT(svg->size(), 20000u);
            std::size_t lines = 0;
            for (auto at = svg->find("class=\"grid\""); at != std::string::npos; at = svg->find("class=\"grid\"", at + 1)) ++lines;
            EXPECT_GE(lines, 2u);
            EXPECT_LE(lines, 7u);
            // Coordinates stay inside the drawing: no INF, NAN or 300-digit numbers in them.
            for (const char* attribute : {" y=\"", " height=\"", " points=\""}) {
                for (auto at = svg->find(attribute); at != std::string::npos; at = svg->find(attribute, at + 1)) {
                    const auto start = at + std::strlen(attribute);
                    const std::string v = svg->substr(start, svg->find('"', start) - start);
                    EXPECT_EQ(v.find_first_not_of("0123456789.-, "), std::string::npos) << v.substr(0, 40);
                    EXPECT_LT(v.find_first_of(" ,") == std::string::npos ? v.size() : v.find_first_of(" ,"), 12u) << v.substr(0, 40);
                }
            }
        }
        // The figure each bar stands for stays readable as it is.
        for (const Bar& b : bars) EXPECT_NE(bar.find("data-value=\"" + tonnes(b.value) + "\""), std::string::npos);
    }
}

// The office's CSV file narrowed to an installation or a ship number: the header always, a record
// with commas, quotes and line breaks in its texts stays whole.
TEST(WebCsv, NarrowedToAnInstallationOrAShipRecordByRecord) {
    const std::string a = "68a8c608-329b-484c-ac9a-18f4946fd129", b = "11111111-2222-3333-4444-555555555555";
    const std::string header = "\xEF\xBB\xBFInstallatie,SchipID,Opnameid,Lading\r\n";
    const std::string lines[] = {
        a + ",1,1,Tarwe\r\n",
        a + ",2,2,\"Mais,\r\n" + b + ",1,9,\"\"quoted\"\"\"\r\n",
        b + ",1,3,\"two\nlines\"\r\n",
        a + ",1,4,\r\n",
        b + ",2,5,x\r\n",
    };
    std::string file = header;
    for (const std::string& l : lines) file += l;
    struct Case {
        CsvNarrowing narrowing;
        std::vector<int> kept;
    };
    const Case cases[] = {
        {{a, std::nullopt}, {0, 1, 3}},
        {{b, std::nullopt}, {2, 4}},
        {{a, "1"}, {0, 3}},
        {{b, "1"}, {2}},
        {{"68A8C608-329B-484C-AC9A-18F4946FD129", "2"}, {1}},
        {{a, ""}, {}},
        {{std::nullopt, "1"}, {0, 2, 3}},
    };
    for (const Case& c : cases) {
        std::ostringstream out;
        long long passed = 0;
        {
            CsvRows rows(out, c.narrowing);
            std::ostream narrowed(&rows);
            // In pieces that cut records anywhere, as the writer's buffer does.
            for (std::size_t at = 0; at < file.size(); at += 7) narrowed << file.substr(at, 7);
            narrowed.flush();
            passed = rows.passed();
        }
        std::string expected = header;
        for (int k : c.kept) expected += lines[k];
        EXPECT_EQ(out.str(), expected);
        EXPECT_EQ(passed, static_cast<long long>(c.kept.size()));
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
    if (password != "right") throw fleet::LoginRefused("password authentication failed");
    return std::make_unique<fleet::PgConnection>(std::string("host=") + std::getenv("IJKEN_PG_SOCKET") +
                                                 " dbname=postgres user=" + user);
}

using Kind = LoginOutcome::Kind;

TEST(WebSessions, TokensEndWhenIdleAndTheOldestMakesRoom) {
    const std::string user = std::getenv("IJKEN_PG_USER");
    Sessions sessions(admin, {}, std::chrono::seconds(1), SessionCaps{2, 2, 4});
    const std::string a = sessions.login(user, "right", "192.0.2.1").token,
                      b = sessions.login(user, "right", "192.0.2.1").token;
    EXPECT_EQ(a.size(), 64u);
    EXPECT_NE(a, b);
    ASSERT_TRUE(sessions.find(a));
    EXPECT_EQ(sessions.find(a)->db->exec("SELECT current_user").text(0, 0), user);
    const std::string c = sessions.login(user, "right", "192.0.2.1").token;  // b was used longest ago
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

double seconds_until(Clock::time_point t) {
    return std::chrono::duration<double>(t - Clock::now()).count();
}

TEST(WebSessions, FailuresForOneNameAreSlowedAndAnotherNameIsNot) {
    const std::string user = std::getenv("IJKEN_PG_USER");
    Sessions sessions(admin);
    // A client that waits for each answer before it tries again, as a browser does.
    auto attempt = [&](const std::string& name, const char* password, Kind kind, double least, double most) {
        const auto start = Clock::now();
        const LoginOutcome o = sessions.login(name, password, "192.0.2.2");
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 0.5) << "login waited itself";
        EXPECT_EQ(o.kind, kind) << name << " " << password;
        const double wait = std::chrono::duration<double>(o.not_before - start).count();
        EXPECT_GE(wait, least) << name << " " << password;
        EXPECT_LT(wait, most) << name << " " << password;
        std::this_thread::sleep_until(o.not_before);
    };
    attempt(user, "wrong", Kind::refused, 0, 0.5);
    attempt(user, "wrong", Kind::refused, 1.0, 1.5);
    attempt("someone_else", "wrong", Kind::refused, 0, 0.5);
    attempt(user, "right", Kind::ok, 2.0, 2.5);
    attempt(user, "right", Kind::ok, 0, 0.5);
}

// The real thing: roles whose passwords PostgreSQL checks (scram-sha-256), and the administrator's
// own role, which the test cluster lets in on trust.
class PasswordLogins : public ::testing::Test {
  protected:
    static std::string conninfo(const std::string& db = "postgres") {
        return std::string("host=") + std::getenv("IJKEN_PG_SOCKET") + " dbname=" + db;
    }
    static void admin_sql(const std::string& sql) {
        fleet::PgConnection c(conninfo() + " user=" + std::getenv("IJKEN_PG_USER"));
        c.exec(sql);
    }
    static void SetUpTestSuite() {
        {
            std::ofstream hba(std::string(std::getenv("IJKEN_PG_SOCKET")) + "/data/pg_hba.conf");
            hba << "local all " << std::getenv("IJKEN_PG_USER") << " trust\nlocal all all scram-sha-256\n";
        }
        admin_sql("SELECT pg_reload_conf()");
        for (const char* role : {"web_anna", "web_bert", "web_carl", "web_dirk", "web_shut"}) {
            admin_sql(std::string("DROP ROLE IF EXISTS ") + role);
            admin_sql(std::string("CREATE ROLE ") + role + (std::string(role) == "web_shut" ? " NOLOGIN" : " LOGIN") +
                      " PASSWORD 'secret-" + role + "'");
        }
    }
    static Sessions::Connect connect_to(const std::string& info) {
        return [info](const std::string& user, const std::string& password) {
            return std::make_unique<fleet::PgConnection>(info, user, password);
        };
    }
    std::vector<std::string> log;
    Sessions::Log logger() {
        return [this](const std::string& line) { log.push_back(line); };
    }
    std::string logged() const {
        std::string all;
        for (const std::string& l : log) all += l + "\n";
        return all;
    }
};

TEST_F(PasswordLogins, OnlyALoginWhosePasswordTheServerCheckedGetsIn) {
    const std::string admin_role = std::getenv("IJKEN_PG_USER");
    struct Case {
        std::string user, password, conninfo;
        Kind kind;
        bool counted;        // the next attempt of that name is slowed
        std::string logged;  // in the server's log
    };
    const Case cases[] = {
        {"web_anna", "secret-web_anna", conninfo(), Kind::ok, false, ""},
        {"web_anna", "wrong", conninfo(), Kind::refused, true, "password authentication failed for user \"web_anna\""},
        {"nobody_at_all", "wrong", conninfo(), Kind::refused, true, "password authentication failed"},
        {"web_shut", "secret-web_shut", conninfo(), Kind::refused, true, "is not permitted to log in"},
        // trust (or peer) lets any password in: refused, and the log says what to change
        {admin_role, "anything", conninfo(), Kind::refused, true, fleet::kNoPasswordAsked},
        // no server there, or no such database: the office cannot be reached, nobody's fault
        {"web_anna", "secret-web_anna", "host=/nonexistent/ijken dbname=postgres connect_timeout=2", Kind::unreachable,
         false, "cannot connect to the office database"},
        {"web_anna", "secret-web_anna", conninfo("no_such_database"), Kind::unreachable, false,
         "database \"no_such_database\" does not exist"},
    };
    for (const Case& c : cases) {
        log.clear();
        Sessions sessions(connect_to(c.conninfo), logger());
        const LoginOutcome o = sessions.login(c.user, c.password, "192.0.2.3");
        EXPECT_EQ(o.kind, c.kind) << c.user << " " << c.conninfo;
        EXPECT_EQ(o.token.empty(), c.kind != Kind::ok);
        if (c.kind == Kind::ok) {
            EXPECT_EQ(sessions.find(o.token)->db->exec("SELECT session_user").text(0, 0), c.user);
        } else {
            EXPECT_NE(logged().find(c.logged), std::string::npos) << logged();
            EXPECT_NE(logged().find("\"" + c.user + "\""), std::string::npos) << logged();
        }
        EXPECT_EQ(logged().find(c.password), std::string::npos) << "the password is in the log: " << logged();
        std::this_thread::sleep_until(o.not_before);
        const LoginOutcome next = sessions.login(c.user, "again", "192.0.2.3");
        EXPECT_EQ(seconds_until(next.not_before) > 0.5, c.counted) << c.user << " " << c.conninfo;
    }
    // The libpq call itself: the same refusal without the sessions around it.
    try {
        fleet::PgConnection c(conninfo(), admin_role, "anything");
        ADD_FAILURE() << "a login on trust got in";
    } catch (const fleet::LoginRefused& e) {
        EXPECT_STREQ(e.what(), fleet::kNoPasswordAsked);
    }
}

TEST_F(PasswordLogins, SprayingIsSlowedPerAddressAndAttemptsSideBySideAreNotChecked) {
    int connects = 0;
    Sessions sessions(
        [&](const std::string& user, const std::string& password) {
            ++connects;
            return std::make_unique<fleet::PgConnection>(conninfo(), user, password);
        },
        logger());
    // Five names fail from one address without a wait, the sixth is answered a second later.
    for (int i = 0; i < 6; ++i) {
        const LoginOutcome o = sessions.login("sprayed_" + std::to_string(i), "Summer2026!", "198.51.100.7");
        EXPECT_EQ(o.kind, Kind::refused);
        EXPECT_EQ(seconds_until(o.not_before) > 0.5, i == 5) << i;
    }
    EXPECT_EQ(connects, 6);
    // While that answer is due, that address's next attempt is not put to the server, even with a
    // right password, and is answered later still; the same goes for another address of its /64.
    for (const char* address : {"198.51.100.7", "::ffff:198.51.100.7"}) {
        const LoginOutcome o = sessions.login("web_bert", "secret-web_bert", address);
        EXPECT_EQ(o.kind, Kind::refused) << address;
        EXPECT_GT(seconds_until(o.not_before), 1.5) << address;
    }
    for (int i = 0; i < 6; ++i) {
        sessions.login("sprayed_" + std::to_string(i), "x", "2001:db8:1:2::" + std::to_string(i));
    }
    const LoginOutcome same_64 = sessions.login("web_bert", "secret-web_bert", "2001:db8:1:2:ffff::1");
    EXPECT_EQ(same_64.kind, Kind::refused);
    EXPECT_EQ(connects, 12);
    // Another address is not slowed, and a right password gets in there.
    const LoginOutcome elsewhere = sessions.login("web_bert", "secret-web_bert", "203.0.113.9");
    EXPECT_EQ(elsewhere.kind, Kind::ok);
    EXPECT_LT(seconds_until(elsewhere.not_before), 0.5);
    EXPECT_EQ(connects, 13);
    const std::pair<const char*, const char*> keys[] = {
        {"192.0.2.1", "192.0.2.1"},          {"::ffff:192.0.2.1", "192.0.2.1"}, {"2001:db8::1", "2001:db8::/64"},
        {"2001:db8:0:0:ffff::2", "2001:db8::/64"}, {"not an address", "not an address"}};
    for (const auto& [address, key] : keys) EXPECT_EQ(address_key(address), key) << address;
}

TEST_F(PasswordLogins, SessionsAreCappedPerRoleAndInAllAndTheEndedAreTold) {
    Sessions sessions(connect_to(conninfo()), logger(), std::chrono::minutes(30), SessionCaps{2, 3, 4});
    auto login = [&](const char* role) {
        const LoginOutcome o = sessions.login(role, std::string("secret-") + role, "192.0.2.4");
        EXPECT_EQ(o.kind, Kind::ok) << role;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // distinct times of last use
        return o.token;
    };
    const std::string a1 = login("web_anna"), a2 = login("web_anna");
    ASSERT_TRUE(sessions.find(a1));  // a1 is now the one used last
    const std::string a3 = login("web_anna");
    EXPECT_FALSE(sessions.find(a2));
    EXPECT_TRUE(sessions.find(a1));
    EXPECT_EQ(sessions.ended(a2), EndReason::crowded);
    EXPECT_EQ(sessions.ended(a2), std::nullopt);  // said once
    const std::string b1 = login("web_bert");      // three in all now
    const std::string c1 = login("web_carl");      // the one unused longest of all makes room: a3
    EXPECT_EQ(sessions.count(), 3u);
    EXPECT_FALSE(sessions.find(a3));
    EXPECT_EQ(sessions.ended(a3), EndReason::crowded);
    for (const std::string& t : {a1, b1, c1}) EXPECT_TRUE(sessions.find(t));
    EXPECT_NE(logged().find("session of \"web_anna\" ended"), std::string::npos) << logged();
    // The connections of ended sessions are closed: only three remain open for these roles.
    fleet::PgConnection admin_connection(conninfo() + " user=" + std::getenv("IJKEN_PG_USER"));
    EXPECT_EQ(admin_connection.exec("SELECT count(*) FROM pg_stat_activity WHERE usename LIKE 'web\\_%'").text(0, 0),
              "3");
    EXPECT_EQ(sessions.ended(a1), std::nullopt);  // a live session has not ended
}

TEST(WebSessions, TheCapsLeaveMostOfPostgresToOthers) {
    struct Case {
        long long max_connections, reserved;
        std::size_t per_role, total, connecting;
    };
    const Case cases[] = {
        {100, 3, 8, 44, 4},    // Debian's default
        {64, 3, 8, 26, 4},     // the test cluster
        {10, 3, 2, 2, 1},      // a tiny server still lets someone in
        {1, 0, 1, 1, 1},
        {10000, 3, 8, 200, 4},  // never more than 200
    };
    for (const Case& c : cases) {
        const SessionCaps caps = caps_for_server(c.max_connections, c.reserved);
        EXPECT_EQ(caps.per_role, c.per_role) << c.max_connections;
        EXPECT_EQ(caps.total, c.total) << c.max_connections;
        EXPECT_EQ(caps.connecting, c.connecting) << c.max_connections;
        EXPECT_LE(caps.total + caps.connecting, std::max<long long>(2, (c.max_connections - c.reserved) / 2));
    }
}

TEST_F(PasswordLogins, AFallenConnectionOrADroppedRoleEndsTheSession) {
    Sessions sessions(connect_to(conninfo()), logger());
    const std::string lost = sessions.login("web_carl", "secret-web_carl", "192.0.2.5").token;
    const std::string gone = sessions.login("web_dirk", "secret-web_dirk", "192.0.2.5").token;
    const std::string kept = sessions.login("web_anna", "secret-web_anna", "192.0.2.5").token;
    ASSERT_FALSE(lost.empty() || gone.empty() || kept.empty());
    admin_sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = 'web_carl'");
    admin_sql("DROP ROLE web_dirk");
    // A connection the server ended is seen before the next request runs on it; a dropped role once a
    // request failed (or at the next look at the role, every 10 seconds).
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    {
        const std::shared_ptr<Session> s = sessions.find(lost);
        ASSERT_TRUE(s);
        std::lock_guard<std::mutex> lock(s->mutex);
        EXPECT_EQ(sessions.check(*s), EndReason::lost);
    }
    {
        const std::shared_ptr<Session> s = sessions.find(gone);
        ASSERT_TRUE(s);
        std::lock_guard<std::mutex> lock(s->mutex);
        EXPECT_EQ(sessions.check(*s), std::nullopt);
        EXPECT_THROW(s->db->exec("SELECT has_database_privilege(session_user, 'postgres', 'CONNECT')"),
                     fleet::FleetError);
        EXPECT_EQ(sessions.check_after_failure(*s), EndReason::role_gone);
    }
    for (const auto& [token, why] :
         {std::pair{lost, EndReason::lost}, std::pair{gone, EndReason::role_gone}}) {
        EXPECT_FALSE(sessions.find(token));
        EXPECT_EQ(sessions.ended(token), why);
    }
    const std::shared_ptr<Session> s = sessions.find(kept);
    ASSERT_TRUE(s);
    std::lock_guard<std::mutex> lock(s->mutex);
    EXPECT_EQ(sessions.check_after_failure(*s), std::nullopt);
    EXPECT_TRUE(sessions.find(kept));
    admin_sql("CREATE ROLE web_dirk LOGIN PASSWORD 'secret-web_dirk'");
}

}  // namespace
}  // namespace ijken::web
