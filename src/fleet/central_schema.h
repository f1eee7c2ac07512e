#pragma once
// The office database's tables: the schema "ijken" with its version, one table per kind of row,
// each keyed by the installation it came from, and row-level security that keeps a barge's role to
// its own installation's rows.
#include <string>
#include <vector>

#include "fleet/pg_connection.h"

namespace ijken::fleet {

// The version of the tables this program creates and understands.
inline constexpr int kSchemaVersion = 3;

// The columns of the designed tables as the office keeps them, in the designed order.
const std::vector<std::string>& ship_text_columns();     // name, meetbrief_nr, veld1 .. veld8
const std::vector<std::string>& ship_number_columns();   // taal, aantal_ijken, max_inzinking, min_inzinking
const std::vector<std::string>& survey_party_columns();  // verlader_naam .. lading
const std::vector<std::string>& reading_columns();       // bbl_1 .. sbv_5
const std::vector<std::string>& result_columns();        // e01 .. e52

enum class SchemaAction { present, created, upgraded };

// Checks that the database holds this program's tables in a version it understands (every table
// and column it needs, not only the version's number), and creates them when it holds none yet,
// in short transactions of its own (the caller has none open). With `may_upgrade` (the office's
// administrator, who owns the tables) an older version is brought up to this one, with the grants
// and policies the office gave the tables reaching what the upgrade adds; without, it is refused.
// Creations and upgrades take turns; a check waits for one under way. Throws FleetError, changing
// nothing, for a database that holds another program's tables or another version of these.
SchemaAction ensure_schema(PgConnection& db, bool may_upgrade = false);

// Only the check, inside the caller's transaction: true when the tables are there in this
// version, false when the database has none of ours (and nothing else); throws as ensure_schema
// does.
bool schema_present(PgConnection& db);

}  // namespace ijken::fleet
