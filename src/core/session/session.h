#pragma once
// The session: what the program works on between the database and the windows. It holds the
// database, the selected ship and its particulars, the ship's surveys with the cursor in them, the
// survey shown as a value and the active interface language, and offers the use cases as
// operations. Every operation that writes is one unit of work with one transaction: when it
// throws, the database and the session are as they were before it. Each operation ends by telling
// the observers what changed, so that a window refreshes what it shows instead of being told by
// another window.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/data/sqlite_table.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_value.h"

namespace ijken::session {

// What an operation changed; observers hear them in this order when several did.
enum class Change {
    ship_changed,        // another ship selected, or the selected ship's particulars stored
    ships_changed,       // a ship added or deleted: the ships menus are out of date
    survey_shown,        // another survey (or none) is the current one
    results_recomputed,  // the current survey's results were computed again
    table_stored,        // a gauge table was stored
    language_switched,   // the active interface language changed
};

// A ship's particulars as the ship window enters them: the certificate number, the name and the
// eight lines of the report's header, bound in that order.
struct ShipEntry {
    int aantal_ijken = 3;
    int taal = 1;
    std::vector<std::string> texts;  // ten texts
};

class Session {
  public:
    using Observer = std::function<void(Change)>;
    static constexpr int kNoSurvey = -199;

    explicit Session(std::string db_pad);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Observers hear every change from now on, in the order they subscribed.
    void subscribe(Observer observer) { observers_.push_back(std::move(observer)); }

    // ---- state ----

    const std::string& database() const { return db_pad_; }
    // The selected ship; none before load_selected_ship, or in a database without one.
    const std::optional<survey::ShipRecord>& ship() const { return ship_; }
    const survey::SurveyValue& survey() const { return survey_; }
    // Opnameid of the current survey, kNoSurvey when the ship has none.
    int current_survey() const { return current_; }
    std::size_t survey_count() const;
    bool at_first() const;
    bool at_last() const;
    // The active interface language (1 Dutch, 2 French, ...).
    int language() const { return language_; }
    // Why the current survey's results could not be computed; empty when they were.
    const std::string& failure() const { return failure_; }

    // ---- use cases ----

    // The selected ship with its newest survey, as at the start.
    void load_selected_ship();
    // That ship becomes the selected one, and is loaded.
    void select_ship(int schip_id);
    // Moves the cursor in the ship's surveys and shows the survey there.
    void show_first();
    void show_previous();
    void show_next();
    void show_last();
    // A field of the survey changed: a reading (0 .. 19) or the salt factor recompute it.
    void change_reading(std::size_t index, std::string text);
    void change_salt_factor(std::string text);
    void change_party(std::size_t index, std::string text);
    void set_print_language(int index) { survey_.print_language = index; }
    // Computes the current survey again with what is stored now (the ship's range and table).
    void recompute();
    // Stores the current survey over its record, or as a new one when there is none (add always
    // adds one); then the ship's surveys are read again and the newest is shown. Deleting shows
    // the newest of those left.
    void save_survey();
    void add_survey();
    void delete_survey();
    // Replaces the ship's gauge table by rows (centimetre to tonnage) and its range by first and
    // last; the survey shown is recomputed with it when the ship is the selected one.
    void store_gauge_table(int schip_id, const std::map<int, double>& rows, int first, int last);
    // Stores the selected ship's particulars, or adds a ship (returning its SchipID).
    void store_particulars(const ShipEntry& entry);
    int create_ship(const ShipEntry& entry);
    // Deletes a ship that is not the selected one, with its surveys and gauge table.
    void delete_ship(int schip_id);
    // The active language, stored with the selected ship.
    void switch_language(int taal);

  private:
    void notify(std::initializer_list<Change> changes) const;
    void read_surveys();
    void show_current();
    void compute_current();

    std::string db_pad_;
    std::vector<Observer> observers_;
    std::optional<survey::ShipRecord> ship_;
    std::unique_ptr<data::SQLiteTable> surveys_;
    survey::SurveyValue survey_;
    int current_ = kNoSurvey;
    int language_ = 1;
    std::string failure_;
};

}  // namespace ijken::session
