#pragma once
// The office's side of the fleet: every survey of every barge as one CSV file, and a survey's
// central copy put back into the shape of a barge's database so that its report can be written by
// the very code a barge uses.
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "fleet/pg_connection.h"

namespace ijken::fleet {

struct SurveyFilter {
    std::optional<std::string> ship;   // the ship's name (UTF-8), exactly
    std::optional<std::string> since;  // YYYY-MM-DD: entered on or after this day (UTC)
    std::optional<std::string> until;  // YYYY-MM-DD: entered on or before this day (UTC)
    std::optional<std::string> text;   // found, ignoring case, in a party's name, place or the cargo
};

// The condition a filter puts on ijken.surveys s LEFT JOIN ijken.ships sh, with its values as
// $1 .. $4 (the filter's texts are only ever bound, never written into the statement).
const std::string& survey_filter_condition();
std::vector<PgValue> survey_filter_values(const SurveyFilter& filter);

// Whether text is a date YYYY-MM-DD that exists.
bool is_date(const std::string& text);

// Writes every survey not deleted on board, in the export's CSV format with the installation and
// the ship's number in front, ordered by installation, ship and entry. The rows stream from the
// server, so memory does not grow with their number; the file is written under a temporary name
// and renamed when complete. Returns the number of surveys written. Throws FleetError.
long long write_office_csv(const std::string& conninfo, const SurveyFilter& filter,
                           const std::filesystem::path& output);
// The same file's bytes written to out, read in one snapshot on the caller's connection (which
// must be in no transaction).
long long write_office_csv(PgConnection& db, const SurveyFilter& filter, std::ostream& out);

// Writes a new database at db_pad (which must not exist) with the designed tables, holding the
// survey's ship as the selected ship, the gauge table that was valid when the survey's results were
// computed, and the ship's surveys as the barge last sent them. Returns the ship's SchipID.
// Throws FleetError when the office database has no such survey.
int materialise_survey(const std::string& conninfo, const std::string& installation, int opnameid,
                       const std::string& db_pad);
// The same on the caller's connection (which must be in no transaction).
int materialise_survey(PgConnection& db, const std::string& installation, int opnameid, const std::string& db_pad);

}  // namespace ijken::fleet
