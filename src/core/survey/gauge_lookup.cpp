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
        if (const std::optional<double> boven = rows.at(*b + 10)) {
            for (const TabelVerlenging& rij : verlenging_onder(*b, *boven)) rows.write(rij);
        }
    }
    // Above: the straight continuation of the last centimetre, stored negated.
    if (const std::optional<double> top = rows.at(max_inzinking)) {
        if (const std::optional<double> onder_top = rows.at(max_inzinking - 1)) {
            for (const TabelVerlenging& rij : verlenging_boven(max_inzinking, *top, *onder_top)) rows.write(rij);
        }
    }
}

struct StoredRows {
    data::SQLiteDatabase& db;
    int schip_id;

    bool extended() { return store::has_extension(db, schip_id); }
    std::optional<int> highest_zero() { return store::highest_zero_row(db, schip_id); }
    std::optional<double> at(int inzinking) { return store::tonnage_at(db, schip_id, inzinking); }
    void write(const TabelVerlenging& rij) {
        store::write_extension_row(db, schip_id, rij.inzinking, verlenging_tekst(rij.tonnage));
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
    std::optional<double> at(int inzinking) {
        const auto it = tonnages.find(inzinking);
        if (it == tonnages.end()) return std::nullopt;
        return it->second;
    }
    // The tonnage goes in as the stored text and comes back as the column's number.
    void write(const TabelVerlenging& rij) {
        tonnages[rij.inzinking] = text::parse_double(verlenging_tekst(rij.tonnage)).value_or(0);
    }
};

}  // namespace

void verleng_ijktabel(data::SQLiteDatabase& db, int schip_id, int max_inzinking) {
    data::Transaction transaction(db);
    StoredRows rows{db, schip_id};
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

void verleng_ijktabel(const std::string& db_pad, int schip_id, int max_inzinking) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    verleng_ijktabel(db, schip_id, max_inzinking);
}

std::optional<double> DatabaseGaugeTable::tonnage(int inzinking) {
    if (with_next_) {
        if (read_at_ != inzinking && read_at_ != inzinking - 1) {
            read_ = store::tonnages_at(*borrowed_, schip_id_, inzinking, inzinking + 1);
            read_at_ = inzinking;
        }
        const auto it = read_.find(inzinking);
        if (it == read_.end()) return std::nullopt;
        return it->second;
    }
    if (borrowed_ != nullptr) return store::stored_tonnage(*borrowed_, schip_id_, inzinking);
    if (!db_) db_.emplace(db_pad_, data::OpenMode::existing);
    return store::stored_tonnage(*db_, schip_id_, inzinking);
}

void DatabaseGaugeTable::extend(int max_inzinking) {
    read_at_.reset();
    if (borrowed_ != nullptr) return verleng_ijktabel(*borrowed_, schip_id_, max_inzinking);
    verleng_ijktabel(db_pad_, schip_id_, max_inzinking);
}

MemoryGaugeTable MemoryGaugeTable::read(const std::string& db_pad, int schip_id) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    return MemoryGaugeTable(store::gauge_rows(db, schip_id));
}

std::optional<double> MemoryGaugeTable::tonnage(int inzinking) {
    return CopiedRows{tonnages_}.at(inzinking);
}

void MemoryGaugeTable::extend(int max_inzinking) {
    CopiedRows rows{tonnages_};
    extend_rows(rows, max_inzinking);
}

}  // namespace ijken::survey
