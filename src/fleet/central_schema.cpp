#include "fleet/central_schema.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>

namespace ijken::fleet {

namespace {

std::vector<std::string> numbered(std::initializer_list<const char*> prefixes, int count) {
    std::vector<std::string> names;
    for (const char* p : prefixes) {
        for (int i = 1; i <= count; ++i) names.push_back(p + std::to_string(i));
    }
    return names;
}

// Who may touch a row: the role that registered its installation. The owner of the tables (the
// office's administrator, or a single barge that created them) is not bound by it.
const char* const kOwnRows =
    "installation IN (SELECT i.installation FROM ijken.installations i WHERE i.role_name = current_user)";

struct Column {
    std::string name, type;  // the type as information_schema.columns names it
    std::string extra = {};  // NOT NULL, DEFAULT, REFERENCES
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::string constraints;  // after the columns, in CREATE TABLE
};

const char* const kInstallation = "uuid";
const char* const kTime = "timestamp with time zone";
const char* const kByInstallation = " NOT NULL REFERENCES ijken.installations";

void add_all(std::vector<Column>& to, const std::vector<std::string>& names, const std::string& type) {
    for (const std::string& n : names) to.push_back({n, type});
}

std::vector<Column> ship_columns(const char* key_extra) {
    std::vector<Column> c{{"installation", kInstallation, key_extra}, {"schipid", "bigint", " NOT NULL"}};
    add_all(c, ship_text_columns(), "text");
    add_all(c, ship_number_columns(), "bigint");
    return c;
}

std::vector<Column> survey_columns() {
    std::vector<Column> c{{"installation", kInstallation, kByInstallation},
                          {"opnameid", "bigint", " NOT NULL"},
                          {"generation", "integer", " NOT NULL"},
                          {"schipid", "bigint"}};
    add_all(c, survey_party_columns(), "text");
    c.push_back({"taal", "text"});
    c.push_back({"invoerdatum", "text"});
    add_all(c, reading_columns(), "text");
    c.push_back({"zoutcorrectie", "double precision"});
    add_all(c, result_columns(), "text");
    c.push_back({"pushed_at", kTime, " NOT NULL"});
    c.push_back({"deleted_at", kTime});
    return c;
}

// A period that ends ends after it starts; periods of one row follow each other because every
// push of an installation takes a later instant than the one before (see push.cpp).
const char* const kPeriod = ", CHECK (valid_until > valid_from)";

// The tables in the order they are created, with every column the program reads or writes.
const std::vector<Table>& tables() {
    static const std::vector<Table> t = [] {
        std::vector<Table> v;
        v.push_back({"schema_version",
                     {{"version", "integer", " NOT NULL"}, {"created_at", kTime, " NOT NULL DEFAULT now()"}}, ""});
        v.push_back({"installations",
                     {{"installation", kInstallation, " PRIMARY KEY"},
                      {"role_name", "name", " NOT NULL DEFAULT current_user"},
                      {"first_push", kTime, " NOT NULL DEFAULT now()"},
                      // The instant of the last push that changed anything: the next one's is later.
                      {"last_push", kTime}},
                     ""});
        std::vector<Column> ships = ship_columns(kByInstallation);
        ships.push_back({"pushed_at", kTime, " NOT NULL"});
        ships.push_back({"deleted_at", kTime});
        v.push_back({"ships", ships, ", PRIMARY KEY (installation, schipid)"});
        // A ship's particulars with the period they were valid in, as gauge tables have.
        std::vector<Column> versions = ship_columns(kByInstallation);
        versions.push_back({"valid_from", kTime, " NOT NULL"});
        versions.push_back({"valid_until", kTime});
        v.push_back({"ship_versions", versions, ", PRIMARY KEY (installation, schipid, valid_from)" +
                                                    std::string(kPeriod)});
        // A gauge table's rows with the period they were valid in: the current table has no end.
        v.push_back({"gauge_rows",
                     {{"installation", kInstallation, kByInstallation},
                      {"schipid", "bigint", " NOT NULL"},
                      {"inzinking", "bigint", " NOT NULL"},
                      {"tonnage", "double precision"},
                      {"valid_from", kTime, " NOT NULL"},
                      {"valid_until", kTime}},
                     ", PRIMARY KEY (installation, schipid, inzinking, valid_from)" + std::string(kPeriod)});
        // A number the barge gave again after a delete names another survey: each bearer of the
        // number is a generation of its own (1, 2 ...), the deleted ones kept.
        v.push_back({"surveys", survey_columns(), ", PRIMARY KEY (installation, opnameid, generation)"});
        std::vector<Column> old = survey_columns();
        old.push_back({"replaced_at", kTime, " NOT NULL"});
        v.push_back({"survey_versions", old, ""});
        return v;
    }();
    return t;
}

std::string create_table(const Table& t) {
    std::string s = "CREATE TABLE ijken." + t.name + " (";
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const Column& c = t.columns[i];
        s += (i ? ", " : "") + c.name + " " + c.type + c.extra;
    }
    return s + t.constraints + ");\n";
}

const Table& table(const std::string& name) {
    for (const Table& t : tables()) {
        if (t.name == name) return t;
    }
    throw std::logic_error("no table " + name);
}

std::string own_rows(const std::string& table) {
    return "ALTER TABLE ijken." + table + " ENABLE ROW LEVEL SECURITY;\nCREATE POLICY own_rows ON ijken." + table +
           " USING (" + kOwnRows + ") WITH CHECK (" + kOwnRows + ");\n";
}

const char* const kShipVersionsCurrent =
    "CREATE UNIQUE INDEX ship_versions_current ON ijken.ship_versions (installation, schipid)"
    " WHERE valid_until IS NULL;\n";
// At most one survey not deleted per number.
const char* const kSurveysLive =
    "CREATE UNIQUE INDEX surveys_live ON ijken.surveys (installation, opnameid) WHERE deleted_at IS NULL;\n";
const char* const kSurveyVersionsBySurvey =
    "CREATE INDEX survey_versions_by_survey ON ijken.survey_versions (installation, opnameid, generation);\n";

std::string create_statements() {
    std::string s = "CREATE SCHEMA IF NOT EXISTS ijken;\n";
    for (const Table& t : tables()) s += create_table(t);
    s += "INSERT INTO ijken.schema_version (version) VALUES (" + std::to_string(kSchemaVersion) + ");\n" +
         kShipVersionsCurrent +
         "CREATE UNIQUE INDEX gauge_rows_current ON ijken.gauge_rows (installation, schipid, inzinking)"
         " WHERE valid_until IS NULL;\n" +
         kSurveysLive + "CREATE INDEX surveys_by_ship ON ijken.surveys (installation, schipid, invoerdatum, opnameid);\n" +
         kSurveyVersionsBySurvey +
         "ALTER TABLE ijken.installations ENABLE ROW LEVEL SECURITY;\n"
         "CREATE POLICY own_installation ON ijken.installations"
         " USING (role_name = current_user) WITH CHECK (role_name = current_user);\n";
    for (const char* t : {"ships", "ship_versions", "gauge_rows", "surveys", "survey_versions"}) s += own_rows(t);
    return s;
}

// Version 1, the first fleet tables, to version 2: 64-bit numbers, the installation's last
// instant, ship particulars with periods (the particulars a ship has now count for all of its past,
// which version 1 did not keep), a generation for every survey (each the first of its number),
// and periods that may not run backwards from now on (rows written before are not checked).
std::string upgrade_from_1() {
    const std::string particulars = "installation, schipid, " + [] {
        std::string c;
        for (const std::string& n : ship_text_columns()) c += n + ", ";
        for (const std::string& n : ship_number_columns()) c += n + ", ";
        return c;
    }();
    std::string s = "ALTER TABLE ijken.installations ADD COLUMN last_push timestamp with time zone;\n"
                    "ALTER TABLE ijken.ships ALTER schipid TYPE bigint";
    for (const std::string& n : ship_number_columns()) s += ", ALTER " + n + " TYPE bigint";
    s += ";\n" + create_table(table("ship_versions")) + "INSERT INTO ijken.ship_versions (" + particulars +
         "valid_from, valid_until) SELECT " + particulars + "'-infinity', deleted_at FROM ijken.ships;\n" +
         kShipVersionsCurrent +
         "ALTER TABLE ijken.gauge_rows ALTER schipid TYPE bigint, ALTER inzinking TYPE bigint,"
         " ADD CONSTRAINT gauge_rows_check CHECK (valid_until > valid_from) NOT VALID;\n";
    for (const char* t : {"surveys", "survey_versions"}) {
        s += std::string("ALTER TABLE ijken.") + t +
             " ALTER opnameid TYPE bigint, ALTER schipid TYPE bigint, ADD COLUMN generation integer NOT NULL DEFAULT 1;\n"
             "ALTER TABLE ijken." + t + " ALTER generation DROP DEFAULT;\n";
    }
    return s +
           "ALTER TABLE ijken.surveys DROP CONSTRAINT surveys_pkey, ADD PRIMARY KEY (installation, opnameid, generation);\n" +
           kSurveysLive + "DROP INDEX ijken.survey_versions_by_survey;\n" + kSurveyVersionsBySurvey +
           own_rows("ship_versions") + "INSERT INTO ijken.schema_version (version) VALUES (2);\n";
}

// What is missing of the tables this program needs (with the types it reads), "" when nothing.
// For version 1 only the names of what that version had are compared.
std::string missing_columns(PgConnection& db, bool version_1 = false) {
    const PgResult present = db.exec(
        "SELECT table_name || '.' || column_name || ' ' || data_type FROM information_schema.columns"
        " WHERE table_schema = 'ijken'");
    std::vector<std::string> have;
    for (int r = 0; r < present.rows(); ++r) {
        std::string c(present.text(r, 0));
        if (version_1) c = c.substr(0, c.find(' ') + 1);
        have.push_back(c);
    }
    for (const Table& t : tables()) {
        if (version_1 && t.name == "ship_versions") continue;
        for (const Column& c : t.columns) {
            if (version_1 && (c.name == "last_push" || c.name == "generation")) continue;
            const std::string want = t.name + "." + c.name + " " + (version_1 ? "" : c.type);
            if (std::find(have.begin(), have.end(), want) == have.end()) return "ijken." + t.name + "." + c.name;
        }
    }
    return "";
}

void check_columns(PgConnection& db, bool version_1 = false) {
    // The version alone proves little: another program's "ijken" schema, or tables half made.
    const std::string missing = missing_columns(db, version_1);
    if (!missing.empty()) {
        throw FleetError("the office database's schema \"ijken\" is not this program's fleet tables (" + missing +
                         " is missing); the fleet needs a database of its own");
    }
}

std::optional<long long> whole_number(std::string_view text) {
    long long n = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return n;
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

namespace {

// The version of the fleet tables, nothing when the database has none of ours and nothing else.
// Throws for another program's tables and for a version newer than this program's or unknown.
std::optional<long long> present_version(PgConnection& db) {
    const PgResult ours = db.exec("SELECT to_regclass('ijken.schema_version') IS NOT NULL");
    if (ours.text(0, 0) == "t") {
        const PgResult version = db.exec("SELECT max(version::text) FROM ijken.schema_version");
        const std::string v(version.text(0, 0));
        const std::optional<long long> n = whole_number(v);
        if (n && *n > kSchemaVersion) {
            throw FleetError("the office database has version " + v +
                             " of the fleet tables, newer than this program's (" +
                             std::to_string(kSchemaVersion) + "); update ijken");
        }
        if (!n || (*n != kSchemaVersion && *n != 1)) {
            throw FleetError("the office database's fleet tables have an unknown version (" +
                             (v.empty() ? std::string("none") : one_line(v).substr(0, 40)) +
                             "); this program needs version " + std::to_string(kSchemaVersion));
        }
        return n;
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
    return std::nullopt;
}

[[noreturn]] void refuse_version_1() {
    throw FleetError("the office database has version 1 of the fleet tables, older than this program's (" +
                     std::to_string(kSchemaVersion) +
                     "); the office's administrator brings them up to date with ijken office init");
}

}  // namespace

bool schema_present(PgConnection& db) {
    const std::optional<long long> version = present_version(db);
    if (!version) return false;
    if (*version == 1) {
        check_columns(db, true);
        refuse_version_1();
    }
    check_columns(db);
    return true;
}

SchemaAction ensure_schema(PgConnection& db, bool upgrade) {
    {
        PgTransaction check(db);
        const std::optional<long long> version = present_version(db);
        if (version && *version == kSchemaVersion) {
            check_columns(db);
            return SchemaAction::present;
        }
        if (version && !upgrade) schema_present(db);
    }
    // Two barges pushing first at the same moment: one creates, the other waits and finds it. The
    // lock is held only while the tables are made, in a transaction of its own.
    PgTransaction change(db);
    db.exec("SELECT pg_advisory_xact_lock(7469, 0)");
    const std::optional<long long> version = present_version(db);
    if (version && *version == kSchemaVersion) {
        check_columns(db);
        return SchemaAction::present;
    }
    if (version) check_columns(db, true);
    try {
        db.exec(version ? upgrade_from_1() : create_statements());
    } catch (const FleetError& e) {
        throw FleetError(std::string(version ? "bringing the office database's fleet tables up to date failed: "
                                             : "the office database has no fleet tables yet, and creating them failed: ") +
                         e.what());
    }
    check_columns(db);
    change.commit();
    return version ? SchemaAction::upgraded : SchemaAction::created;
}

}  // namespace ijken::fleet
