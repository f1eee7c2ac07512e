#include "core/report/report_subject.h"

#include <memory>
#include <utility>

#include "core/store/surveys.h"
#include "core/text/numbers.h"

namespace ijken::report {

namespace {

std::unique_ptr<data::SQLiteTable> chosen_row(data::SQLiteDatabase& db, int ship_id,
                                              std::optional<int> survey_id) {
    const std::string ship_text = "ship " + text::format_int(ship_id);
    auto row = survey_id ? store::ship_survey(db, ship_id, *survey_id) : store::newest_survey(db, ship_id);
    if (row->RowCount() == 1) return row;
    if (survey_id && store::newest_survey(db, ship_id)->RowCount() == 1) {
        throw ReportSubjectMissing(ship_text + " has no survey with Opnameid " +
                                   text::format_int(*survey_id));
    }
    throw ReportSubjectMissing(ship_text + " has no surveys");
}

}  // namespace

ReportSubject read_report_subject(data::SQLiteDatabase& db, const std::string& db_name,
                                  std::optional<int> ship_id, std::optional<int> survey_id) {
    auto ship = survey::read_ship_with_particulars(db, ship_id);
    if (!ship) {
        if (ship_id) {
            throw ReportSubjectMissing("no ship with SchipID " + text::format_int(*ship_id) + " in " +
                                       db_name);
        }
        throw ReportSubjectMissing("no selected ship in " + db_name);
    }
    const survey::ShipParams& params = ship->first.params;
    ReportSubject subject{survey::survey_from_row(params, *chosen_row(db, params.SchipID, survey_id)),
                          std::move(ship->second)};
    survey::compute(subject.survey, db);
    return subject;
}

}  // namespace ijken::report
