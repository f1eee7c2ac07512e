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

// The role of this session, by its oid: an installation belongs to the role itself, not to its
// name, so that a renamed role keeps its rows and a new role under an old name gets none.
const char* const kSessionRole = "(SELECT r.oid FROM pg_catalog.pg_roles r WHERE r.rolname = current_user)";

// Who may touch a row: the role that registered its installation. The owner of the tables (the
// office's administrator, or a single barge that created them) is not bound by it.
const std::string kOwnInstallation = std::string("role_oid = ") + kSessionRole;
const std::string kOwnRows =
    "installation IN (SELECT i.installation FROM ijken.installations i WHERE i." + kOwnInstallation + ")";

struct Column {
    std::string name, type;  // the type as information_schema.columns names it
    std::string extra = {};  // NOT NULL, DEFAULT, REFERENCES
    int since = 1;           // the version of the tables that added it
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::string constraints;  // after the columns, in CREATE TABLE
    int since = 1;
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
                          {"generation", "integer", " NOT NULL", 2},
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
                      {"last_push", kTime, "", 2},
                      // The role the installation belongs to (role_name is the name it had then).
                      {"role_oid", "oid", "", 3},
                      // What the office calls the barge; only the office sets it.
                      {"office_name", "text", "", 3}},
                     ""});
        std::vector<Column> ships = ship_columns(kByInstallation);
        ships.push_back({"pushed_at", kTime, " NOT NULL"});
        ships.push_back({"deleted_at", kTime});
        v.push_back({"ships", ships, ", PRIMARY KEY (installation, schipid)"});
        // A ship's particulars with the period they were valid in, as gauge tables have.
        std::vector<Column> versions = ship_columns(kByInstallation);
        versions.push_back({"valid_from", kTime, " NOT NULL"});
        versions.push_back({"valid_until", kTime});
        v.push_back({"ship_versions", versions,
                     ", PRIMARY KEY (installation, schipid, valid_from)" + std::string(kPeriod), 2});
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

const char* const kRowTables[] = {"ships", "ship_versions", "gauge_rows", "surveys", "survey_versions"};

std::string own_installation() {
    return "CREATE POLICY own_installation ON ijken.installations USING (" + kOwnInstallation + ") WITH CHECK (" +
           kOwnInstallation + ");\n";
}

// What the policies cannot say about an installation's row: a role that does not own the tables
// registers installations only for itself and never names them; afterwards it may change only
// what is its to change: the installation's role its last instant, anyone else (the office, as far
// as its grants and policies let it) the office's name of it. The owner of the tables (the
// office's administrator) may change anything.
const char* const kInstallationsGuard = R"(CREATE FUNCTION ijken.installations_guard() RETURNS trigger
LANGUAGE plpgsql SET search_path = pg_catalog, pg_temp AS $guard$
DECLARE
  me oid := (SELECT r.oid FROM pg_catalog.pg_roles r WHERE r.rolname = current_user);
  owner boolean := pg_catalog.pg_has_role(current_user,
    (SELECT c.relowner FROM pg_catalog.pg_class c WHERE c.oid = TG_RELID), 'USAGE');
BEGIN
  IF TG_OP = 'INSERT' THEN
    IF NOT owner THEN
      IF NEW.office_name IS NOT NULL THEN
        RAISE EXCEPTION 'only the office names an installation' USING ERRCODE = '42501';
      END IF;
      -- Its own role, unless it names another, which the policy then refuses.
      NEW.role_oid := coalesce(NEW.role_oid, me);
      NEW.role_name := current_user;
    ELSIF NEW.role_oid IS NULL THEN
      NEW.role_oid := coalesce((SELECT r.oid FROM pg_catalog.pg_roles r WHERE r.rolname = NEW.role_name), me);
    END IF;
    RETURN NEW;
  END IF;
  IF owner THEN
    RETURN NEW;
  END IF;
  IF NEW.installation IS DISTINCT FROM OLD.installation OR NEW.role_oid IS DISTINCT FROM OLD.role_oid
     OR NEW.role_name IS DISTINCT FROM OLD.role_name OR NEW.first_push IS DISTINCT FROM OLD.first_push THEN
    RAISE EXCEPTION 'only the owner of the fleet tables changes whose installation this is' USING ERRCODE = '42501';
  END IF;
  IF NEW.office_name IS DISTINCT FROM OLD.office_name AND OLD.role_oid IS NOT DISTINCT FROM me THEN
    RAISE EXCEPTION 'only the office names an installation' USING ERRCODE = '42501';
  END IF;
  IF NEW.last_push IS DISTINCT FROM OLD.last_push AND OLD.role_oid IS DISTINCT FROM me THEN
    RAISE EXCEPTION 'only the installation''s own role pushes it' USING ERRCODE = '42501';
  END IF;
  RETURN NEW;
END
$guard$;
CREATE TRIGGER installations_guard BEFORE INSERT OR UPDATE ON ijken.installations
  FOR EACH ROW EXECUTE FUNCTION ijken.installations_guard();
)";

// Every installation with the office's name for it, or else its role's name now (or, once the role
// is dropped, the name it had when it first pushed). The reader's own row security applies: a
// barge sees its own installation only, and no right is needed beyond reading installations.
const char* const kBargesView =
    "CREATE VIEW ijken.barges WITH (security_invoker = true) AS SELECT i.installation,"
    " coalesce(i.office_name, r.rolname::text, i.role_name::text) AS name FROM ijken.installations i"
    " LEFT JOIN pg_catalog.pg_roles r ON r.oid = i.role_oid;\n"
    "GRANT SELECT ON ijken.barges TO PUBLIC;\n";

const char* const kShipVersionsCurrent =
    "CREATE UNIQUE INDEX ship_versions_current ON ijken.ship_versions (installation, schipid)"
    " WHERE valid_until IS NULL;\n";
// At most one survey not deleted per number.
const char* const kSurveysLive =
    "CREATE UNIQUE INDEX surveys_live ON ijken.surveys (installation, opnameid) WHERE deleted_at IS NULL;\n";
// The office's list in the browser: newest first, a page at a time from where the last ended.
const char* const kSurveysNewest =
    "CREATE INDEX IF NOT EXISTS surveys_newest ON ijken.surveys"
    " ((coalesce(invoerdatum, '')), installation, opnameid) WHERE deleted_at IS NULL;\n";
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
         kSurveysNewest + kSurveyVersionsBySurvey + "ALTER TABLE ijken.installations ENABLE ROW LEVEL SECURITY;\n" +
         own_installation();
    for (const char* t : kRowTables) s += own_rows(t);
    return s + kInstallationsGuard + kBargesView;
}

// Versions 1 and 2 bound a row to the role by the role's name; version 3 replaces it.
const char* const kOwnRowsByName =
    "installation IN (SELECT i.installation FROM ijken.installations i WHERE i.role_name = current_user)";

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
           kSurveysLive + kSurveysNewest + "DROP INDEX ijken.survey_versions_by_survey;\n" + kSurveyVersionsBySurvey +
           "ALTER TABLE ijken.ship_versions ENABLE ROW LEVEL SECURITY;\nCREATE POLICY own_rows ON ijken.ship_versions"
           " USING (" + kOwnRowsByName + ") WITH CHECK (" + kOwnRowsByName + ");\n"
           "INSERT INTO ijken.schema_version (version) VALUES (2);\n";
}

// Version 2 to version 3: an installation belongs to its role by the role's oid (each row bound to
// the role that has its name now; one whose role is gone belongs to nobody but the tables' owner),
// the office's names for the installations, and the view of them.
std::string upgrade_from_2() {
    std::string s = "ALTER TABLE ijken.installations ADD COLUMN role_oid oid, ADD COLUMN office_name text;\n"
                    "UPDATE ijken.installations i SET role_oid = r.oid FROM pg_catalog.pg_roles r"
                    " WHERE r.rolname = i.role_name;\n"
                    "DROP POLICY own_installation ON ijken.installations;\n" +
                    own_installation();
    for (const char* t : kRowTables) {
        s += std::string("DROP POLICY own_rows ON ijken.") + t + ";\nCREATE POLICY own_rows ON ijken." + t +
             " USING (" + kOwnRows + ") WITH CHECK (" + kOwnRows + ");\n";
    }
    return s + kInstallationsGuard + kBargesView + "INSERT INTO ijken.schema_version (version) VALUES (3);\n";
}

// The statements that give `table`, made by an upgrade, the rights and policies the office gave
// `model`, a table of the same kind made at the first creation: its grants (to whom and what) and
// its policies other than the tables' own. Rights the office granted by hand thus reach the new
// table as they would have, had it been there when the office set them up.
std::string access_like(PgConnection& db, const std::string& table, const std::string& model,
                        const std::string& own_policy) {
    const PgResult grants = db.exec(
        "SELECT coalesce(string_agg(format('GRANT %s ON ijken.%I TO %s;', a.privilege_type, $1::text,"
        " CASE WHEN a.grantee = 0 THEN 'PUBLIC' ELSE quote_ident(r.rolname) END), E'\\n'), '')"
        " FROM pg_catalog.pg_class c CROSS JOIN LATERAL aclexplode(c.relacl) a"
        " LEFT JOIN pg_catalog.pg_roles r ON r.oid = a.grantee"
        " WHERE c.oid = format('ijken.%I', $2::text)::regclass AND a.grantee <> c.relowner"
        " AND (a.grantee = 0 OR r.oid IS NOT NULL)",
        {table, model});
    const PgResult policies = db.exec(
        "SELECT coalesce(string_agg(format('CREATE POLICY %I ON ijken.%I AS %s FOR %s TO %s%s%s;', p.policyname,"
        " $1::text, p.permissive, p.cmd, (SELECT string_agg(CASE WHEN g = 'public' THEN 'PUBLIC'"
        " ELSE quote_ident(g) END, ', ') FROM unnest(p.roles) g), ' USING (' || p.qual || ')',"
        " ' WITH CHECK (' || p.with_check || ')'), E'\\n'), '') FROM pg_catalog.pg_policies p"
        " WHERE p.schemaname = 'ijken' AND p.tablename = $2 AND p.policyname <> $3",
        {table, model, own_policy});
    return std::string(grants.text(0, 0)) + "\n" + std::string(policies.text(0, 0)) + "\n";
}

// Version 1's barges may only insert installations; version 2's push writes an installation's last
// instant: each role that may register an installation may update that column.
std::string last_push_rights(PgConnection& db) {
    return std::string(db.exec(
        "SELECT coalesce(string_agg(format('GRANT UPDATE (last_push) ON ijken.installations TO %s;',"
        " CASE WHEN a.grantee = 0 THEN 'PUBLIC' ELSE quote_ident(r.rolname) END), E'\\n'), '')"
        " FROM pg_catalog.pg_class c CROSS JOIN LATERAL aclexplode(c.relacl) a"
        " LEFT JOIN pg_catalog.pg_roles r ON r.oid = a.grantee"
        " WHERE c.oid = 'ijken.installations'::regclass AND a.grantee <> c.relowner"
        " AND a.privilege_type = 'INSERT' AND (a.grantee = 0 OR r.oid IS NOT NULL)").text(0, 0));
}

// The roles that read every installation (the office's, by a policy other than the tables' own)
// may name them, as the set-up's grants let the office do on an office created at this version.
std::string naming_rights(PgConnection& db) {
    const PgResult readers = db.exec(
        "SELECT string_agg(DISTINCT quote_ident(g), ', ') FROM pg_catalog.pg_policies p CROSS JOIN unnest(p.roles) g"
        " WHERE p.schemaname = 'ijken' AND p.tablename = 'installations' AND p.policyname <> 'own_installation'"
        " AND p.cmd IN ('SELECT', 'ALL') AND g <> 'public'");
    if (readers.is_null(0, 0)) return "";
    const std::string roles(readers.text(0, 0));
    return "GRANT UPDATE (office_name) ON ijken.installations TO " + roles +
           ";\nCREATE POLICY office_names ON ijken.installations FOR UPDATE TO " + roles +
           " USING (true) WITH CHECK (true);\n";
}

// What is missing of the tables this program needs (with the types it reads), "" when nothing.
// For an older version what that version had is compared (for version 1 only the names).
std::string missing_columns(PgConnection& db, int version) {
    const bool version_1 = version == 1;
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
        if (t.since > version) continue;
        for (const Column& c : t.columns) {
            if (c.since > version) continue;
            const std::string want = t.name + "." + c.name + " " + (version_1 ? "" : c.type);
            if (std::find(have.begin(), have.end(), want) == have.end()) return "ijken." + t.name + "." + c.name;
        }
    }
    return "";
}

void check_columns(PgConnection& db, int version = kSchemaVersion) {
    // The version alone proves little: another program's "ijken" schema, or tables half made.
    const std::string missing = missing_columns(db, version);
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
std::optional<int> present_version(PgConnection& db) {
    // Read from the catalog itself, not through a name lookup: after waiting for the lock of a
    // creator that has just committed, the session's cached lookups may not know its tables yet
    // (while the catalog's rows, read now, do); reading the catalog also refreshes that cache.
    const PgResult ours = db.exec(
        "SELECT EXISTS (SELECT FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"
        " WHERE n.nspname = 'ijken' AND c.relname = 'schema_version')");
    if (ours.text(0, 0) == "t") {
        const PgResult version = db.exec("SELECT max(version::text) FROM ijken.schema_version");
        const std::string v(version.text(0, 0));
        const std::optional<long long> n = whole_number(v);
        if (n && *n > kSchemaVersion) {
            throw FleetError("the office database has version " + v +
                             " of the fleet tables, newer than this program's (" +
                             std::to_string(kSchemaVersion) + "); update ijken");
        }
        if (!n || *n < 1) {
            throw FleetError("the office database's fleet tables have an unknown version (" +
                             (v.empty() ? std::string("none") : one_line(v).substr(0, 40)) +
                             "); this program needs version " + std::to_string(kSchemaVersion));
        }
        return static_cast<int>(*n);
    }
    // Not ours: a database that holds anything else belongs to another program, and nothing is
    // written into it. What an extension brought along (pg_stat_statements' views) is the server's,
    // not another program's.
    const PgResult other = db.exec(
        "SELECT n.nspname || '.' || c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
        " WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') AND n.nspname NOT IN ('pg_catalog', 'information_schema')"
        " AND n.nspname NOT LIKE 'pg\\_toast%' AND n.nspname NOT LIKE 'pg\\_temp%'"
        " AND NOT EXISTS (SELECT 1 FROM pg_depend d WHERE d.classid = 'pg_class'::regclass AND d.objid = c.oid"
        " AND d.deptype = 'e') ORDER BY 1 LIMIT 1");
    if (other.rows() > 0) {
        throw FleetError("the office database holds another program's tables (" + std::string(other.text(0, 0)) +
                         "); the fleet needs a database of its own");
    }
    return std::nullopt;
}

[[noreturn]] void refuse_older(int version) {
    throw FleetError("the office database has version " + std::to_string(version) +
                     " of the fleet tables, older than this program's (" + std::to_string(kSchemaVersion) +
                     "); the office's administrator brings them up to date with ijken office init");
}

// The lock that the creation and the upgrades of the tables take alone, and every check before a
// push shares: a check never sees tables half made by a creator of the same moment.
const char* const kSchemaLockShared = "SELECT pg_advisory_xact_lock_shared(7469, 0)";
const char* const kSchemaLock = "SELECT pg_advisory_xact_lock(7469, 0)";

// Brings the tables of `version` up to this program's, each step as a first creation of that
// version would have left them, the office's grants and policies included.
void upgrade(PgConnection& db, int version) {
    if (version == 1) {
        db.exec(upgrade_from_1());
        const std::string rights = access_like(db, "ship_versions", "ships", "own_rows") + last_push_rights(db);
        if (rights.find_first_not_of(" \n") != std::string::npos) db.exec(rights);
        version = 2;
    }
    if (version == 2) {
        db.exec(upgrade_from_2());
        const std::string naming = naming_rights(db);
        if (!naming.empty()) db.exec(naming);
    }
}

}  // namespace

bool schema_present(PgConnection& db) {
    const std::optional<int> version = present_version(db);
    if (!version) return false;
    if (*version < kSchemaVersion) {
        check_columns(db, *version);
        refuse_older(*version);
    }
    check_columns(db);
    return true;
}

SchemaAction ensure_schema(PgConnection& db, bool may_upgrade) {
    {
        PgTransaction check(db);
        db.exec(kSchemaLockShared);
        const std::optional<int> version = present_version(db);
        if (version && *version == kSchemaVersion) {
            check_columns(db);
            return SchemaAction::present;
        }
        if (version && !may_upgrade) schema_present(db);
    }
    // Two barges pushing first at the same moment (or two offices running init): one creates, the
    // others wait and find it. The lock is held only while the tables are made, in a transaction
    // of its own.
    PgTransaction change(db);
    db.exec(kSchemaLock);
    const std::optional<int> version = present_version(db);
    if (version && *version == kSchemaVersion) {
        check_columns(db);
        return SchemaAction::present;
    }
    if (version) {
        check_columns(db, *version);
        if (!may_upgrade) refuse_older(*version);
    }
    try {
        if (version) {
            upgrade(db, *version);
        } else {
            db.exec(create_statements());
        }
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
