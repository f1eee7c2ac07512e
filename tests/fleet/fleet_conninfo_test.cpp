// Connection strings as libpq reads them (passwords found and masked in every spelling, values
// libpq refuses or accepts) and the office list's date filters at their edges, against the real
// server that with_postgres.sh started.
#include <gtest/gtest.h>

#include "fleet/conninfo.h"
#include "fleet_support.h"

namespace ijken::fleet {
namespace {

// The text as one word of the shell, whatever quotes it holds.
std::string shell_word(const std::string& text) {
    std::string s = "'";
    for (char c : text) s += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return s + "'";
}

TEST(FleetConninfo, EverySpellingOfAPasswordIsFoundAndMasked) {
    struct Case {
        std::string conninfo, message, masked;
    };
    const Case cases[] = {
        // libpq decodes a URI's keys: %70assword and pass%77ord are "password".
        {"postgresql://u@h/db?%70assword=S3cretPW%zz", "invalid percent-encoded token: \"S3cretPW%zz\"",
         "invalid percent-encoded token: \"***\""},
        {"postgresql://u@h/db?pass%77ord=S3cretPW", "saw S3cretPW", "saw ***"},
        {"postgresql://u@h/db?%70%61ssword=S3cret%50W&sslmode=require", "S3cretPW or S3cret%50W", "*** or ***"},
        {"postgresql://u:S3cretPW@h/db?sslmode=require", "at u:S3cretPW@h", "at u:***@h"},
        // A keyword right after a quoted value, without a blank.
        {"host='127.0.0.1'password=S3cretPW", "S3cretPW!", "***!"},
        {"host='127.0.0.1'password='S3 cretPW' dbname=x", "S3 cretPW", "***"},
        {"host=h PASSWORD=S3cretPW", "S3cretPW", "***"},
        {"postgresql://u:S3cr?tPW@h/db", "S3cr?tPW", "***"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(holds_password(c.conninfo)) << c.conninfo;
        EXPECT_EQ(mask_passwords(c.message, c.conninfo), c.masked) << c.conninfo;
    }
    for (const std::string clean : {"host=h user=password dbname=mypassword", "postgresql://u@h/db?user=password",
                                    "host=h password=", "service=vloot"}) {
        EXPECT_FALSE(holds_password(clean)) << clean;
    }
}

TEST(FleetConninfo, ValuesAreRefusedAndAcceptedAsLibpqDoes) {
    struct Case {
        std::vector<std::string> to;  // the arguments after --to, as the shell passes them
        int status;
        std::string message;
    };
    const std::string socket = std::string("host=") + std::getenv("IJKEN_PG_SOCKET");
    const Case cases[] = {
        {{"hostaddr=notanip"}, 2, "invalid connection string: hostaddr \"notanip\" is not an IP address"},
        {{"hostaddr=127.0.0.1,10.0.0.300"}, 2, "invalid connection string: hostaddr \"10.0.0.300\""},
        {{"host=a,b port=1,2,3"}, 2, "invalid connection string: 3 port numbers do not match 2 hosts"},
        {{"host=a,b,c hostaddr=127.0.0.1,::1"}, 2, "invalid connection string: 3 host names do not match 2"},
        {{"postgresql://u@h/db?%70assword=S3cretPW%zz"}, 2, "invalid connection string: "},
        // Accepted as libpq accepts them: the push then fails to connect (1), not on the string (2).
        {{"host=/nonexistent port=' 56000'"}, 1, "cannot connect to the office database"},
        {{"host=/nonexistent port=+56000 connect_timeout=' 5 '"}, 1, "cannot connect to the office database"},
        {{"host=/nonexistent,/nowhere port=56000"}, 1, "cannot connect to the office database"},
        // An unquoted connection string: its pieces are never repeated.
        {{"host=/nonexistent", "password=S3cretPW"}, 2, "unknown argument (not repeated"},
        {{"host=/nonexistent", "postgresql://u:S3cretPW@h/db"}, 2, "unknown argument (not repeated"},
    };
    for (const Case& c : cases) {
        Barge barge;
        std::string args = "push --db '" + barge.dir.db_path() + "' --to";
        for (const std::string& a : c.to) args += " " + shell_word(a);
        const Outcome o = barge.run(args);
        EXPECT_EQ(o.status, c.status) << args << ": " << o.err;
        EXPECT_EQ(o.err.rfind("ijken push: " + c.message, 0), 0u) << o.err;
        EXPECT_EQ(o.err.find("S3cret"), std::string::npos) << o.err;
    }
    // The accepted string really connects when it names the server.
    Barge barge;
    const std::string db = fresh_database();
    const Outcome o = barge.run("push --db '" + barge.dir.db_path() + "' --to " +
                                shell_word(socket + " port=' 5432' dbname=" + db + " user=" + std::getenv("IJKEN_PG_USER")));
    EXPECT_EQ(o.status, 0) << o.err;
}

TEST(FleetConninfo, CommandsRefuseAStrayPieceAndAMalformedServeAtOnce) {
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"office serve --from 'hostaddr=notanip' --listen 127.0.0.1:0",
         "ijken office serve: invalid connection string: hostaddr \"notanip\""},
        {"office serve --from 'port=abc' --listen 127.0.0.1:0", "ijken office serve: invalid connection string: port"},
        {"office surveys --from 'dbname=x' password=S3cretPW --output o.csv",
         "ijken office surveys: unknown argument (not repeated"},
        {"office password=S3cretPW", "ijken office (unknown): unknown command (not repeated"},
        {"password=S3cretPW", "ijken: unknown command or option (not repeated"},
    };
    for (const Case& c : cases) {
        Barge barge;
        const Outcome o = barge.run(c.args);
        EXPECT_EQ(o.status, 2) << c.args << ": " << o.err;
        EXPECT_EQ(o.err.rfind(c.message, 0), 0u) << o.err;
        EXPECT_EQ(o.err.find("S3cret"), std::string::npos) << o.err;
        EXPECT_EQ(o.out.find("listening"), std::string::npos) << o.out;
    }
}

TEST(FleetConninfo, DateFiltersKeepSurveysTheyCannotPlace) {
    const std::string db = fresh_database();
    Barge barge;
    // 1: a day; 2: none; 3: another form; 4: empty; 5: a month that is none.
    barge.sql("INSERT INTO IJkOpnames (Schipid) VALUES (1), (1)");
    barge.sql("UPDATE IJkOpnames SET InvoerDatum = CASE Opnameid WHEN 1 THEN '2024-03-05 10:00:00' WHEN 2 THEN NULL"
              " WHEN 3 THEN '05-03-2024 10:00' WHEN 4 THEN '' ELSE '2024-13-01' END");
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    struct Case {
        std::string filter, ids, summary;
    };
    const std::string kept = " (4 of them without a readable entry date, which --since and --until keep)";
    const Case cases[] = {
        {"", "1 2 3 4 5", ""},
        {"--until 9999-12-31", "1 2 3 4 5", kept},
        {"--since 0001-01-01", "1 2 3 4 5", kept},
        {"--since 2024-03-06", "2 3 4 5", kept},
        {"--since 2024-03-05 --until 2024-03-05", "1 2 3 4 5", kept},
        {"--until 2024-03-04 --ship 'Dummy 1'", "2 3 4 5", kept},
    };
    for (const Case& c : cases) {
        const Outcome o = barge.run("office surveys --from '" + conninfo(db) + "' --output o.csv " + c.filter);
        ASSERT_EQ(o.status, 0) << o.err;
        std::vector<long> ids;
        const std::string csv = read_file(barge.dir.path() / "o.csv");
        const std::regex third("\n[^,\n]*,[^,\n]*,([^,\n]*)");
        for (std::sregex_iterator m(csv.begin(), csv.end(), third), end; m != end; ++m) ids.push_back(std::stol((*m)[1]));
        std::sort(ids.begin(), ids.end());
        std::string listed;
        for (long id : ids) listed += (listed.empty() ? "" : " ") + std::to_string(id);
        EXPECT_EQ(listed, c.ids) << c.filter;
        const std::string n = std::to_string(ids.size());
        EXPECT_EQ(o.out, "ijken office surveys: " + n + " surveys written to o.csv" + c.summary + "\n") << c.filter;
    }
}

}  // namespace
}  // namespace ijken::fleet
