// The office server's pieces below HTTP: the texts a request picks, escaping, the keys in links,
// and the sessions (idle end, the most kept, slowed failures) against a real PostgreSQL started by
// with_postgres.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "web/html.h"
#include "web/office_reads.h"
#include "web/server.h"
#include "web/sessions.h"
#include "web/texts.h"

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
    EXPECT_TRUE(parse_page_start(PageStart::Direction::older_than, "2026-01-01 10:00:00|" + uuid + ":7"));
    EXPECT_FALSE(parse_page_start(PageStart::Direction::older_than, "2026-01-01 10:00:00" + uuid + ":7"));
    EXPECT_EQ(parse_listen("127.0.0.1:8080"), (std::pair<std::string, int>{"127.0.0.1", 8080}));
    EXPECT_EQ(parse_listen("[::1]:0"), (std::pair<std::string, int>{"::1", 0}));
    for (const char* bad : {"8080", ":8080", "host:", "host:99999", "host:-1", "[::1:80"}) {
        EXPECT_THROW(parse_listen(bad), fleet::FleetError) << bad;
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
