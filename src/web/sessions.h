#pragma once
// The logged-in sessions of the office's web server. A session is a PostgreSQL connection opened
// as the role that logged in (PostgreSQL checked the password), found again by a random cookie.
// A session ends at logout, after 30 minutes without a request, when its role has too many or the
// server has as many as it keeps (the one unused longest ends), when its connection falls (the
// database restarted) or its role is dropped, and when the server stops. The session keeps its
// connection while it lasts: the password is not kept, so there would be no way to open another.
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fleet/pg_connection.h"
#include "web/office_reads.h"

namespace ijken::web {

using Clock = std::chrono::steady_clock;

struct Session {
    std::string user;
    std::string token;
    // One request at a time on the connection (a browser asks several things at once).
    std::mutex mutex;
    std::unique_ptr<fleet::PgConnection> db;
    Clock::time_point last_use;        // under the sessions' lock
    Clock::time_point role_checked;    // under `mutex`
    std::string role_oid;              // the role that logged in, which a rename keeps
    std::shared_ptr<ReadCache> cache;  // what this role read, while no push changed it
};

// Why the server ended a session before its user logged out.
enum class EndReason {
    idle,       // 30 minutes without a request
    crowded,    // its role, or the server, reached the most sessions kept
    lost,       // the connection to the database fell (a restart of PostgreSQL)
    role_gone,  // the role was dropped or may no longer log in
};

// How many sessions the server keeps, and how many logins it checks at once. Each session and each
// login being checked holds one connection of PostgreSQL's max_connections; the rest stays for
// the barges' pushes, the commands and the administrator.
struct SessionCaps {
    std::size_t per_role = 8;
    std::size_t total = 44;
    std::size_t connecting = 4;
};

// The caps for a server with these settings: the sessions and the logins being checked together
// take at most half of what is left beside the superuser's reserved connections, and at most 200.
SessionCaps caps_for_server(long long max_connections, long long superuser_reserved);

struct LoginOutcome {
    enum class Kind { ok, refused, unreachable } kind = Kind::refused;
    std::string token;              // the new session's cookie value when ok
    Clock::time_point not_before;  // the answer must not be sent before then
};

// 32 random bytes from the kernel as 64 hex digits. Throws std::runtime_error without randomness.
std::string random_token();

class Sessions {
  public:
    // Opens a connection as user with password. Throws fleet::LoginRefused when the server
    // refused them (or did not check the password), fleet::FleetError when it cannot be reached.
    using Connect = std::function<std::unique_ptr<fleet::PgConnection>(const std::string& user,
                                                                        const std::string& password)>;
    // One line for the server's log (why a login failed, why a session ended): never a password.
    using Log = std::function<void(const std::string& line)>;

    // Without caps they are taken from the server's max_connections at the first login; without a
    // log the lines go to standard error.
    explicit Sessions(Connect connect, Log log = {}, std::chrono::seconds idle = std::chrono::minutes(30),
                      std::optional<SessionCaps> caps = std::nullopt);

    // Checks user and password with PostgreSQL and starts a session; never waits itself. Repeated
    // failures are slowed, by name and by client address alike (the answer is the same for names
    // that exist and names that do not): while a name has failed n times (in the quarter of an hour
    // since its last failure) its answer comes n seconds after the attempt, at most 10; an address
    // has 5 failures free, then the same. While the answer to an attempt of a name or address is
    // still due, another attempt of that name or address is refused unchecked, at the end of that
    // wait and its own. A database that cannot be reached is `unreachable` and counts as no
    // failure.
    LoginOutcome login(const std::string& user, const std::string& password, const std::string& client_address);

    // The session of a cookie, or nothing for an unknown or idle one (which then ends).
    std::shared_ptr<Session> find(const std::string& token);
    // Why the server ended the session of a cookie, said once (then forgotten); nothing for a
    // token it does not know or one that logged out.
    std::optional<EndReason> ended(const std::string& token);

    // Before a request, with the session's mutex held: whether its connection and role still
    // stand (the role is asked for at most every 10 seconds). When not, the session ends and the
    // reason is returned.
    std::optional<EndReason> check(Session& session);
    // After a request failed, with the session's mutex held: the same, asking the server at once.
    std::optional<EndReason> check_after_failure(Session& session);

    void logout(const std::string& token);
    // Ends every idle session; returns how many remain.
    std::size_t sweep();
    std::size_t count();
    SessionCaps caps();

  private:
    struct Attempts {
        int failures = 0;
        Clock::time_point last_failure;
        Clock::time_point answer_at;  // when the latest attempt's answer is due
    };
    Attempts& attempts(std::map<std::string, Attempts>& in, const std::string& key, Clock::time_point now);
    std::optional<EndReason> check(Session& session, bool now);
    // Ends a session (mutex_ held) and hands it back, to be let go of after the lock.
    std::shared_ptr<Session> end_locked(const std::string& token, EndReason why);
    void make_room_locked(const std::string& user, std::vector<std::shared_ptr<Session>>& closing);

    Connect connect_;
    Log log_;
    std::chrono::seconds idle_;
    std::optional<SessionCaps> caps_;
    std::mutex mutex_;
    std::size_t connecting_ = 0;
    std::map<std::string, std::shared_ptr<Session>> sessions_;
    std::map<std::string, Attempts> names_, addresses_;
    std::map<std::string, EndReason> ended_;
    std::deque<std::string> ended_order_;
    std::map<std::string, std::weak_ptr<ReadCache>> caches_;  // by role
};

// The address a login's failures are counted by: IPv4 whole, IPv6 by its /64 (one machine may
// hold every address of that), anything else as it is.
std::string address_key(const std::string& client_address);

}  // namespace ijken::web
