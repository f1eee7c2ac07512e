#pragma once
// A transaction on one connection for the length of a scope: begun by the constructor, rolled back
// by the destructor unless commit() was called first. An error that leaves the scope (or a return
// before the commit) therefore discards the work, and the connection is left without a transaction.
#include "core/data/sqlite_database.h"

namespace ijken::data {

class Transaction {
  public:
    explicit Transaction(SQLiteDatabase& db) : db_(db) { db_.BeginTransaction(); }
    ~Transaction() {
        if (committed_ || !db_.in_transaction()) return;
        // A destructor must not throw (it may run while an exception travels); a failing ROLLBACK
        // leaves nothing to do, as closing the connection rolls back anyway.
        try {
            db_.Rollback();
        } catch (...) {
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // A failing COMMIT throws and leaves the transaction to the destructor, which rolls it back.
    void commit() {
        db_.Commit();
        committed_ = true;
    }

  private:
    SQLiteDatabase& db_;
    bool committed_ = false;
};

}  // namespace ijken::data
