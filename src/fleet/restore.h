#pragma once
// A barge's database made again from what the office holds: the installation's ships with their
// current particulars and gauge tables, and its live surveys, exactly as the barge last sent them,
// with the installation id, so that the barge goes on pushing as itself and nothing is marked
// deleted at its next push. For a barge whose computer was lost, or a replacement prepared ashore.
#include <optional>
#include <string>

#include "fleet/pg_connection.h"

namespace ijken::fleet {

struct RestoreSummary {
    std::string installation;
    long long ships = 0, gauge_rows = 0, surveys = 0;
};

// Writes a new database at `output`, which must not exist: the file is built beside it under
// another name and put in place only when complete, and never over a file that appeared there
// meanwhile. `installation` chooses among the installations the role may read (a barge's role
// reads its own alone; the office's reads all); without it the role must read exactly one.
// Throws FleetError: no such installation for this role, more than one to choose from, the file
// exists, or the office cannot be read.
RestoreSummary restore_installation(PgConnection& db, const std::optional<std::string>& installation,
                                    const std::string& output);

}  // namespace ijken::fleet
