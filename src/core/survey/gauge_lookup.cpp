#include "core/survey/gauge_lookup.h"

#include <algorithm>
#include <utility>

#include "core/data/transaction.h"
#include "core/store/gauge_table.h"
#include "core/survey/computation.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

// The steps of the extension over a table's rows, for both back-ends. `Rows` answers whether the
// table was extended before, its highest zero row and a row's tonnage, and writes a row.
template <typename Rows>
void extend_rows(Rows& rows, int max_inzinking) {
    // A negative row means the table was extended before.
    if (rows.extended()) return;
    // Below: continue the mean tonnage per centimetre of the ten centimetres above the highest
    // zero row downward, as negative tonnages.
    if (const std::optional<int> b = rows.highest_zero()) {
        if (const std::optional<double> above = rows.at(*b + 10)) {
            for (const ExtensionRow& row : extension_below(*b, *above)) rows.write(row);
        }
    }
    // Above: the straight continuation of the last centimetre, stored negated.
    if (const std::optional<double> top = rows.at(max_inzinking)) {
        if (const std::optional<double> below_top = rows.at(max_inzinking - 1)) {
            for (const ExtensionRow& row : extension_above(max_inzinking, *top, *below_top)) rows.write(row);
        }
    }
}

struct StoredRows {
    data::SQLiteDatabase& db;
    int ship_id;

    bool extended() { return store::has_extension(db, ship_id); }
    std::optional<int> highest_zero() { return store::highest_zero_row(db, ship_id); }
    std::optional<double> at(int immersion) { return store::tonnage_at(db, ship_id, immersion); }
    void write(const ExtensionRow& row) {
        store::write_extension_row(db, ship_id, row.immersion, extension_text(row.tonnage));
    }
};

struct CopiedRows {
    std::map<int, double>& tonnages;

    bool extended() {
        return std::any_of(tonnages.begin(), tonnages.end(), [](const auto& r) { return r.second < 0; });
    }
    std::optional<int> highest_zero() {
        for (auto it = tonnages.rbegin(); it != tonnages.rend(); ++it) {
            if (it->second == 0) return it->first;
        }
        return std::nullopt;
    }
    std::optional<double> at(int immersion) {
        const auto it = tonnages.find(immersion);
        if (it == tonnages.end()) return std::nullopt;
        return it->second;
    }
    // The tonnage goes in as the stored text and comes back as the column's number.
    void write(const ExtensionRow& row) {
        tonnages[row.immersion] = text::parse_double(extension_text(row.tonnage)).value_or(0);
    }
};

}  // namespace

void verleng_ijktabel(data::SQLiteDatabase& db, int ship_id, int max_inzinking) {
    data::Transaction transaction(db);
    StoredRows rows{db, ship_id};
    try {
        extend_rows(rows, max_inzinking);
    } catch (...) {
        // What was written before the error stays: commit it, then let the error go on.
        try {
            transaction.commit();
        } catch (...) {
        }
        throw;
    }
    transaction.commit();
}

void verleng_ijktabel(const std::string& db_pad, int ship_id, int max_inzinking) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    verleng_ijktabel(db, ship_id, max_inzinking);
}

std::optional<double> DatabaseGaugeTable::tonnage(int immersion) {
    if (with_next_) {
        if (read_at_ != immersion && read_at_ != immersion - 1) {
            read_ = store::tonnages_at(*borrowed_, ship_id_, immersion, immersion + 1);
            read_at_ = immersion;
        }
        const auto it = read_.find(immersion);
        if (it == read_.end()) return std::nullopt;
        return it->second;
    }
    if (borrowed_ != nullptr) return store::stored_tonnage(*borrowed_, ship_id_, immersion);
    if (!db_) db_.emplace(db_pad_, data::OpenMode::existing);
    return store::stored_tonnage(*db_, ship_id_, immersion);
}

void DatabaseGaugeTable::extend(int max_inzinking) {
    read_at_.reset();
    if (borrowed_ != nullptr) return verleng_ijktabel(*borrowed_, ship_id_, max_inzinking);
    verleng_ijktabel(db_pad_, ship_id_, max_inzinking);
}

MemoryGaugeTable MemoryGaugeTable::read(const std::string& db_pad, int ship_id) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return MemoryGaugeTable(store::gauge_rows(db, ship_id));
}

std::optional<double> MemoryGaugeTable::tonnage(int immersion) {
    return CopiedRows{tonnages_}.at(immersion);
}

void MemoryGaugeTable::extend(int max_inzinking) {
    CopiedRows rows{tonnages_};
    extend_rows(rows, max_inzinking);
}

}  // namespace ijken::survey
