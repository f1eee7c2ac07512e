#pragma once
// One unit of work of the session: its own connection, one transaction, committed when the work
// returns and rolled back when it throws.
#include <string>
#include <type_traits>

#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"

namespace ijken::session {

template <class Work>
auto in_transaction(const std::string& db_path, Work&& work) {
    data::SQLiteDatabase db(db_path, data::OpenMode::existing);
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

}  // namespace ijken::session
