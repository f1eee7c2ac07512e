#pragma once
// What the fleet's tests share: connections to the server with_postgres.sh started, fresh
// databases on it, and barges (a program directory with a new ijken.db) that push.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "fleet/central_schema.h"
#include "fleet/pg_connection.h"
#include "fleet/push.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace ijken::fleet {

using testing::Outcome;
using testing::TempDir;

inline std::string conninfo(const std::string& db, const std::string& user = std::getenv("IJKEN_PG_USER")) {
    return std::string("host=") + std::getenv("IJKEN_PG_SOCKET") + " dbname=" + db + " user=" + user;
}

// Every row of a query, each as its fields joined with "|".
inline std::vector<std::string> rows(const std::string& db, const std::string& sql, const std::string& user = "") {
    PgConnection c(user.empty() ? conninfo(db) : conninfo(db, user));
    const PgResult r = c.exec(sql);
    std::vector<std::string> out;
    for (int i = 0; i < r.rows(); ++i) {
        std::string line;
        for (int j = 0; j < r.columns(); ++j) line += (j ? "|" : "") + std::string(r.text(i, j));
        out.push_back(line);
    }
    return out;
}

inline std::string fresh_database() {
    static int n = 0;
    const std::string name = "fleet" + std::to_string(++n);
    rows("postgres", "CREATE DATABASE " + name);
    return name;
}

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The README's SQL for the office's group roles and their rights, as an office would run it.
inline std::string readme_roles_sql() {
    const std::string readme = read_file(std::filesystem::path(IJKEN_TEST_DATA_DIR) / "../../README.md");
    const auto at = readme.find("CREATE ROLE ijken_barge");
    const auto start = readme.rfind("```sql\n", at) + 7;
    return readme.substr(start, readme.find("```", at) - start);
}

// What the office holds, without the times of pushing; with the earlier tables and surveys or
// only the current ones.
inline std::string central_state(const std::string& db, bool history = true) {
    std::string s;
    const std::vector<std::string> queries{
        "SELECT installation, schipid, name, deleted_at IS NULL FROM ijken.ships ORDER BY 1, 2",
        std::string("SELECT installation, schipid, inzinking, tonnage, valid_until IS NULL FROM ijken.gauge_rows") +
            (history ? "" : " WHERE valid_until IS NULL") + " ORDER BY 1, 2, 3, 5",
        "SELECT to_jsonb(s) - 'pushed_at' - 'deleted_at', deleted_at IS NULL FROM ijken.surveys s ORDER BY"
        " installation, opnameid",
        history ? "SELECT count(*) FROM ijken.survey_versions" : "SELECT 0"};
    for (const std::string& q : queries) {
        for (const std::string& r : rows(db, q)) s += r + "\n";
    }
    return s;
}

// A barge: a new database as the program makes it at the first start.
struct Barge {
    TempDir dir;
    Barge() { data::create_database(dir.db_path()); }
    // A second barge with the same installation: a copy of another's database.
    explicit Barge(const std::string& copy_of) { std::filesystem::copy_file(copy_of, dir.db_path()); }
    // Put before the program on its command line, e.g. PGOPTIONS='-c lock_timeout=1000' .
    std::string env;
    Outcome run(const std::string& args) {
        return testing::run_program(dir.path(),
                                    "cd '" + dir.path().string() + "' && " + env + IJKEN_BINARY + " " + args);
    }
    Outcome push(const std::string& to) { return run("push --db '" + dir.db_path() + "' --to '" + to + "'"); }
    // The barge's own report and the office's of one survey ("4", "4~1"), written to a file.
    Outcome report(const std::string& args, const std::string& file) {
        return run("report --db '" + dir.db_path() + "' " + args + " --output " + file);
    }
    Outcome office_report(const std::string& db, const std::string& survey, const std::string& file) {
        return run("office report --from '" + conninfo(db) + "' --survey " + installation() + ":" + survey +
                   " --output " + file);
    }
    // A PDF the barge wrote, without the instant it was written.
    std::string pdf(const std::string& file) const {
        return std::regex_replace(read_file(dir.path() / file), std::regex(R"(/ModDate \(D:\d{14}\))"), "");
    }
    void sql(const std::string& statement) { data::SQLiteDatabase(dir.db_path()).Execute(statement); }
    std::string count(const std::string& table) {
        return data::SQLiteDatabase(dir.db_path()).Query("SELECT count(*) FROM " + table)->AsString(0);
    }
    std::string installation() {
        return data::SQLiteDatabase(dir.db_path()).Query("SELECT InstallationID FROM FleetInstallation")->AsString(0);
    }
};

// Version 2 of the tables, made from version 3 the way it was: installations bound to their role by
// its name, no office's names.
inline std::string back_to_version_2() {
    std::string s = "DROP VIEW ijken.barges; DROP TRIGGER installations_guard ON ijken.installations;"
                    " DROP FUNCTION ijken.installations_guard(); DROP POLICY own_installation ON ijken.installations;"
                    " CREATE POLICY own_installation ON ijken.installations USING (role_name = current_user)"
                    " WITH CHECK (role_name = current_user);";
    for (const char* t : {"ships", "ship_versions", "gauge_rows", "surveys", "survey_versions"}) {
        s += std::string(" DROP POLICY own_rows ON ijken.") + t + "; CREATE POLICY own_rows ON ijken." + t +
             " USING (installation IN (SELECT i.installation FROM ijken.installations i WHERE i.role_name ="
             " current_user));";
    }
    return s + " ALTER TABLE ijken.installations DROP COLUMN role_oid, DROP COLUMN office_name;"
               " UPDATE ijken.schema_version SET version = 2;";
}

}  // namespace ijken::fleet
