#include "core/session/session.h"

#include <stdexcept>
#include <type_traits>
#include <utility>

#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/store/gauge_table.h"
#include "core/store/ships.h"
#include "core/store/surveys.h"
#include "core/survey/computation.h"

namespace ijken::session {

namespace {

using data::OpenMode;
using data::SQLiteDatabase;

// Runs work on a connection of its own in one transaction, committed when work returns.
template <class Work>
auto in_transaction(const std::string& db_pad, Work&& work) {
    SQLiteDatabase db(db_pad, OpenMode::existing);
    data::Transaction transaction(db);
    if constexpr (std::is_void_v<decltype(work(db))>) {
        work(db);
        transaction.commit();
    } else {
        auto result = work(db);
        transaction.commit();
        return result;
    }
}

std::vector<data::SqlValue> texts(const std::vector<std::string>& values) {
    if (values.size() != 10) throw std::invalid_argument("A ship has ten texts, not " + std::to_string(values.size()));
    return {values.begin(), values.end()};
}

}  // namespace

Session::Session(std::string db_pad) : db_pad_(std::move(db_pad)) {}

Session::~Session() = default;

void Session::notify(std::initializer_list<Change> changes) const {
    for (Change change : changes) {
        for (const Observer& observer : observers_) observer(change);
    }
}

std::size_t Session::survey_count() const {
    return surveys_ ? static_cast<std::size_t>(surveys_->RowCount()) : 0;
}

bool Session::at_first() const {
    return !surveys_ || surveys_->RowCount() == 0 || surveys_->AtStart();
}

bool Session::at_last() const {
    return !surveys_ || surveys_->RowCount() == 0 || surveys_->AtLast();
}

// ---- ships -----------------------------------------------------------------------------------------

void Session::load_selected_ship() {
    ship_ = survey::read_selected_ship(db_pad_);
    if (ship_) language_ = ship_->taal;
    read_surveys();
    show_last();
    notify({Change::ship_changed, Change::language_switched});
}

void Session::select_ship(int schip_id) {
    const int previous = ship_ ? ship_->params.SchipID : 0;
    in_transaction(db_pad_, [&](SQLiteDatabase& db) {
        store::set_selected(db, previous, false);
        store::set_selected(db, schip_id, true);
    });
    load_selected_ship();
}

void Session::store_particulars(const ShipEntry& entry) {
    if (!ship_) throw std::logic_error("No ship is selected");
    in_transaction(db_pad_, [&](SQLiteDatabase& db) {
        store::update_ship(db, ship_->params.SchipID, entry.aantal_ijken, entry.taal, texts(entry.texts));
    });
    load_selected_ship();
}

int Session::create_ship(const ShipEntry& entry) {
    const int id = in_transaction(db_pad_, [&](SQLiteDatabase& db) {
        return store::insert_ship(db, entry.aantal_ijken, entry.taal, texts(entry.texts));
    });
    notify({Change::ships_changed});
    return id;
}

void Session::delete_ship(int schip_id) {
    if (ship_ && ship_->params.SchipID == schip_id) throw std::logic_error("The selected ship cannot be deleted");
    in_transaction(db_pad_, [&](SQLiteDatabase& db) {
        store::delete_ship_surveys(db, schip_id);
        store::delete_ship_gauge_table(db, schip_id);
        store::delete_ship_row(db, schip_id);
    });
    notify({Change::ships_changed});
}

void Session::switch_language(int taal) {
    if (ship_) {
        in_transaction(db_pad_,
                       [&](SQLiteDatabase& db) { store::set_ship_language(db, ship_->params.SchipID, taal); });
        ship_->taal = taal;
    }
    language_ = taal;
    notify({Change::language_switched});
}

void Session::store_gauge_table(int schip_id, const std::map<int, double>& rows, int first, int last) {
    in_transaction(db_pad_, [&](SQLiteDatabase& db) {
        store::delete_gauge_table(db, schip_id);
        for (const auto& [inzinking, tonnage] : rows) store::insert_gauge_row(db, schip_id, inzinking, tonnage);
        store::set_ship_range(db, schip_id, last, first);
    });
    // The selected ship's range goes with its table; another ship's (one just added) changes
    // nothing shown.
    if (!ship_ || ship_->params.SchipID != schip_id) {
        notify({Change::table_stored});
        return;
    }
    ship_->params.Max_inzinking = survey_.Max_inzinking = last;
    ship_->params.Min_inzinking = survey_.Min_inzinking = first;
    compute_current();
    notify({Change::table_stored, Change::results_recomputed});
}

// ---- surveys ---------------------------------------------------------------------------------------

void Session::read_surveys() {
    surveys_ = ship_ ? survey::read_surveys(db_pad_, ship_->params.SchipID) : nullptr;
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
    if (!surveys_ || surveys_->AtEnd() || surveys_->AtLast()) return;
    surveys_->Next();
    show_current();
}

void Session::show_last() {
    if (surveys_ && surveys_->RowCount() > 0) surveys_->MoveLast();
    show_current();
}

// A survey that cannot be computed is shown whole, its results empty and the failure kept.
void Session::show_current() {
    if (!ship_ || !surveys_ || surveys_->RowCount() == 0) {
        current_ = kNoSurvey;
        survey_ = survey::SurveyValue{};
        if (ship_) {
            survey_.SchipID = ship_->params.SchipID;
            survey_.Aantal_ijken = ship_->params.Aantal_ijken;
            survey_.Max_inzinking = ship_->params.Max_inzinking;
            survey_.Min_inzinking = ship_->params.Min_inzinking;
        }
        failure_.clear();
        notify({Change::survey_shown});
        return;
    }
    survey_ = survey::survey_from_row(ship_->params, *surveys_);
    current_ = static_cast<int>(surveys_->AsInteger(surveys_->FieldIndex("Opnameid")));
    compute_current();
    notify({Change::survey_shown, Change::results_recomputed});
}

void Session::compute_current() {
    try {
        survey::compute(survey_, db_pad_);
        failure_.clear();
    } catch (const std::exception& e) {
        survey_.resultaat_leeg = {};
        survey_.resultaat_vol = {};
        failure_ = e.what();
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
    survey_.zout_correctie = std::move(text);
    recompute();
}

void Session::change_party(std::size_t index, std::string text) {
    survey_.parties.at(index) = std::move(text);
}

namespace {

// The values the add and save statements bind: twenty readings, the parties and the cargo, the
// factor. A reading too large to compute with is refused before anything is stored.
std::vector<data::SqlValue> survey_values(const survey::SurveyValue& s) {
    for (const std::string& reading : s.readings) survey::waarde_uit_tekst(reading);
    std::vector<data::SqlValue> values(s.readings.begin(), s.readings.end());
    values.insert(values.end(), s.parties.begin(), s.parties.end());
    values.emplace_back(s.zout_correctie);
    return values;
}

}  // namespace

void Session::add_survey() {
    if (!ship_) throw std::logic_error("No ship is selected");
    in_transaction(db_pad_, [&](SQLiteDatabase& db) {
        store::insert_survey(db, ship_->params.SchipID, survey_.print_language, survey_values(survey_));
    });
    read_surveys();
    show_last();
}

void Session::save_survey() {
    if (current_ == kNoSurvey) {
        add_survey();
        return;
    }
    in_transaction(db_pad_, [&](SQLiteDatabase& db) {
        store::update_survey(db, ship_->params.SchipID, current_, survey_.print_language, survey_values(survey_));
    });
    read_surveys();
    show_last();
}

void Session::delete_survey() {
    if (current_ == kNoSurvey) return;
    in_transaction(db_pad_,
                   [&](SQLiteDatabase& db) { store::delete_survey(db, ship_->params.SchipID, current_); });
    read_surveys();
    show_last();
}

}  // namespace ijken::session
