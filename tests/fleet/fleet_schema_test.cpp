// The office's tables against a real PostgreSQL server: who an installation belongs to when roles
// are renamed or dropped, the office's names for barges, offices made by earlier versions brought
// up to date with the README's roles, and creators that meet.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "fleet/central_schema.h"
#include "fleet/installation.h"
#include "fleet_support.h"

namespace ijken::fleet {
namespace {

// Roles belong to the whole server, which every test shares: each test's group roles get a
// name of their own (ijken_barge_SUFFIX, ijken_office_SUFFIX).
std::string with_groups(std::string sql, const std::string& suffix) {
    for (const std::string group : {"ijken_barge", "ijken_office"}) {
        for (std::size_t at = 0; (at = sql.find(group, at)) != std::string::npos; at += group.size() + suffix.size()) {
            sql.insert(at + group.size(), suffix);
        }
    }
    return sql;
}

// The README's SQL for the roles, as an office would run it.
std::string readme_roles(const std::string& suffix) { return with_groups(readme_roles_sql(), suffix); }


// An office made by today's init with the README's roles and the login roles `logins` makes
// (in ijken_barge or ijken_office, which get the suffix).
std::string office_with_roles(Barge& admin, const std::string& suffix, const std::string& logins) {
    const std::string db = fresh_database();
    EXPECT_EQ(admin.run("office init --to '" + conninfo(db) + "'").status, 0);
    rows(db, readme_roles(suffix));
    rows(db, with_groups(logins, suffix));
    return db;
}

std::string list_as(Barge& barge, const std::string& db, const std::string& role) {
    const Outcome o = barge.run("office surveys --from '" + conninfo(db, role) + "' --output l.csv");
    EXPECT_EQ(o.status, 0) << o.err;
    return o.out;
}

TEST(FleetSchema, ARenamedRoleKeepsItsBargeAndANewRoleUnderTheOldNameGetsNothing) {
    Barge anna;
    const std::string db =
        office_with_roles(anna, "_r", "CREATE ROLE r_anna LOGIN IN ROLE ijken_barge; CREATE ROLE r_jan LOGIN IN ROLE ijken_office");
    ASSERT_EQ(anna.push(conninfo(db, "r_anna")).status, 0);
    const std::string id = anna.installation();
    rows("postgres", "ALTER ROLE r_anna RENAME TO r_anna_old");
    rows("postgres", "CREATE ROLE r_anna LOGIN IN ROLE ijken_barge_r");

    // The renamed role: its rows, a push that changes something, and its name in the view.
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys", "r_anna_old"), std::vector<std::string>{"3"});
    anna.sql("UPDATE IJkOpnames SET Lading = 'Gerst' WHERE Opnameid = 1");
    const Outcome renamed = anna.push(conninfo(db, "r_anna_old"));
    ASSERT_EQ(renamed.status, 0) << renamed.err;
    EXPECT_NE(renamed.out.find("(1 survey new or changed"), std::string::npos) << renamed.out;
    EXPECT_NE(list_as(anna, db, "r_anna_old").find("3 surveys"), std::string::npos);
    EXPECT_EQ(rows(db, "SELECT installation, name FROM ijken.barges", "r_jan"),
              std::vector<std::string>{id + "|r_anna_old"});

    // The new role of the old name: nothing through any table or the view, the office's list
    // read as it is empty, and pushing the old barge's database is refused with nothing changed.
    for (const char* table : {"installations", "ships", "ship_versions", "gauge_rows", "surveys", "survey_versions",
                              "barges"}) {
        EXPECT_EQ(rows(db, std::string("SELECT count(*) FROM ijken.") + table, "r_anna"),
                  std::vector<std::string>{"0"})
            << table;
    }
    EXPECT_NE(list_as(anna, db, "r_anna").find(": 0 surveys"), std::string::npos);
    const std::string before = central_state(db);
    const Outcome stolen = anna.push(conninfo(db, "r_anna"));
    EXPECT_EQ(stolen.status, 1);
    EXPECT_NE(stolen.err.find("belongs to another role"), std::string::npos) << stolen.err;
    EXPECT_EQ(central_state(db), before);
    // Not even by writing the table directly: the rows stay the old role's.
    EXPECT_THROW(rows(db, "UPDATE ijken.installations SET role_oid = (SELECT oid FROM pg_roles WHERE"
                          " rolname = 'r_anna')", "r_anna_old"),
                 FleetError);
    EXPECT_THROW(rows(db, "INSERT INTO ijken.installations (installation, role_oid) VALUES (gen_random_uuid(),"
                          " (SELECT oid FROM pg_roles WHERE rolname = 'r_anna_old')) RETURNING role_oid", "r_anna"),
                 FleetError);

    // Dropped: the rows stay, the office still reads them, and the view keeps the last name.
    rows("postgres", "DROP ROLE r_anna_old");
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys", "r_jan"), std::vector<std::string>{"3"});
    EXPECT_EQ(rows(db, "SELECT name FROM ijken.barges", "r_jan"), std::vector<std::string>{"r_anna"});
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys", "r_anna"), std::vector<std::string>{"0"});
}

TEST(FleetSchema, TheOfficeNamesBargesAndTheBargeCannot) {
    Barge admin, a, b;
    const std::string db = office_with_roles(admin, "_n",
                                             "CREATE ROLE n_a LOGIN IN ROLE ijken_barge; CREATE ROLE n_b LOGIN IN ROLE"
                                             " ijken_barge; CREATE ROLE n_office LOGIN IN ROLE ijken_office");
    ASSERT_EQ(a.push(conninfo(db, "n_a")).status, 0);
    ASSERT_EQ(b.push(conninfo(db, "n_b")).status, 0);
    const std::string ia = a.installation(), ib = b.installation();
    auto names = [&](const std::string& role) {
        return rows(db, "SELECT name FROM ijken.barges ORDER BY name", role);
    };
    EXPECT_EQ(names("n_office"), (std::vector<std::string>{"n_a", "n_b"}));
    EXPECT_EQ(names("n_a"), std::vector<std::string>{"n_a"});

    struct Case {
        std::string role, installation, name;
        int status;
        std::string message;  // the start of standard error, or of standard output when it went well
    };
    const Case cases[] = {
        {"n_office", ia, "Anna (Veghel) \xE2\x9A\x93", 0, "ijken office name: installation " + ia + " is named"},
        {"n_a", ia, "Mine", 1, "ijken office name: installation " + ia + " is this role's own barge; only the office"},
        {"n_a", ib, "Yours", 1, "ijken office name: the office database has no installation " + ib},
        {"n_office", "not-a-uuid", "x", 2, "ijken office name: \"not-a-uuid\" is no installation id"},
        {"n_office", ib, "two\nlines", 2, "ijken office name: a name holds no line breaks"},
        {"n_office", ib, std::string(101, 'x'), 2, "ijken office name: a name has at most 100 characters"},
        {"n_office", ib, "Bert", 0, "ijken office name: installation " + ib + " is named \"Bert\""},
        {"n_office", ib, "", 0, "ijken office name: installation " + ib + " goes by its role's name again"},
    };
    for (const Case& c : cases) {
        const Outcome o = admin.run("office name --to '" + conninfo(db, c.role) + "' --installation '" +
                                    c.installation + "'" + (c.name.empty() ? "" : " --name '" + c.name + "'"));
        EXPECT_EQ(o.status, c.status) << c.role << " " << c.name << ": " << o.err;
        EXPECT_EQ((c.status == 0 ? o.out : o.err).rfind(c.message, 0), 0u) << o.out << o.err;
    }
    EXPECT_EQ(names("n_office"), (std::vector<std::string>{"Anna (Veghel) \xE2\x9A\x93", "n_b"}));
    EXPECT_EQ(names("n_b"), std::vector<std::string>{"n_b"});
    // A barge cannot name itself by SQL either, not when registering nor by another column.
    EXPECT_THROW(rows(db, "UPDATE ijken.installations SET office_name = 'x'", "n_b"), FleetError);
    EXPECT_THROW(rows(db, "INSERT INTO ijken.installations (installation, office_name) VALUES (gen_random_uuid(), 'x')",
                      "n_b"),
                 FleetError);
    EXPECT_THROW(rows(db, "UPDATE ijken.installations SET last_push = now()", "n_office"), FleetError);
    // The barge still pushes after it was named (its own column stays its own).
    a.sql("UPDATE IJkOpnames SET Lading = 'Rogge' WHERE Opnameid = 2");
    const Outcome again = a.push(conninfo(db, "n_a"));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(rows(db, "SELECT office_name IS NOT NULL, last_push IS NOT NULL FROM ijken.installations WHERE"
                       " installation = '" + ia + "'"),
              std::vector<std::string>{"t|t"});
}

// Version 1 of the office's tables, as the first fleet version of ijken created them.
std::string version_1_tables() {
    auto columns = [](const std::vector<std::string>& names, const std::string& type) {
        std::string s;
        for (const std::string& n : names) s += ", " + n + " " + type;
        return s;
    };
    const std::string own_rows =
        "installation IN (SELECT i.installation FROM ijken.installations i WHERE i.role_name = current_user)";
    std::string s =
        "CREATE SCHEMA IF NOT EXISTS ijken;\n"
        "CREATE TABLE ijken.schema_version (version integer NOT NULL, created_at timestamptz NOT NULL DEFAULT now());\n"
        "INSERT INTO ijken.schema_version (version) VALUES (1);\n"
        "CREATE TABLE ijken.installations (installation uuid PRIMARY KEY,"
        " role_name name NOT NULL DEFAULT current_user, first_push timestamptz NOT NULL DEFAULT now());\n"
        "CREATE TABLE ijken.ships (installation uuid NOT NULL REFERENCES ijken.installations,"
        " schipid integer NOT NULL" + columns(ship_text_columns(), "text") + columns(ship_number_columns(), "integer") +
        ", pushed_at timestamptz NOT NULL, deleted_at timestamptz, PRIMARY KEY (installation, schipid));\n"
        "CREATE TABLE ijken.gauge_rows (installation uuid NOT NULL REFERENCES ijken.installations,"
        " schipid integer NOT NULL, inzinking integer NOT NULL, tonnage double precision,"
        " valid_from timestamptz NOT NULL, valid_until timestamptz,"
        " PRIMARY KEY (installation, schipid, inzinking, valid_from));\n"
        "CREATE UNIQUE INDEX gauge_rows_current ON ijken.gauge_rows (installation, schipid, inzinking)"
        " WHERE valid_until IS NULL;\n"
        "CREATE TABLE ijken.surveys (installation uuid NOT NULL REFERENCES ijken.installations,"
        " opnameid integer NOT NULL, schipid integer" + columns(survey_party_columns(), "text") +
        ", taal text, invoerdatum text" + columns(reading_columns(), "text") + ", zoutcorrectie double precision" +
        columns(result_columns(), "text") +
        ", pushed_at timestamptz NOT NULL, deleted_at timestamptz, PRIMARY KEY (installation, opnameid));\n"
        "CREATE INDEX surveys_by_ship ON ijken.surveys (installation, schipid, invoerdatum, opnameid);\n"
        "CREATE TABLE ijken.survey_versions (LIKE ijken.surveys, replaced_at timestamptz NOT NULL);\n"
        "CREATE INDEX survey_versions_by_survey ON ijken.survey_versions (installation, opnameid);\n"
        "ALTER TABLE ijken.installations ENABLE ROW LEVEL SECURITY;\n"
        "CREATE POLICY own_installation ON ijken.installations"
        " USING (role_name = current_user) WITH CHECK (role_name = current_user);\n";
    for (const char* table : {"ships", "gauge_rows", "surveys", "survey_versions"}) {
        s += std::string("ALTER TABLE ijken.") + table + " ENABLE ROW LEVEL SECURITY;\nCREATE POLICY own_rows ON ijken." +
             table + " USING (" + own_rows + ") WITH CHECK (" + own_rows + ");\n";
    }
    return s;
}

// The roles of version 1's README: barges could only insert installations, and there was no
// ship_versions to grant anything on.
const char* const kVersion1Roles = R"(
CREATE ROLE ijken_barge NOLOGIN;
CREATE ROLE ijken_office NOLOGIN;
GRANT USAGE ON SCHEMA ijken TO ijken_barge, ijken_office;
GRANT SELECT ON ijken.schema_version TO ijken_barge;
GRANT SELECT, INSERT ON ijken.installations, ijken.survey_versions TO ijken_barge;
GRANT SELECT, INSERT, UPDATE ON ijken.ships, ijken.gauge_rows, ijken.surveys TO ijken_barge;
GRANT SELECT ON ALL TABLES IN SCHEMA ijken TO ijken_office;
CREATE POLICY office_reads ON ijken.installations FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.ships FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.gauge_rows FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.surveys FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.survey_versions FOR SELECT TO ijken_office USING (true);
)";

TEST(FleetSchema, AVersion1OfficeWithItsRolesIsBroughtUpToDateAndBargesAndTheOfficeGoOn) {
    const std::string db = fresh_database();
    rows(db, version_1_tables());
    rows(db, with_groups(kVersion1Roles, "_v1"));
    rows(db, "CREATE ROLE v_anna LOGIN IN ROLE ijken_barge_v1; CREATE ROLE v_bert LOGIN IN ROLE ijken_barge_v1;"
             " CREATE ROLE v_jan LOGIN IN ROLE ijken_office_v1");
    // Anna had pushed under version 1: an installation of hers, by her role's name.
    Barge anna, bert;
    const std::string ia = ensure_installation_id(anna.dir.db_path());
    rows(db, "INSERT INTO ijken.installations (installation) VALUES ('" + ia + "')", "v_anna");

    const Outcome refused = bert.push(conninfo(db, "v_bert"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("has version 1 of the fleet tables, older than this program's (" +
                               std::to_string(kSchemaVersion) + ")"),
              std::string::npos)
        << refused.err;
    const Outcome init = anna.run("office init --to '" + conninfo(db) + "'");
    ASSERT_EQ(init.out, "ijken office init: the fleet tables were brought up to date\n") << init.err;

    // Both barges push (the old installation and a new one), each sees its own rows only, and the
    // office reads all of them, names them and lists them.
    for (auto [barge, role] : {std::pair{&anna, "v_anna"}, std::pair{&bert, "v_bert"}}) {
        const Outcome o = barge->push(conninfo(db, role));
        EXPECT_EQ(o.status, 0) << role << ": " << o.err;
        EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.ship_versions", role), std::vector<std::string>{"5"}) << role;
    }
    EXPECT_EQ(anna.installation(), ia);
    for (const char* table : {"ships", "ship_versions", "surveys", "barges"}) {
        EXPECT_EQ(rows(db, std::string("SELECT count(DISTINCT installation) FROM ijken.") + table, "v_jan"),
                  std::vector<std::string>{"2"})
            << table;
    }
    EXPECT_NE(list_as(anna, db, "v_jan").find(": 6 surveys"), std::string::npos);
    const Outcome report = anna.run("office report --from '" + conninfo(db, "v_jan") + "' --survey " + ia +
                                    ":2 --output o.pdf");
    EXPECT_EQ(report.status, 0) << report.err;
    const Outcome named = anna.run("office name --to '" + conninfo(db, "v_jan") + "' --installation " + ia +
                                   " --name Anna");
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(rows(db, "SELECT name FROM ijken.barges ORDER BY name", "v_jan"),
              (std::vector<std::string>{"Anna", "v_bert"}));
    // The upgrade gave the barges nothing of each other.
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.ship_versions WHERE installation = '" + ia + "'", "v_bert"),
              std::vector<std::string>{"0"});
    EXPECT_THROW(rows(db, "INSERT INTO ijken.ship_versions (installation, schipid, valid_from) VALUES ('" + ia +
                              "', 77, now())", "v_bert"),
                 FleetError);
}

TEST(FleetSchema, AVersion2OfficeAnEarlierUpgradeLeftWithoutRightsIsRepairedByInit) {
    Barge anna;
    const std::string db = office_with_roles(anna, "_w",
                                             "CREATE ROLE w_anna LOGIN IN ROLE ijken_barge;"
                                             " CREATE ROLE w_jan LOGIN IN ROLE ijken_office");
    ASSERT_EQ(anna.push(conninfo(db, "w_anna")).status, 0);
    // Version 2 as an earlier ijken left it when it brought version 1 up: ship_versions without
    // the office's grants and policy.
    rows(db, "DROP POLICY office_names ON ijken.installations; " + back_to_version_2() +
                 " REVOKE ALL ON ijken.ship_versions FROM ijken_barge_w, ijken_office_w;"
                 " DROP POLICY office_reads ON ijken.ship_versions");
    EXPECT_EQ(anna.push(conninfo(db, "w_anna")).status, 1);
    const Outcome init = anna.run("office init --to '" + conninfo(db) + "'");
    ASSERT_EQ(init.out, "ijken office init: the fleet tables were brought up to date\n") << init.err;

    anna.sql("UPDATE Schiptable SET Name = 'Nieuw' WHERE SchipID = 1");
    anna.sql("UPDATE IJkOpnames SET Lading = 'Gerst' WHERE Opnameid = 1");
    const Outcome pushed = anna.push(conninfo(db, "w_anna"));
    EXPECT_EQ(pushed.status, 0) << pushed.err;
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.ship_versions", "w_jan"), std::vector<std::string>{"6"});
    EXPECT_NE(list_as(anna, db, "w_jan").find(": 3 surveys"), std::string::npos);
    const Outcome named = anna.run("office name --to '" + conninfo(db, "w_jan") + "' --installation " +
                                   anna.installation() + " --name Anna");
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(rows(db, "SELECT name FROM ijken.barges", "w_anna"), std::vector<std::string>{"Anna"});
}

// Runs `count` commands at the same moment, each from a barge of its own; the outcomes.
std::vector<Outcome> at_once(std::vector<Barge>& barges, const std::function<std::string(Barge&)>& command) {
    std::vector<Outcome> outcomes(barges.size());
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < barges.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go.load()) std::this_thread::yield();
            outcomes[i] = barges[i].run(command(barges[i]));
        });
    }
    go = true;
    for (std::thread& t : threads) t.join();
    return outcomes;
}

TEST(FleetSchema, SimultaneousFirstPushesAndInitsTakeTurns) {
    for (int round = 0; round < 3; ++round) {
        const std::string pushed = fresh_database(), initialised = fresh_database();
        std::vector<Barge> four(4), five(5);
        const auto pushes = at_once(four, [&](Barge& b) { return "push --db '" + b.dir.db_path() + "' --to '" + conninfo(pushed) + "'"; });
        const auto inits = at_once(five, [&](Barge&) { return "office init --to '" + conninfo(initialised) + "'"; });
        int created = 0;
        for (const Outcome& o : pushes) EXPECT_EQ(o.status, 0) << "round " << round << ": " << o.err;
        for (const Outcome& o : inits) {
            EXPECT_EQ(o.status, 0) << "round " << round << ": " << o.err;
            created += o.out == "ijken office init: the fleet tables were created\n";
        }
        EXPECT_EQ(created, 1) << "round " << round;
        EXPECT_EQ(rows(pushed, "SELECT count(DISTINCT installation), count(*) FROM ijken.surveys"),
                  std::vector<std::string>{"4|12"});
        EXPECT_EQ(rows(initialised, "SELECT count(*) FROM ijken.schema_version"), std::vector<std::string>{"1"});
    }
}

TEST(FleetSchema, ADatabaseWithOnlyAnExtensionsTablesCountsAsEmpty) {
    const std::string db = fresh_database();
    rows(db, "CREATE EXTENSION pg_stat_statements");
    Barge barge;
    const Outcome o = barge.push(conninfo(db));
    EXPECT_EQ(o.status, 0) << o.err;
    // A table of its own next to it is another program's still.
    const std::string other = fresh_database();
    rows(other, "CREATE EXTENSION pg_stat_statements; CREATE TABLE public.invoices (n integer)");
    const Outcome refused = barge.run("office init --to '" + conninfo(other) + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("holds another program's tables (public.invoices)"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace ijken::fleet
