// The fleet office against a real PostgreSQL server (started by with_postgres.sh): pushes from
// barges' databases, the office's commands, the roles' limits, and pushes killed half-way.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <thread>

#include "fleet_support.h"

namespace ijken::fleet {
namespace {

TEST(Fleet, FirstPushCreatesTheTablesAndARepeatedPushChangesNothing) {
    const std::string db = fresh_database();
    Barge barge;
    const Outcome first = barge.push(conninfo(db));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("5 ships and 3 surveys"), std::string::npos) << first.out;
    EXPECT_EQ(rows(db, "SELECT version FROM ijken.schema_version"), std::vector<std::string>{std::to_string(kSchemaVersion)});
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.gauge_rows WHERE valid_until IS NULL"),
              std::vector<std::string>{barge.count("IJKtable")});
    EXPECT_EQ(barge.count("FleetInstallation"), "1");
    const std::string before = central_state(db);
    const auto times = rows(db, "SELECT pushed_at FROM ijken.surveys UNION ALL SELECT valid_from FROM ijken.gauge_rows");
    const Outcome again = barge.push(conninfo(db));
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("(0 surveys new or changed, 0 marked deleted, 0 gauge tables"), std::string::npos);
    EXPECT_EQ(central_state(db), before);
    EXPECT_EQ(rows(db, "SELECT pushed_at FROM ijken.surveys UNION ALL SELECT valid_from FROM ijken.gauge_rows"), times);
}

TEST(Fleet, ChangedAndDeletedSurveysAndAReplacedTableKeepTheirHistory) {
    const std::string db = fresh_database();
    Barge barge;
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    const auto old_cells = rows(db, "SELECT e32 FROM ijken.surveys WHERE opnameid = 1");
    barge.sql("UPDATE IJkOpnames SET BBV_1 = '180', Lading = 'Ma\xEFs' WHERE Opnameid = 1");
    barge.sql("DELETE FROM IJkOpnames WHERE Opnameid = 2");
    barge.sql("UPDATE IJKtable SET Tonnage = Tonnage + 1 WHERE SchipID = 1 AND Inzinking > 100");
    const Outcome o = barge.push(conninfo(db));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("(2 surveys new or changed, 1 marked deleted, 1 gauge table new or replaced)"),
              std::string::npos) << o.out;
    EXPECT_EQ(rows(db, "SELECT opnameid, deleted_at IS NULL FROM ijken.surveys ORDER BY 1"),
              (std::vector<std::string>{"1|t", "2|f", "3|t"}));
    EXPECT_EQ(rows(db, "SELECT lading FROM ijken.surveys WHERE opnameid = 1"), std::vector<std::string>{"Maïs"});
    EXPECT_EQ(rows(db, "SELECT e32 FROM ijken.survey_versions WHERE opnameid = 1"), old_cells);
    // The old table closes where the new one starts; each is whole.
    EXPECT_EQ(rows(db, "SELECT count(DISTINCT valid_from), count(*) FILTER (WHERE valid_until IS NULL),"
                       " count(*) FILTER (WHERE valid_until IS NOT NULL), bool_and(valid_until IS NULL OR"
                       " valid_until IN (SELECT valid_from FROM ijken.gauge_rows)) FROM ijken.gauge_rows"),
              std::vector<std::string>{"2|" + barge.count("IJKtable") + "|" + barge.count("IJKtable") + "|t"});
    // The office's list holds exactly what the barge's export computes.
    ASSERT_EQ(barge.run("export --db '" + barge.dir.db_path() + "' --ship 1 --output b.csv").status, 0);
    ASSERT_EQ(barge.run("office surveys --from '" + conninfo(db) + "' --output o.csv").status, 0);
    std::string office = read_file(barge.dir.path() / "o.csv");
    office = std::regex_replace(office, std::regex("(^|\n)(\xEF\xBB\xBF)?[^,\n]*,[^,\n]*,"), "$1$2");
    EXPECT_EQ(office, read_file(barge.dir.path() / "b.csv"));
}

TEST(Fleet, TwoInstallationsWithTheSameShipStaySeparate) {
    const std::string db = fresh_database();
    Barge a, b;
    b.sql("UPDATE IJkOpnames SET Verlader_Naam = 'Barge B'");
    ASSERT_EQ(a.push(conninfo(db)).status, 0);
    ASSERT_EQ(b.push(conninfo(db)).status, 0);
    EXPECT_NE(a.installation(), b.installation());
    EXPECT_EQ(rows(db, "SELECT count(*), count(DISTINCT installation) FROM ijken.surveys"),
              std::vector<std::string>{"6|2"});
    const Outcome o = a.run("office surveys --from '" + conninfo(db) +
                            "' --ship 'Dummy 1' --since 2000-01-01 --until 2999-12-31 --output o.csv");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string csv = read_file(a.dir.path() / "o.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
    for (Barge* barge : {&a, &b}) {
        std::size_t lines = 0;
        for (std::size_t at = 0; (at = csv.find("\n" + barge->installation() + ",1,", at)) != std::string::npos; ++at)
            ++lines;
        EXPECT_EQ(lines, 3u);
    }
    EXPECT_EQ(std::regex_replace(csv, std::regex("[^\n]*" + b.installation() + "[^\n]*Barge B[^\n]*\n"), "")
                  .find("Barge B"), std::string::npos);
}

TEST(Fleet, BadConnectionsAndForeignDatabasesChangeNothing) {
    const std::string foreign = fresh_database(), newer = fresh_database();
    rows(foreign, "CREATE TABLE invoices (id integer)");
    Barge setup;
    ASSERT_EQ(setup.push(conninfo(newer)).status, 0);
    rows(newer, "UPDATE ijken.schema_version SET version = 99");
    struct Case {
        std::string to;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"host=/nonexistent dbname=x", 1, "ijken push: cannot connect to the office database: "},
        {conninfo("no_such_database"), 1, "ijken push: cannot connect to the office database: "},
        {"nonsense", 2, "ijken push: invalid connection string: "},
        {"postgresql://[::1", 2, "ijken push: invalid connection string: "},
        {"unknownkeyword=1", 2, "ijken push: invalid connection string: "},
        {"", 2, "ijken push: --to needs a value"},
        {conninfo(foreign), 1, "ijken push: the office database holds another program's tables (public.invoices)"},
        {conninfo(newer), 1, "ijken push: the office database has version 99 of the fleet tables, newer than"},
    };
    for (const Case& c : cases) {
        Barge barge;
        const std::string before = read_file(barge.dir.db_path());
        const Outcome o = barge.push(c.to);
        EXPECT_EQ(o.status, c.status) << c.to;
        EXPECT_EQ(o.err.rfind(c.message, 0), 0u) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_EQ(read_file(barge.dir.db_path()), before) << c.to;
        const Outcome office = barge.run("office surveys --from '" + c.to + "' --output o.csv");
        EXPECT_NE(office.status, 0);
        EXPECT_FALSE(std::filesystem::exists(barge.dir.path() / "o.csv"));
    }
    EXPECT_EQ(rows(foreign, "SELECT count(*) FROM pg_namespace WHERE nspname = 'ijken'"), std::vector<std::string>{"0"});
    EXPECT_EQ(rows(newer, "SELECT count(*) FROM ijken.installations"), std::vector<std::string>{"1"});
}

// libpq is loaded at the first connection: without it (or with a library that is not libpq) a push
// says so and leaves the barge's database as it was.
TEST(Fleet, AMissingClientLibraryIsReportedAndChangesNothing) {
    Barge barge;
    const std::string before = read_file(barge.dir.db_path());
    const std::pair<std::string, std::string> cases[] = {
        {"libpq-missing.so.0",
         "the PostgreSQL client library libpq-missing.so.0 is not installed (Debian package libpq5)"},
        {"libsqlite3.so.0", "the PostgreSQL client library libsqlite3.so.0 lacks PQclear"},
    };
    for (const auto& [file, message] : cases) {
        set_client_library_file(file);
        try {
            push(barge.dir.db_path(), conninfo("postgres"));
            ADD_FAILURE() << file << " was taken for libpq";
        } catch (const FleetError& e) {
            EXPECT_EQ(e.what(), message);
            EXPECT_EQ(e.exit_status(), 1);
        }
    }
    set_client_library_file("libpq.so.5");
    EXPECT_EQ(read_file(barge.dir.db_path()), before);
    EXPECT_EQ(rows("postgres", "SELECT 1"), std::vector<std::string>{"1"});
}


TEST(Fleet, ABargeRoleReachesOnlyItsOwnRowsAndTheOfficeOnlyReads) {
    const std::string db = fresh_database();
    ASSERT_EQ(Barge().run("office init --to '" + conninfo(db) + "'").status, 0);
    rows(db, readme_roles_sql());
    rows(db, "CREATE ROLE barge_a LOGIN IN ROLE ijken_barge; CREATE ROLE barge_b LOGIN IN ROLE ijken_barge;"
             " CREATE ROLE office LOGIN IN ROLE ijken_office");
    Barge a, b;
    ASSERT_EQ(a.push(conninfo(db, "barge_a")).status, 0);
    ASSERT_EQ(b.push(conninfo(db, "barge_b")).status, 0);
    const std::string ia = "'" + a.installation() + "'";
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys", "barge_b"), std::vector<std::string>{"3"});
    EXPECT_EQ(rows(db, "UPDATE ijken.surveys SET lading = 'x' WHERE installation = " + ia, "barge_b"),
              std::vector<std::string>{});
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys WHERE lading = 'x'"), std::vector<std::string>{"0"});
    for (const std::string& forbidden :
         {"INSERT INTO ijken.ships (installation, schipid, pushed_at) VALUES (" + ia + ", 99, now())",
          std::string("DELETE FROM ijken.surveys")}) {
        EXPECT_THROW(rows(db, forbidden, "barge_b"), FleetError) << forbidden;
    }
    // Barge b's role pushing a's database is refused, and nothing of a's changes.
    const std::string before = central_state(db);
    const Outcome stolen = a.push(conninfo(db, "barge_b"));
    EXPECT_EQ(stolen.status, 1);
    EXPECT_NE(stolen.err.find("belongs to another role"), std::string::npos) << stolen.err;
    EXPECT_EQ(central_state(db), before);
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys", "office"), std::vector<std::string>{"6"});
    EXPECT_THROW(rows(db, "UPDATE ijken.surveys SET lading = 'x'", "office"), FleetError);
    EXPECT_EQ(a.run("office surveys --from '" + conninfo(db, "office") + "' --output o.csv").status, 0);
}

TEST(Fleet, TheOfficeReportIsTheBargesReport) {
    const std::string db = fresh_database();
    Barge barge;
    barge.sql("UPDATE IJkOpnames SET Verlader_Naam = 'Société Générale', ZoutCorrectie = 1.0125 WHERE Opnameid = 2");
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    for (int survey : {1, 2, 3}) {
        const std::string id = std::to_string(survey);
        ASSERT_EQ(barge.run("report --db '" + barge.dir.db_path() + "' --survey " + id + " --output b.pdf").status, 0);
        const Outcome o = barge.run("office report --from '" + conninfo(db) + "' --survey " + barge.installation() +
                                    ":" + id + " --output o.pdf");
        ASSERT_EQ(o.status, 0) << o.err;
        const std::regex date(R"(/ModDate \(D:\d{14}\))");
        EXPECT_EQ(std::regex_replace(read_file(barge.dir.path() / "o.pdf"), date, ""),
                  std::regex_replace(read_file(barge.dir.path() / "b.pdf"), date, ""));
    }
    const Outcome missing = barge.run("office report --from '" + conninfo(db) + "' --survey " +
                                      barge.installation() + ":77 --output m.pdf");
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(std::filesystem::exists(barge.dir.path() / "m.pdf"));
}

// Where two texts part, for a message.
std::string first_difference(const std::string& a, const std::string& b) {
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    const auto line = a.rfind('\n', static_cast<std::size_t>(at)) + 1;
    return a.substr(line, 300) + "\ninstead of\n" + b.substr(line, 300);
}

// A push killed at random moments leaves the office with the state before it or after it.
TEST(Fleet, APushKilledHalfWayLeavesTheOldStateOrTheNew) {
    const std::string db = fresh_database();
    Barge barge;
    for (int i = 0; i < 400; ++i) {
        barge.sql("INSERT INTO IJkOpnames (Schipid, BBL_1, SBL_1, BBV_1, SBV_1) VALUES (1, '60', '61', '" +
                  std::to_string(150 + i % 90) + "', '151')");
    }
    // Two states of the barge, told apart by every survey and the gauge table.
    auto make_state = [&](int k) {
        barge.sql("UPDATE IJkOpnames SET Lading = 'state " + std::to_string(k) + "'");
        barge.sql("UPDATE IJKtable SET Tonnage = " + std::to_string(k) + " WHERE SchipID = 1 AND Inzinking = 0");
    };
    std::string states[2];
    for (int k : {0, 1}) {
        make_state(k);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(barge.push(conninfo(db)).status, 0);
        states[k] = central_state(db, false);
        std::printf("push %d: %.0f ms\n", k,
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::mt19937 random(std::random_device{}());
    const std::string db_path = barge.dir.db_path(), to = conninfo(db);
    for (int kill = 0; kill < 6; ++kill) {
        make_state(kill % 2);
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execl(IJKEN_BINARY, IJKEN_BINARY, "push", "--db", db_path.c_str(), "--to", to.c_str(), nullptr);
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<>(50, 700)(random)));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        // The server ends the dead client's transaction; wait until it has.
        while (rows(db, "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database()"
                        " AND pid <> pg_backend_pid() AND backend_type = 'client backend'") != std::vector<std::string>{"0"}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const std::string now = central_state(db, false);
        EXPECT_TRUE(now == states[0] || now == states[1]) << "after kill " << kill << ":\n" << first_difference(now, states[kill % 2]);
    }
}

}  // namespace
}  // namespace ijken::fleet
