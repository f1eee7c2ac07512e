#pragma once
// The office's side of the fleet: every survey of every barge as one CSV file, and a survey's
// central copy put back into the shape of a barge's database so that its report can be written by
// the very code a barge uses.
#include <cstdint>
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
    bool deleted = false;              // also the surveys deleted on board, with the time they went
    std::optional<std::string> text;   // found, ignoring case, in a party's name, place or the cargo
};

// The surveys a filter chooses: FROM survey_filter_from() WHERE survey_filter_condition(), with
// survey_filter_values() as $1 .. $5 (the filter's texts are only ever bound). The survey is s,
// its ship's particulars valid when the survey was last sent sh.
const std::string& survey_filter_from();
const std::string& survey_filter_condition();
std::vector<PgValue> survey_filter_values(const SurveyFilter& filter);

// How the office names a survey: INSTALLATION:OPNAMEID is the newest survey the barge gave that
// number (the one on board, or the last deleted); INSTALLATION:OPNAMEID~G is the G-th (1, 2 ...),
// for a number the barge gave again after a delete.
struct SurveyName {
    std::string installation;
    std::int64_t opnameid = 0;
    std::optional<int> generation;
    std::string text() const;  // OPNAMEID or OPNAMEID~G
};

// The name read from its text; nothing when it is not one.
std::optional<SurveyName> parse_survey_name(const std::string& name);

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
// survey's ship as the selected ship, SchipID 1, with the particulars and the gauge table that were
// valid when the survey was last sent, and the survey as the barge sent it, as Opnameid 1. Throws
// FleetError when the office database has no such survey.
void materialise_survey(const std::string& conninfo, const SurveyName& name, const std::string& db_pad);
// The same on the caller's connection (which must be in no transaction).
void materialise_survey(PgConnection& db, const SurveyName& name, const std::string& db_pad);

// Gives the installation the office's name for it (the office's pages show it instead of the
// role's name); an empty name takes it back. Only a role that may name installations (the
// office's, or the owner of the tables) can: the installation's own role cannot. Throws FleetError:
// exit status 2 for an installation that is no UUID or a name that is too long or holds control
// characters, 1 when the office database has no such installation this role may name.
void name_installation(const std::string& conninfo, const std::string& installation, const std::string& name);

// The longest name the office gives an installation, in characters.
inline constexpr std::size_t kMaxOfficeName = 100;

}  // namespace ijken::fleet
