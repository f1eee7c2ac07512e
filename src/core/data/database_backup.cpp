#include "core/data/database_backup.h"

#include <sqlite3.h>

#include <stdexcept>
#include <system_error>

#include "core/data/own_files.h"
#include "core/data/sqlite_database.h"
#include "core/data/sqlite_exception.h"
#include "core/text/numbers.h"

namespace ijken::data {

using text::display_path;

namespace {

// A connection of the backup's own: the access layer's connection always opens with create, and
// a backup must never create the file it copies.
class Connection {
  public:
    // failure: what the message says went wrong, before SQLite's reason.
    Connection(const std::string& file, int flags, const std::string& failure) {
        const int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            std::string message = failure + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
            sqlite3_close(db_);
            throw SQLiteException(message);
        }
        // Every connection waits for a writer or a reader that holds the file, as the program's
        // others do.
        sqlite3_busy_timeout(db_, kBusyWaitMs);
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    sqlite3* get() const { return db_; }
    [[noreturn]] void raise(const std::string& what) const {
        throw SQLiteException(what + ": " + sqlite3_errmsg(db_));
    }

  private:
    sqlite3* db_ = nullptr;
};

std::vector<std::string> check_rows(const Connection& db) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK) {
        db.raise("Controle van de database mislukt");
    }
    std::vector<std::string> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(stmt, 0);
        rows.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) db.raise("Controle van de database mislukt");
    return rows;
}

void copy(const Connection& from, const Connection& to) {
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (backup == nullptr) to.raise("Reservekopie mislukt");
    int rc;
    // All pages in one step: the source stays read-locked for the whole copy, so the copy is one
    // state of the file. A writer holding the file is waited for by the busy timeout; a lock that
    // outlasts it ends the copy.
    do {
        rc = sqlite3_backup_step(backup, -1);
    } while (rc == SQLITE_OK);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) throw SQLiteException(std::string("Reservekopie mislukt: ") + sqlite3_errstr(rc));
}

}  // namespace

std::vector<std::string> integrity_check(const std::string& file) {
    Connection db(file, SQLITE_OPEN_READONLY, "Kan de database \"" + display_path(file) + "\" niet openen");
    return check_rows(db);
}

void backup_database(const std::string& source, const std::filesystem::path& target) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec)) {
        throw std::runtime_error("Er is geen database op \"" + display_path(source) + "\"");
    }
    // Renaming the copy over the live file would swap it under the program's feet.
    if (std::filesystem::equivalent(source, target, ec)) {
        throw std::runtime_error("De reservekopie kan niet over de database zelf worden geschreven");
    }
    check_output_path(target);
    // SQLite creates the temporary file, as a database of its own.
    text::PendingFile pending(target, text::PendingFile::Create::by_caller);
    {
        // Read-write without create: a journal left by a crash is rolled back as usual before the
        // copy reads, and a missing file is an error instead of a new empty database.
        Connection from(source, SQLITE_OPEN_READWRITE,
                        "Kan de database \"" + display_path(source) + "\" niet openen");
        // The temporary name is of no interest to the user: the message names the target.
        Connection to(pending.temp_path().string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      "Kan \"" + display_path(target) + "\" niet schrijven");
        copy(from, to);
        const std::vector<std::string> rows = check_rows(to);
        if (rows != std::vector<std::string>{"ok"}) {
            std::string report = rows.empty() ? std::string("geen antwoord") : rows.front();
            if (rows.size() > 1)
                report += " (en " + text::format_int(static_cast<long long>(rows.size() - 1)) + " meer)";
            throw SQLiteException("De reservekopie is niet in orde: " + report);
        }
    }
    try {
        pending.commit();
    } catch (const text::FileWriteError& e) {
        throw_output_error(target, e);
    }
}

}  // namespace ijken::data
