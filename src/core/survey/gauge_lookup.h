#pragma once
// Where the computation of a state looks up its tonnages: a ship's gauge table, in the database or
// in a copy read once into memory. Both give the same rows and extend the same way (see
// verleng_ijktabel), so a state computes alike on either; only the database back-end writes.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "core/data/sqlite_database.h"

namespace ijken::survey {

class GaugeTable {
  public:
    virtual ~GaugeTable() = default;
    // The stored tonnage at one whole centimetre of immersion; nothing when the table has no such row.
    virtual std::optional<double> tonnage(int immersion) = 0;
    // Up to 60 extrapolated rows below and above the table, once (as long as a negative row exists,
    // nothing more is written).
    virtual void extend(int max_inzinking) = 0;
};

// The ship's table in the database, looked up on a connection of its own, opened at the first
// lookup (a state whose readings are refused opens none), or on the caller's. Extending writes the
// rows into the database, as the main window does. On the caller's connection a lookup may also
// read the next centimetre's row with it, for the state's upper tonnage: one query a state, for
// computing a single survey.
class DatabaseGaugeTable final : public GaugeTable {
  public:
    enum class Reading { row, with_next };
    DatabaseGaugeTable(std::string db_pad, int ship_id) : db_pad_(std::move(db_pad)), ship_id_(ship_id) {}
    // Looks up and extends on `db`, which outlives the table and is in no transaction.
    DatabaseGaugeTable(data::SQLiteDatabase& db, int ship_id, Reading reading = Reading::row)
        : ship_id_(ship_id), borrowed_(&db), with_next_(reading == Reading::with_next) {}
    std::optional<double> tonnage(int immersion) override;
    void extend(int max_inzinking) override;

  private:
    std::string db_pad_;
    int ship_id_;
    data::SQLiteDatabase* borrowed_ = nullptr;
    std::optional<data::SQLiteDatabase> db_;
    bool with_next_ = false;
    std::optional<int> read_at_;  // the lower centimetre of the rows read with_next
    std::map<int, double> read_;
};

// The ship's table read once into memory, for computing many surveys without a query per lookup.
// Extending extends only this copy, with the rows the database would store: a window or a command
// that merely reads surveys must not write to the database.
class MemoryGaugeTable final : public GaugeTable {
  public:
    // Reads the ship's rows on a connection of its own. Database errors propagate.
    static MemoryGaugeTable read(const std::string& db_pad, int ship_id);
    explicit MemoryGaugeTable(std::map<int, double> tonnages) : tonnages_(std::move(tonnages)) {}

    std::optional<double> tonnage(int immersion) override;
    void extend(int max_inzinking) override;

    std::size_t rows() const { return tonnages_.size(); }

  private:
    std::map<int, double> tonnages_;
};

}  // namespace ijken::survey
