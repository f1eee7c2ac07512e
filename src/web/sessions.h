#pragma once
// The logged-in sessions of the office's web server. A session is a PostgreSQL connection opened
// as the role that logged in (PostgreSQL checked the password), found again by a random cookie.
// A session ends at logout, after 30 minutes without a request, or when the server stops.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "fleet/pg_connection.h"
#include "web/office_reads.h"

namespace ijken::web {

using Clock = std::chrono::steady_clock;

struct Session {
    std::string user;
    // One request at a time on the connection (a browser asks several things at once).
    std::mutex mutex;
    std::unique_ptr<fleet::PgConnection> db;
    Clock::time_point last_use;
    std::shared_ptr<ReadCache> cache;  // what this role read, while no push changed it
};

// 32 random bytes from the kernel as 64 hex digits. Throws std::runtime_error without randomness.
std::string random_token();

class Sessions {
  public:
    using Connect = std::function<std::unique_ptr<fleet::PgConnection>(const std::string& user,
                                                                        const std::string& password)>;
    explicit Sessions(Connect connect, std::chrono::seconds idle = std::chrono::minutes(30),
                      std::size_t most = 500);

    // The new session's cookie value, or empty when PostgreSQL refused the user or password (the
    // same for both). Repeated failures for one user name are slowed: while a name has failed n
    // times (in the quarter of an hour since its last failure) its next answer waits n seconds,
    // at most 10, and the attempts for one name are answered one at a time.
    std::string login(const std::string& user, const std::string& password);

    // The session of a cookie, or nothing for an unknown or idle one (which then ends).
    std::shared_ptr<Session> find(const std::string& token);
    void logout(const std::string& token);
    // Ends every idle session; returns how many remain.
    std::size_t sweep();

  private:
    struct Failures {
        std::mutex turn;
        int count = 0;
        Clock::time_point last;
    };
    std::shared_ptr<Failures> failures_of(const std::string& user);

    Connect connect_;
    std::chrono::seconds idle_;
    std::size_t most_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Session>> sessions_;
    std::map<std::string, std::shared_ptr<Failures>> failures_;
    std::map<std::string, std::weak_ptr<ReadCache>> caches_;  // by role
};

}  // namespace ijken::web
