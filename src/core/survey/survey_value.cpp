#include "core/survey/survey_value.h"

#include <algorithm>
#include <stdexcept>

#include "core/data/sqlite_database.h"
#include "core/forms/edit_mask.h"
#include "core/survey/gauge_lookup.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

// The columns of the parties and the cargo, in SurveyValue::parties order.
const char* const kPartyColumns[7] = {"Verlader_Naam",  "Verlader_Plaats",  "Verlader_Telefoon", "Lading",
                                      "Ontvanger_Naam", "Ontvanger_Plaats", "Ontvanger_Telefoon"};

}  // namespace

const std::array<std::string, 20>& reading_columns() {
    static const std::array<std::string, 20> columns = [] {
        std::array<std::string, 20> c;
        const char* prefixes[4] = {"BBL_", "SBL_", "BBV_", "SBV_"};
        for (int block = 0; block < 4; ++block) {
            for (int point = 1; point <= 5; ++point)
                c[block * 5 + point - 1] = prefixes[block] + text::format_int(point);
        }
        return c;
    }();
    return columns;
}

SurveyValue survey_from_row(const ShipParams& ship, const data::SQLiteTable& t) {
    SurveyValue v;
    v.SchipID = ship.SchipID;
    v.Aantal_ijken = ship.Aantal_ijken;
    v.Max_inzinking = ship.Max_inzinking;
    v.Min_inzinking = ship.Min_inzinking;
    auto column_text = [&](const std::string& column) { return t.AsString(t.FieldIndex(column)); };
    for (int i = 0; i < 7; ++i) v.parties[i] = column_text(kPartyColumns[i]);
    // The report language is a digit in a text column; the choice holds one of its three items.
    const std::string taal = column_text("Taal");
    const auto index = text::parse_int(taal);
    if (!index) throw std::runtime_error("'" + taal + "' is not a valid integer value");
    v.print_language = static_cast<int>(std::clamp<long long>(*index, -1, 2));
    for (std::size_t i = 0; i < 20; ++i) v.readings[i] = column_text(reading_columns()[i]);
    v.salt_correction =
        forms::EditMask(kSaltMask).fit(text::format_fixed(t.AsFloat(t.FieldIndex("ZoutCorrectie")), 3, 5));
    v.rows_shown = points_in_use(ship.Aantal_ijken);
    return v;
}

void compute(SurveyValue& survey, data::SQLiteDatabase& db) {
    DatabaseGaugeTable table(db, survey.SchipID, DatabaseGaugeTable::Reading::with_next);
    const Recomputation r = recompute(table, survey.ship_params(), survey.input());
    survey.resultaat_leeg = r.leeg;
    survey.resultaat_vol = r.vol;
}

ShipParticulars SurveySource::ship_particulars() const {
    data::SQLiteDatabase db(database(), data::OpenMode::existing);
    return read_ship_particulars(db, survey().SchipID);
}

void compute(SurveyValue& survey, const std::string& db_pad) {
    const Recomputation r = recompute(db_pad, survey.ship_params(), survey.input());
    survey.resultaat_leeg = r.leeg;
    survey.resultaat_vol = r.vol;
}

}  // namespace ijken::survey
