#pragma once
// The session: what the program works on between the database and the windows. It holds the
// database, the selected ship and its particulars, the ship's surveys with the cursor in them, the
// survey shown as a value with its result cells and warnings, and the interface languages, and
// offers the use cases as operations. Every operation that writes is one unit of work with one
// transaction: when it throws, the database and the session are as they were before it. Each
// operation ends by telling the observers what changed, so that a window refreshes what it shows
// instead of being told by another window.
#include <array>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/data/sqlite_table.h"
#include "core/lang/taal.h"
#include "core/store/ships.h"
#include "core/survey/computation.h"
#include "core/survey/opening_read.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_value.h"
#include "core/survey/warnings.h"

namespace ijken::session {

// What an operation changed; observers hear them in this order when several did.
enum class Change {
    survey_shown,            // another survey (or none) is the current one, its fields to be shown
    results_recomputed,      // the current survey's results, cells and warnings were computed again
    ship_changed,            // another ship selected, or the selected ship's particulars stored
    ships_changed,           // a ship added or deleted: the ships menus are out of date
    ship_deleted,            // a ship is gone (deleted_ship() says which)
    table_stored,            // a gauge table was stored
    language_switched,       // the active interface language changed
    print_language_chosen,   // the survey's print language was chosen
};

// A ship's particulars as the ship window enters them: the certificate number, the name and the
// eight lines of the report's header, bound in that order.
struct ShipEntry {
    int gauge_points = 3;
    int language = 1;
    std::vector<std::string> texts;  // ten texts
};

// A ship's stored gauge table as the table window loads it: its first and last centimetre, the
// tonnage of its top row and every row.
struct StoredGaugeTable {
    int first = 0;
    int last = 0;
    double top_tonnage = 0;
    std::map<int, double> rows;
};

class Session {
  public:
    using Observer = std::function<void(Change)>;
    static constexpr int kNoSurvey = -199;

    // db_path: the database. language_dir: the directory of the interface language files, with its
    // trailing separator ("tln.tln" is Dutch, language 1, and "tlf.tln" French, 2).
    explicit Session(std::string db_path, std::string language_dir = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Observers hear every change from now on, in the order they subscribed.
    void subscribe(Observer observer) { observers_.push_back(std::move(observer)); }
    // Hears every write the office keeps a copy of, once its transaction committed: a survey
    // saved, added or deleted, a gauge table or a ship's particulars stored, a ship added or
    // deleted. (Not the selected ship, the language or a table extended by a computation.)
    void on_stored(std::function<void()> listener) { stored_listeners_.push_back(std::move(listener)); }

    // ---- state ----

    const std::string& database() const { return db_path_; }
    // The selected ship; none before load_selected_ship, or in a database without one.
    const std::optional<survey::ShipRecord>& ship() const { return ship_; }
    // SchipID of the selected ship, 0 when there is none.
    int ship_id() const { return survey_.SchipID; }
    const survey::SurveyValue& survey() const { return survey_; }
    // Opnameid of the current survey, kNoSurvey when the ship has none.
    int current_survey() const { return current_; }
    std::size_t survey_count() const;
    bool at_first() const;
    bool at_last() const;
    // The result grid's cells and what the last computation found doubtful.
    const survey::ResultCells& cells() const { return cells_; }
    const std::vector<survey::Warning>& warnings() const { return warnings_; }
    // Why the current survey's results could not be computed; empty when they were.
    const std::string& failure() const { return failure_; }
    // Throws that failure again, as the computation threw it; nothing when there is none.
    void rethrow_failure() const;
    // The interface languages and the active one (1 Dutch, 2 French, ...).
    lang::Taal& taal() { return taal_; }
    const lang::Taal& taal() const { return taal_; }
    int language() const { return taal_.ActiveTaalFile(); }
    // The ship the last delete_ship took away.
    int deleted_ship() const { return deleted_ship_; }
    // Every ship, for the menus (the selected one marked).
    std::vector<store::ShipEntry> ships();

    // ---- use cases ----

    // What was read ahead at start: the next reads of the ships, the selected ship and its surveys
    // take their part of it, each once. forget_opening drops what is left.
    void take_opening(survey::OpeningRead read) { opening_ = std::move(read); }
    void forget_opening() { opening_.reset(); }

    // The selected ship with its newest survey, as at the start: the readings start from "0".
    void load_selected_ship();
    // That ship becomes the selected one, and is loaded.
    void select_ship(int chosen);
    // Moves the cursor in the ship's surveys and shows the survey there.
    void show_first();
    void show_previous();
    void show_next();
    void show_last();
    // Reads the ship's surveys again and shows the newest.
    void show_newest();
    // Reads the ship's surveys again and shows the one with that Opnameid; false (the newest shown)
    // when the ship has none such.
    bool show_survey(int survey_id);
    // A field of the survey changed: a reading (0 .. 19) or the salt factor recompute it.
    void change_reading(std::size_t index, std::string text);
    void change_salt_factor(std::string text);
    void change_party(std::size_t index, std::string text);
    // Every reading to "0", recomputed once.
    void reset_readings();
    void set_print_language(int index);
    // The fields as a window holds them before anything is loaded; nothing computed, nothing told.
    void take_fields(const std::array<std::string, 20>& readings, const std::array<std::string, 7>& parties,
                     std::string salt_correction, int print_language);
    // Computes the current survey again with what is stored now (the ship's range and table).
    void recompute();
    // Stores the current survey over its record, or as a new one when there is none (add always
    // adds one); then the ship's surveys are read again and the newest is shown. Deleting shows
    // the newest of those left.
    void save_survey();
    void add_survey();
    void delete_survey();
    // The writing part of save_survey and add_survey alone: nothing is read again or shown, so
    // that a window can say the survey is stored before it shows the newest (show_newest).
    void write_survey();
    void write_new_survey();
    // Replaces the ship's gauge table by rows (centimetre, tonnage) and its range by first and
    // last. The survey shown takes the selected ship's new range at once, and its results the new
    // table when it is next shown or recomputed.
    void store_gauge_table(int ship_id, const std::vector<std::pair<int, double>>& rows, int first, int last);
    // The ship's table for editing: the extension rows (negative tonnages) below the table become
    // zero rows again and those above it go, then the table is read; none when the ship has no
    // row of zero tonnage to start from. Below means under the ship's first row with a tonnage, or,
    // without one, under first_if_unknown() + 10.
    std::optional<StoredGaugeTable> unextended_gauge_table(int ship_id,
                                                           const std::function<long long()>& first_if_unknown);
    // The stored rows of the ship's table (extension rows not counted).
    long long stored_gauge_rows(int ship_id);
    // A ship's particulars as stored; throws when there is no such ship.
    ShipEntry particulars(int ship_id);
    // Stores the selected ship's particulars, or adds a ship (returning its SchipID).
    void store_particulars(const ShipEntry& entry);
    int create_ship(const ShipEntry& entry);
    // Deletes a ship that is not the selected one, with its surveys and gauge table.
    void delete_ship(int ship_id);
    // The active language, stored with the selected ship.
    void switch_language(int language);
    // Stores the active language with the selected ship again (nothing told).
    void remember_language();

  private:
    void notify(std::initializer_list<Change> changes) const;
    void stored() const;
    void read_surveys();
    void show_current();
    void compute_current();
    void take_ship(const survey::ShipRecord* ship);

    std::string db_path_;
    std::vector<Observer> observers_;
    std::vector<std::function<void()>> stored_listeners_;
    std::optional<survey::ShipRecord> ship_;
    std::unique_ptr<data::SQLiteTable> surveys_;
    survey::SurveyValue survey_;
    int current_ = kNoSurvey;
    survey::ResultCells cells_;
    std::vector<survey::Warning> warnings_;
    std::string failure_;
    std::exception_ptr failure_error_;
    // The results, cells, warnings and failure are those of survey_'s readings on the table as
    // stored now; false once the ship or its table changed under them.
    bool results_current_ = false;
    lang::Taal taal_;
    int deleted_ship_ = 0;
    std::optional<survey::OpeningRead> opening_;
};

}  // namespace ijken::session
