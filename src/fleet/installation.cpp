#include "fleet/installation.h"

#include <array>
#include <random>

#include "core/data/sqlite_database.h"
#include "core/store/installation.h"

namespace ijken::fleet {

namespace {

// As long as the barge's reading of its database waits for a writer.
constexpr int kBusyTimeoutMs = 5000;

// While the program (or a cron job's push) writes to ijken.db, wait for it as the barge's reading
// of the database does, instead of failing with "database is locked".
void wait_when_busy(data::SQLiteDatabase& db) {
    db.Query("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs));
}

std::optional<std::string> read_id(data::SQLiteDatabase& db) {
    if (!store::has_installation_table(db)) return std::nullopt;
    return store::stored_installation_id(db);
}

}  // namespace

std::string random_uuid() {
    std::random_device source;  // the kernel's random numbers
    std::array<unsigned char, 16> b{};
    for (unsigned char& byte : b) byte = static_cast<unsigned char>(source());
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    static const char hex[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
        s += hex[b[i] >> 4];
        s += hex[b[i] & 0x0F];
    }
    return s;
}

bool is_uuid(const std::string& text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> read_installation_id(const std::string& db_pad) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    wait_when_busy(db);
    return read_id(db);
}

std::string ensure_installation_id(const std::string& db_pad) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    wait_when_busy(db);
    if (auto id = read_id(db)) return *id;
    // Writing from the start: a read that must later become a write cannot wait for another
    // writer (SQLite would refuse at once to avoid a deadlock).
    db.Execute("BEGIN IMMEDIATE");
    try {
        store::create_installation_table(db);
        // Another push may have made it meanwhile: that one stands.
        auto id = read_id(db);
        if (!id) {
            id = random_uuid();
            store::insert_installation_id(db, *id);
        }
        db.Execute("COMMIT");
        return *id;
    } catch (...) {
        try {
            db.Execute("ROLLBACK");
        } catch (...) {
            // Closing the connection rolls back as well.
        }
        throw;
    }
}

}  // namespace ijken::fleet
