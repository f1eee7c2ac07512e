// The session's gauge tables and ship particulars as the table and ship windows edit them.
#include <utility>

#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/session/session.h"
#include "core/session/unit_of_work.h"
#include "core/store/gauge_table.h"
#include "core/store/ships.h"
#include "core/text/numbers.h"

namespace ijken::session {

using data::OpenMode;
using data::SQLiteDatabase;

void Session::store_gauge_table(int ship_id, const std::vector<std::pair<int, double>>& rows, int first,
                                int last) {
    in_transaction(db_path_, [&](SQLiteDatabase& db) {
        store::delete_gauge_table(db, ship_id);
        for (const auto& [immersion, tonnage] : rows) store::insert_gauge_row(db, ship_id, immersion, tonnage);
        store::set_ship_range(db, ship_id, last, first);
    });
    stored();
    // The selected ship's range goes with its table; another ship's (one just added) changes
    // nothing shown. The survey shown is computed with the new table when it is next shown (or
    // recomputed): computing extends the stored table, which the table window may still be editing.
    if (ship_ && ship_->params.SchipID == ship_id) {
        results_current_ = false;
        ship_->params.Max_inzinking = survey_.Max_inzinking = last;
        ship_->params.Min_inzinking = survey_.Min_inzinking = first;
    }
    notify({Change::table_stored});
}

std::optional<StoredGaugeTable> Session::unextended_gauge_table(int ship_id,
                                                                const std::function<long long()>& first_if_unknown) {
    SQLiteDatabase db(db_path_, OpenMode::existing);
    {
        // A boundary taken from a first centimetre that is not the ship's could turn the rows
        // above a short table into zero rows and wreck its range: the ship's own first row with a
        // tonnage decides, when it has one.
        data::Transaction unextend(db);
        const std::optional<long long> first_row = store::first_loaded_row(db, ship_id);
        const long long boundary = first_row ? *first_row : first_if_unknown() + 10;
        store::zero_extension_below(db, ship_id, boundary);
        store::delete_extension(db, ship_id);
        unextend.commit();
    }
    data::Transaction transaction(db);
    std::optional<StoredGaugeTable> table;
    if (const auto zero = store::highest_zero_row(db, ship_id)) {
        table.emplace();
        table->first = *zero + 1;
        auto top = store::top_loaded_row(db, ship_id);
        table->last = static_cast<int>(top->AsInteger(top->FieldIndex("Inzinking")));
        table->top_tonnage = top->AsFloat(top->FieldIndex("Tonnage"));
        table->rows = store::whole_gauge_table(db, ship_id);
    }
    transaction.commit();
    return table;
}

long long Session::stored_gauge_rows(int ship_id) {
    SQLiteDatabase db(db_path_, OpenMode::existing);
    return store::stored_row_count(db, ship_id);
}

ShipEntry Session::particulars(int ship_id) {
    std::unique_ptr<data::SQLiteTable> row;
    {
        SQLiteDatabase db(db_path_, OpenMode::existing);
        row = store::ship_row(db, ship_id);
    }
    auto column = [&](const std::string& name) { return row->AsString(row->FieldIndex(name)); };
    ShipEntry entry;
    entry.texts.push_back(column("Meetbrief_NR"));
    entry.texts.push_back(column("name"));
    for (int i = 1; i <= 8; ++i) entry.texts.push_back(column("veld" + text::format_int(i)));
    entry.gauge_points = static_cast<int>(row->AsInteger(row->FieldIndex("Aantal_ijken")));
    return entry;
}

}  // namespace ijken::session
