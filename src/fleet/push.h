#pragma once
// Sending a barge's database to the office: its ships, gauge tables and surveys, in one server
// transaction. Pushing twice changes nothing; a survey changed on board is updated (its earlier
// state kept), one deleted on board is marked deleted, a replaced gauge table is closed with the
// time it was replaced and the new one starts there.
#include <atomic>
#include <string>
#include <vector>

#include "fleet/central_schema.h"

namespace ijken::fleet {

struct PushSummary {
    std::string installation;  // the barge's installation id
    int ships = 0;             // on board
    int surveys = 0;           // on board
    long long ships_changed = 0;
    long long surveys_changed = 0;  // new or updated centrally
    long long surveys_deleted = 0;  // newly marked deleted
    long long tables_replaced = 0;  // ships whose gauge table was new or replaced
    bool schema_created = false;
    // Surveys whose results could not be computed (sent with empty result cells), UTF-8.
    std::vector<std::string> problems;
};

// Pushes the database at db_pad (which must exist) to the office database named by conninfo.
// The barge's database is read in one read transaction; the only write to it is the installation
// id on the first push, and that only after the server was reached and its tables checked. Throws
// FleetError (exit status 2 for a malformed connection string, else 1); the office database then
// holds what it held before. A row holding a value the office cannot take (a text in a number
// column) refuses the whole push with one line naming its ship and survey. Setting `cancel` ends
// the push within a tenth of a second, as a failure that changed nothing at the office.
PushSummary push(const std::string& db_pad, const std::string& conninfo,
                 const std::atomic<bool>* cancel = nullptr);

// Creates the office's tables (when missing), or brings version 1 of them up to date, without
// pushing anything: the office's first step, by the role that owns the tables.
SchemaAction create_office_schema(const std::string& conninfo);

}  // namespace ijken::fleet
