#include "core/session/session.h"

#include <stdexcept>
#include <type_traits>
#include <utility>

#include "core/data/sqlite_database.h"
#include "core/session/unit_of_work.h"
#include "core/store/gauge_table.h"
#include "core/store/ships.h"
#include "core/store/surveys.h"
#include "core/survey/computation.h"

namespace ijken::session {

namespace {

using data::OpenMode;
using data::SQLiteDatabase;

std::vector<data::SqlValue> texts(const std::vector<std::string>& values) {
    if (values.size() != 10) throw std::invalid_argument("A ship has ten texts, not " + std::to_string(values.size()));
    return {values.begin(), values.end()};
}

}  // namespace

Session::Session(std::string db_path, std::string language_dir) : db_path_(std::move(db_path)) {
    taal_.set_directory(std::move(language_dir));
    taal_.set_TaalFile1("tln.tln");
    taal_.set_TaalFile2("tlf.tln");
    taal_.SetActiveTaalFile(1);
}

Session::~Session() = default;

void Session::notify(std::initializer_list<Change> changes) const {
    for (Change change : changes) {
        for (const Observer& observer : observers_) observer(change);
    }
}

void Session::stored() const {
    for (const auto& listener : stored_listeners_) listener();
}

std::size_t Session::survey_count() const {
    return surveys_ ? static_cast<std::size_t>(surveys_->RowCount()) : 0;
}

bool Session::at_first() const {
    return !surveys_ || surveys_->RowCount() == 0 || surveys_->AtStart();
}

bool Session::at_last() const {
    return !surveys_ || surveys_->RowCount() == 0 || surveys_->at_last();
}

void Session::rethrow_failure() const {
    if (failure_error_) std::rethrow_exception(failure_error_);
}

std::vector<store::ShipEntry> Session::ships() {
    if (opening_ && opening_->ships) return *std::exchange(opening_->ships, std::nullopt);
    SQLiteDatabase db(db_path_, OpenMode::existing);
    return store::all_ships(db);
}

// ---- ships -----------------------------------------------------------------------------------------

void Session::load_selected_ship() {
    const std::optional<survey::ShipRecord> ship = opening_ && opening_->ship
                                                       ? *std::exchange(opening_->ship, std::nullopt)
                                                       : survey::read_selected_ship(db_path_);
    // Without a selected ship there is nothing to load: what is shown stays.
    if (!ship) return;
    take_ship(&*ship);
    read_surveys();
    if (surveys_->RowCount() > 0) {
        surveys_->MoveLast();
        show_current();
    } else {
        // A ship without surveys shows its readings at "0", computed.
        current_ = kNoSurvey;
        compute_current();
        notify({Change::survey_shown, Change::results_recomputed});
    }
    notify({Change::ship_changed, Change::language_switched});
}

// The ship's particulars into the session and the survey value; the readings start from "0".
void Session::take_ship(const survey::ShipRecord* ship) {
    ship_ = *ship;
    results_current_ = false;
    survey_.SchipID = ship->params.SchipID;
    survey_.Aantal_ijken = ship->params.Aantal_ijken;
    survey_.Max_inzinking = ship->params.Max_inzinking;
    survey_.Min_inzinking = ship->params.Min_inzinking;
    survey_.readings.fill("0");
    survey_.rows_shown = survey::points_in_use(ship->params.Aantal_ijken);
    taal_.SetActiveTaalFile(ship->taal);
}

void Session::select_ship(int chosen) {
    const int previous = ship_id();
    in_transaction(db_path_, [&](SQLiteDatabase& db) {
        store::set_selected(db, previous, false);
        store::set_selected(db, chosen, true);
    });
    load_selected_ship();
}

void Session::store_particulars(const ShipEntry& entry) {
    if (!ship_) throw std::logic_error("No ship is selected");
    in_transaction(db_path_, [&](SQLiteDatabase& db) {
        store::update_ship(db, ship_->params.SchipID, entry.gauge_points, entry.language, texts(entry.texts));
    });
    stored();
    load_selected_ship();
}

int Session::create_ship(const ShipEntry& entry) {
    const int id = in_transaction(db_path_, [&](SQLiteDatabase& db) {
        return store::insert_ship(db, entry.gauge_points, entry.language, texts(entry.texts));
    });
    stored();
    notify({Change::ships_changed});
    return id;
}

void Session::delete_ship(int ship_id) {
    if (ship_ && ship_->params.SchipID == ship_id) throw std::logic_error("The selected ship cannot be deleted");
    in_transaction(db_path_, [&](SQLiteDatabase& db) {
        store::delete_ship_surveys(db, ship_id);
        store::delete_ship_gauge_table(db, ship_id);
        store::delete_ship_row(db, ship_id);
    });
    stored();
    deleted_ship_ = ship_id;
    notify({Change::ships_changed, Change::ship_deleted});
}

void Session::switch_language(int language) {
    // A language without a file is not taken: the active one stays, and is what is stored.
    const int before = taal_.ActiveTaalFile();
    taal_.SetActiveTaalFile(language);
    try {
        remember_language();
    } catch (...) {
        taal_.SetActiveTaalFile(before);
        throw;
    }
    notify({Change::language_switched});
}

void Session::remember_language() {
    if (ship_id() == 0) return;
    const int active = language();
    in_transaction(db_path_, [&](SQLiteDatabase& db) { store::set_ship_language(db, ship_id(), active); });
    if (ship_) ship_->taal = active;
}

// ---- surveys ---------------------------------------------------------------------------------------

void Session::read_surveys() {
    if (!ship_) {
        surveys_ = nullptr;
        return;
    }
    if (opening_ && opening_->surveys && opening_->surveys_of == ship_->params.SchipID) {
        surveys_ = std::move(opening_->surveys);
        return;
    }
    surveys_ = survey::read_surveys(db_path_, ship_->params.SchipID);
}

void Session::show_first() {
    if (surveys_) {
        while (surveys_->Previous()) {
        }
    }
    show_current();
}

void Session::show_previous() {
    if (!surveys_ || !surveys_->Previous()) return;
    show_current();
}

void Session::show_next() {
    if (!surveys_ || surveys_->AtEnd() || surveys_->at_last()) return;
    surveys_->Next();
    show_current();
}

void Session::show_last() {
    if (surveys_ && surveys_->RowCount() > 0) surveys_->MoveLast();
    show_current();
}

void Session::show_newest() {
    read_surveys();
    show_last();
}

bool Session::show_survey(int survey_id) {
    read_surveys();
    if (!surveys_ || surveys_->RowCount() == 0) return false;
    const int column = surveys_->FieldIndex("Opnameid");
    surveys_->MoveLast();
    while (surveys_->AsInteger(column) != survey_id) {
        if (surveys_->AtStart()) {
            // Not there: the list stays on the newest survey, as after any load.
            surveys_->MoveLast();
            return false;
        }
        surveys_->Previous();
    }
    show_current();
    return true;
}

// A survey that cannot be computed is shown whole, its results empty and the failure kept. Without
// a survey the fields stay as they are.
void Session::show_current() {
    if (!ship_ || !surveys_ || surveys_->RowCount() == 0) {
        current_ = kNoSurvey;
        notify({Change::survey_shown});
        return;
    }
    survey::SurveyValue shown = survey::survey_from_row(ship_->params, *surveys_);
    current_ = static_cast<int>(surveys_->AsInteger(surveys_->FieldIndex("Opnameid")));
    // The same readings of the same ship on an unchanged table (the survey shown again when the
    // main window comes back) keep the results they have: computing them anew gives the same.
    const bool same_input = results_current_ && shown.readings == survey_.readings &&
                            shown.salt_correction == survey_.salt_correction &&
                            shown.SchipID == survey_.SchipID && shown.Aantal_ijken == survey_.Aantal_ijken &&
                            shown.Max_inzinking == survey_.Max_inzinking &&
                            shown.Min_inzinking == survey_.Min_inzinking;
    if (same_input) {
        shown.resultaat_leeg = survey_.resultaat_leeg;
        shown.resultaat_vol = survey_.resultaat_vol;
    }
    survey_ = std::move(shown);
    if (!same_input) compute_current();
    notify({Change::survey_shown, Change::results_recomputed});
}

void Session::compute_current() {
    const survey::SurveyInput input = survey_.input();
    try {
        const survey::Recomputation r = survey::recompute(db_path_, survey_.ship_params(), input);
        survey_.resultaat_leeg = r.leeg;
        survey_.resultaat_vol = r.vol;
        cells_ = r.cells;
        warnings_ = survey::find_warnings(survey_.ship_params(), input, r);
        failure_.clear();
        failure_error_ = nullptr;
        results_current_ = true;
    } catch (const std::exception& e) {
        // No figure of other readings may stand beside these.
        survey_.resultaat_leeg = {};
        survey_.resultaat_vol = {};
        cells_ = {};
        warnings_.clear();
        failure_ = e.what();
        failure_error_ = std::current_exception();
        results_current_ = true;
    }
}

void Session::recompute() {
    compute_current();
    notify({Change::results_recomputed});
}

void Session::change_reading(std::size_t index, std::string text) {
    survey_.readings.at(index) = std::move(text);
    recompute();
}

void Session::change_salt_factor(std::string text) {
    survey_.salt_correction = std::move(text);
    recompute();
}

void Session::change_party(std::size_t index, std::string text) {
    survey_.parties.at(index) = std::move(text);
}

void Session::reset_readings() {
    survey_.readings.fill("0");
    recompute();
}

void Session::set_print_language(int index) {
    survey_.print_language = index;
    notify({Change::print_language_chosen});
}

void Session::take_fields(const std::array<std::string, 20>& readings,
                          const std::array<std::string, 7>& parties, std::string salt_correction,
                          int print_language) {
    survey_.readings = readings;
    survey_.parties = parties;
    survey_.salt_correction = std::move(salt_correction);
    survey_.print_language = print_language;
}

namespace {

// The values the add and save statements bind: twenty readings, the parties and the cargo, the
// factor. A reading too large to compute with is refused before anything is stored.
std::vector<data::SqlValue> survey_values(const survey::SurveyValue& s) {
    for (const std::string& reading : s.readings) survey::waarde_uit_tekst(reading);
    std::vector<data::SqlValue> values(s.readings.begin(), s.readings.end());
    // The statements bind the shipper, the consignee, then the cargo.
    for (int party : {0, 1, 2, 4, 5, 6, 3}) values.emplace_back(s.parties[party]);
    values.emplace_back(s.salt_correction);
    return values;
}

}  // namespace

void Session::write_new_survey() {
    if (!ship_) throw std::logic_error("No ship is selected");
    in_transaction(db_path_, [&](SQLiteDatabase& db) {
        store::insert_survey(db, ship_->params.SchipID, survey_.print_language, survey_values(survey_));
    });
    stored();
}

void Session::write_survey() {
    if (current_ == kNoSurvey) {
        write_new_survey();
        return;
    }
    in_transaction(db_path_, [&](SQLiteDatabase& db) {
        store::update_survey(db, ship_->params.SchipID, current_, survey_.print_language, survey_values(survey_));
    });
    stored();
}

void Session::add_survey() {
    write_new_survey();
    show_newest();
}

void Session::save_survey() {
    write_survey();
    show_newest();
}

void Session::delete_survey() {
    if (current_ == kNoSurvey) return;
    in_transaction(db_path_,
                   [&](SQLiteDatabase& db) { store::delete_survey(db, ship_->params.SchipID, current_); });
    stored();
    read_surveys();
    show_last();
}

}  // namespace ijken::session
