#include "fleet/central_schema.h"

namespace ijken::fleet {

namespace {

std::vector<std::string> numbered(std::initializer_list<const char*> prefixes, int count) {
    std::vector<std::string> names;
    for (const char* p : prefixes) {
        for (int i = 1; i <= count; ++i) names.push_back(p + std::to_string(i));
    }
    return names;
}

std::string column_list(const std::vector<std::string>& names, const std::string& type) {
    std::string s;
    for (const std::string& n : names) s += ", " + n + " " + type;
    return s;
}

// Who may touch a row: the role that registered its installation. The owner of the tables (the
// office's administrator, or a single barge that created them) is not bound by it.
const char* const kOwnRows =
    "installation IN (SELECT i.installation FROM ijken.installations i WHERE i.role_name = current_user)";

std::string create_statements() {
    std::string ships = "CREATE TABLE ijken.ships (installation uuid NOT NULL REFERENCES ijken.installations,"
                        " schipid integer NOT NULL" +
                        column_list(ship_text_columns(), "text") + column_list(ship_number_columns(), "integer") +
                        ", pushed_at timestamptz NOT NULL, deleted_at timestamptz,"
                        " PRIMARY KEY (installation, schipid));\n";
    std::string surveys =
        "CREATE TABLE ijken.surveys (installation uuid NOT NULL REFERENCES ijken.installations,"
        " opnameid integer NOT NULL, schipid integer" +
        column_list(survey_party_columns(), "text") + ", taal text, invoerdatum text" +
        column_list(reading_columns(), "text") + ", zoutcorrectie double precision" +
        column_list(result_columns(), "text") +
        ", pushed_at timestamptz NOT NULL, deleted_at timestamptz, PRIMARY KEY (installation, opnameid));\n";
    std::string s =
        "CREATE SCHEMA IF NOT EXISTS ijken;\n"
        "CREATE TABLE ijken.schema_version (version integer NOT NULL,"
        " created_at timestamptz NOT NULL DEFAULT now());\n"
        "INSERT INTO ijken.schema_version (version) VALUES (" +
        std::to_string(kSchemaVersion) +
        ");\n"
        "CREATE TABLE ijken.installations (installation uuid PRIMARY KEY,"
        " role_name name NOT NULL DEFAULT current_user, first_push timestamptz NOT NULL DEFAULT now());\n" +
        ships +
        // A gauge table's rows with the period they were valid in: the current table has no end.
        "CREATE TABLE ijken.gauge_rows (installation uuid NOT NULL REFERENCES ijken.installations,"
        " schipid integer NOT NULL, inzinking integer NOT NULL, tonnage double precision,"
        " valid_from timestamptz NOT NULL, valid_until timestamptz,"
        " PRIMARY KEY (installation, schipid, inzinking, valid_from));\n"
        "CREATE UNIQUE INDEX gauge_rows_current ON ijken.gauge_rows (installation, schipid, inzinking)"
        " WHERE valid_until IS NULL;\n" +
        surveys +
        "CREATE INDEX surveys_by_ship ON ijken.surveys (installation, schipid, invoerdatum, opnameid);\n"
        // Every earlier state of a survey that a push changed, so that nothing sent is ever lost.
        "CREATE TABLE ijken.survey_versions (LIKE ijken.surveys, replaced_at timestamptz NOT NULL);\n"
        "CREATE INDEX survey_versions_by_survey ON ijken.survey_versions (installation, opnameid);\n"
        "ALTER TABLE ijken.installations ENABLE ROW LEVEL SECURITY;\n"
        "CREATE POLICY own_installation ON ijken.installations"
        " USING (role_name = current_user) WITH CHECK (role_name = current_user);\n";
    for (const char* table : {"ships", "gauge_rows", "surveys", "survey_versions"}) {
        s += std::string("ALTER TABLE ijken.") + table + " ENABLE ROW LEVEL SECURITY;\n";
        s += std::string("CREATE POLICY own_rows ON ijken.") + table + " USING (" + kOwnRows + ") WITH CHECK (" +
             kOwnRows + ");\n";
    }
    return s;
}

}  // namespace

const std::vector<std::string>& ship_text_columns() {
    static const std::vector<std::string> c = [] {
        std::vector<std::string> v{"name", "meetbrief_nr"};
        for (const std::string& n : numbered({"veld"}, 8)) v.push_back(n);
        return v;
    }();
    return c;
}

const std::vector<std::string>& ship_number_columns() {
    static const std::vector<std::string> c{"taal", "aantal_ijken", "max_inzinking", "min_inzinking"};
    return c;
}

const std::vector<std::string>& survey_party_columns() {
    static const std::vector<std::string> c{"verlader_naam",      "verlader_plaats", "verlader_telefoon",
                                            "ontvanger_naam",     "ontvanger_plaats", "ontvanger_telefoon",
                                            "lading"};
    return c;
}

const std::vector<std::string>& reading_columns() {
    static const std::vector<std::string> c = numbered({"bbl_", "sbl_", "bbv_", "sbv_"}, 5);
    return c;
}

const std::vector<std::string>& result_columns() {
    static const std::vector<std::string> c{"e01", "e02", "e11", "e12", "e21",
                                            "e22", "e31", "e32", "e42", "e52"};
    return c;
}

bool schema_present(PgConnection& db) {
    const PgResult ours = db.exec("SELECT to_regclass('ijken.schema_version') IS NOT NULL");
    if (ours.text(0, 0) == "t") {
        const PgResult version = db.exec("SELECT max(version) FROM ijken.schema_version");
        const std::string v(version.text(0, 0));
        if (v != std::to_string(kSchemaVersion)) {
            if (!version.is_null(0, 0) && std::stoll(v) > kSchemaVersion) {
                throw FleetError("the office database has version " + v +
                                 " of the fleet tables, newer than this program's (" +
                                 std::to_string(kSchemaVersion) + "); update ijken");
            }
            throw FleetError("the office database's fleet tables have an unknown version (" +
                             (v.empty() ? std::string("none") : v) + ")");
        }
        return true;
    }
    // Not ours: a database that holds anything else belongs to another program, and nothing is
    // written into it.
    const PgResult other = db.exec(
        "SELECT n.nspname || '.' || c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
        " WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') AND n.nspname NOT IN ('pg_catalog', 'information_schema')"
        " AND n.nspname NOT LIKE 'pg\\_toast%' AND n.nspname NOT LIKE 'pg\\_temp%' ORDER BY 1 LIMIT 1");
    if (other.rows() > 0) {
        throw FleetError("the office database holds another program's tables (" + std::string(other.text(0, 0)) +
                         "); the fleet needs a database of its own");
    }
    return false;
}

bool ensure_schema(PgConnection& db) {
    // Two barges pushing first at the same moment: one creates, the other waits and finds it.
    db.exec("SELECT pg_advisory_xact_lock(7469, 0)");
    if (schema_present(db)) return false;
    try {
        db.exec(create_statements());
    } catch (const FleetError& e) {
        throw FleetError(std::string("the office database has no fleet tables yet, and creating them failed: ") +
                         e.what());
    }
    return true;
}

}  // namespace ijken::fleet
