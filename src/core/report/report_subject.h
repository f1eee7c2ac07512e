#pragma once
// What a report is made of when no window shows the survey: the survey the main window would
// show, computed as it computes it, and its ship's lines for the page's header.
#include <optional>
#include <stdexcept>
#include <string>

#include "core/data/sqlite_database.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_value.h"

namespace ijken::report {

// A survey or ship that is not there; what() is the one line to show.
struct ReportSubjectMissing : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ReportSubject {
    survey::SurveyValue survey;
    survey::ShipParticulars ship;
};

// The ship of that SchipID (default: the selected ship) and its survey of that Opnameid (default:
// its newest, the one the main window starts on), computed once in its stored print language.
// Everything is read, and the gauge table extended as the main window extends it, on db, which is
// named db_name in the messages. Only the chosen survey's row is read, however many the ship has.
ReportSubject read_report_subject(data::SQLiteDatabase& db, const std::string& db_name,
                                  std::optional<int> ship_id, std::optional<int> survey_id);

}  // namespace ijken::report
