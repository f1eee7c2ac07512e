#include "web/sessions.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <vector>

namespace ijken::web {

namespace {

// How long a failure is remembered, and how many of an address's are free.
constexpr auto kForgetAfter = std::chrono::minutes(15);
constexpr int kFreeAddressFailures = 5;
constexpr int kMostDelaySeconds = 10;
// The most names and addresses whose failures are remembered, and ended sessions that are told.
constexpr std::size_t kMostRemembered = 10000;
constexpr std::size_t kMostEndedTold = 4096;
constexpr auto kRoleCheckEvery = std::chrono::seconds(10);

// A user name as the log shows it: quoted, control characters as '?', so that no name can write
// a line of its own.
std::string log_name(const std::string& name) {
    std::string s = "\"";
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        s += u < 0x20 || u == 0x7f || c == '"' || c == '\\' ? '?' : c;
    }
    return s + "\"";
}

const char* said(EndReason why) {
    switch (why) {
        case EndReason::idle: return "30 minutes without a request";
        case EndReason::crowded: return "the most sessions kept was reached, and it was unused longest";
        case EndReason::lost: return "its connection to the office database fell";
        case EndReason::role_gone: return "its role was dropped or may no longer log in";
    }
    return "";
}

long long number(std::string_view text) {
    long long n = 0;
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

}  // namespace

std::string random_token() {
    unsigned char bytes[32];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) throw std::runtime_error("no random numbers from the system");
        got += static_cast<std::size_t>(n);
    }
    static const char* const hex = "0123456789abcdef";
    std::string s;
    for (unsigned char b : bytes) {
        s += hex[b >> 4];
        s += hex[b & 15];
    }
    return s;
}

SessionCaps caps_for_server(long long max_connections, long long superuser_reserved) {
    SessionCaps caps;
    const long long usable = std::max(0LL, max_connections - std::max(0LL, superuser_reserved));
    const long long ours = std::clamp(usable / 2, 2LL, 204LL);
    caps.connecting = static_cast<std::size_t>(std::min(4LL, ours / 2));
    caps.total = static_cast<std::size_t>(ours) - caps.connecting;
    caps.per_role = std::min<std::size_t>(8, caps.total);
    return caps;
}

std::string address_key(const std::string& client_address) {
    in6_addr v6{};
    in_addr v4{};
    char text[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET, client_address.c_str(), &v4) == 1) return client_address;
    if (inet_pton(AF_INET6, client_address.c_str(), &v6) == 1) {
        static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        if (std::memcmp(v6.s6_addr, mapped, sizeof mapped) == 0) {
            std::memcpy(&v4, v6.s6_addr + 12, 4);
            return inet_ntop(AF_INET, &v4, text, sizeof text) ? text : client_address;
        }
        std::memset(v6.s6_addr + 8, 0, 8);
        return inet_ntop(AF_INET6, &v6, text, sizeof text) ? std::string(text) + "/64" : client_address;
    }
    return client_address;
}

Sessions::Sessions(Connect connect, Log log, std::chrono::seconds idle, std::optional<SessionCaps> caps)
    : connect_(std::move(connect)), log_(std::move(log)), idle_(idle), caps_(caps) {
    if (!log_) {
        // The server's log is its standard error, where it logs each request too.
        log_ = [](const std::string& line) {
            static std::mutex log_mutex;
            std::lock_guard<std::mutex> lock(log_mutex);
            std::cerr << line << "\n" << std::flush;
        };
    }
}

Sessions::Attempts& Sessions::attempts(std::map<std::string, Attempts>& in, const std::string& key,
                                       Clock::time_point now) {
    if (in.size() >= kMostRemembered && in.find(key) == in.end()) {
        // Names or addresses whose last failure is long past are forgotten first, so that guessing
        // names fills nothing; when that is not enough, those that failed longest ago.
        for (auto it = in.begin(); it != in.end();) {
            const bool stale = now - it->second.last_failure > kForgetAfter && it->second.answer_at <= now;
            it = stale ? in.erase(it) : std::next(it);
        }
        if (in.size() >= kMostRemembered) {
            std::vector<std::pair<Clock::time_point, std::string>> by_age;
            for (const auto& [k, a] : in) by_age.emplace_back(std::max(a.last_failure, a.answer_at), k);
            const auto keep = by_age.begin() + static_cast<std::ptrdiff_t>(by_age.size() / 4);
            std::nth_element(by_age.begin(), keep, by_age.end());
            for (auto it = by_age.begin(); it != keep; ++it) in.erase(it->second);
        }
    }
    Attempts& a = in[key];
    if (a.failures > 0 && now - a.last_failure > kForgetAfter) a.failures = 0;
    return a;
}

LoginOutcome Sessions::login(const std::string& user, const std::string& password,
                             const std::string& client_address) {
    const auto now = Clock::now();
    const std::string address = address_key(client_address);
    LoginOutcome outcome;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Attempts& by_name = attempts(names_, user, now);
        Attempts& by_address = attempts(addresses_, address, now);
        const int n = std::min(by_name.failures, kMostDelaySeconds);
        const int a = std::clamp(by_address.failures - kFreeAddressFailures + 1, 0, kMostDelaySeconds);
        const auto delay = std::chrono::seconds(std::max(n, a));
        const auto due = std::max(by_name.answer_at, by_address.answer_at);
        if (due > now) {
            // Another slowed attempt of this name or address still waits for its answer: this one
            // is not put to the server, so that attempts side by side are no faster than one after
            // another.
            outcome.not_before = due + std::max<Clock::duration>(delay, std::chrono::seconds(1));
            if (log_) {
                log_("login of " + log_name(user) +
                     " refused unchecked: an attempt of that name or address is still slowed");
            }
            return outcome;
        }
        outcome.not_before = now + delay;
        // Only a name or address that is slowed keeps others waiting: a co-worker behind the same
        // address is not held up by one wrong password.
        if (n > 0) by_name.answer_at = now + std::chrono::seconds(n);
        if (a > 0) by_address.answer_at = now + std::chrono::seconds(a);
        const SessionCaps caps = caps_.value_or(SessionCaps{});
        if (connecting_ >= caps.connecting) {
            outcome.kind = LoginOutcome::Kind::unreachable;
            if (log_) {
                log_("login of " + log_name(user) + " not tried: " + std::to_string(connecting_) +
                     " logins are being checked");
            }
            return outcome;
        }
        ++connecting_;
    }
    std::unique_ptr<fleet::PgConnection> db;
    std::string failure;
    bool refused = false;
    std::string oid;
    std::optional<SessionCaps> learnt;
    try {
        db = connect_(user, password);
        if (!db) throw fleet::LoginRefused("refused");
        const fleet::PgResult r = db->exec(
            "SELECT r.oid::text, current_setting('max_connections'), current_setting('superuser_reserved_connections')"
            " FROM pg_roles r WHERE r.rolname = current_user");
        if (r.rows() == 1) {
            oid = std::string(r.text(0, 0));
            learnt = caps_for_server(number(r.text(0, 1)), number(r.text(0, 2)));
        }
    } catch (const fleet::LoginRefused& e) {
        db = nullptr;
        refused = true;
        failure = e.what();
    } catch (const fleet::FleetError& e) {
        db = nullptr;
        failure = e.what();
    }
    std::vector<std::shared_ptr<Session>> closing;  // closed after the lock is let go
    std::lock_guard<std::mutex> lock(mutex_);
    --connecting_;
    Attempts& by_name = attempts(names_, user, now);
    if (!db) {
        if (refused) {
            Attempts& by_address = attempts(addresses_, address, now);
            for (Attempts* a : {&by_name, &by_address}) {
                ++a->failures;
                a->last_failure = now;
            }
            outcome.kind = LoginOutcome::Kind::refused;
            if (log_) log_("login of " + log_name(user) + " refused: " + fleet::one_line(failure));
        } else {
            outcome.kind = LoginOutcome::Kind::unreachable;
            if (log_) log_("login of " + log_name(user) + " failed: " + fleet::one_line(failure));
        }
        return outcome;
    }
    by_name.failures = 0;
    if (!caps_ && learnt) caps_ = learnt;
    auto session = std::make_shared<Session>();
    session->user = user;
    session->token = random_token();
    session->db = std::move(db);
    session->last_use = session->role_checked = Clock::now();
    session->role_oid = oid;
    auto& shared = caches_[user];
    session->cache = shared.lock();
    if (!session->cache) {
        session->cache = std::make_shared<ReadCache>();
        shared = session->cache;
    }
    std::vector<std::string> idle;
    for (const auto& [token, s] : sessions_) {
        if (Clock::now() - s->last_use > idle_) idle.push_back(token);
    }
    for (const std::string& token : idle) closing.push_back(end_locked(token, EndReason::idle));
    make_room_locked(user, closing);
    outcome.kind = LoginOutcome::Kind::ok;
    outcome.token = session->token;
    sessions_.emplace(session->token, std::move(session));
    return outcome;
}

void Sessions::make_room_locked(const std::string& user, std::vector<std::shared_ptr<Session>>& closing) {
    const SessionCaps caps = caps_.value_or(SessionCaps{});
    // The role's own session unused longest ends first; then, when the server keeps as many as it
    // may, the one unused longest of all.
    for (int pass = 0; pass < 2; ++pass) {
        while (true) {
            std::size_t count = 0;
            auto oldest = sessions_.end();
            for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
                if (pass == 0 && it->second->user != user) continue;
                ++count;
                if (oldest == sessions_.end() || it->second->last_use < oldest->second->last_use) oldest = it;
            }
            if (count < (pass == 0 ? caps.per_role : caps.total) || oldest == sessions_.end()) break;
            closing.push_back(end_locked(oldest->first, EndReason::crowded));
        }
    }
}

std::shared_ptr<Session> Sessions::end_locked(const std::string& token_ref, EndReason why) {
    const std::string token = token_ref;  // the caller's may be the key that goes
    const auto it = sessions_.find(token);
    if (it == sessions_.end()) return nullptr;
    if (log_) log_("session of " + log_name(it->second->user) + " ended: " + said(why));
    // The connection closes once no request uses it any more (a download finishes first).
    std::shared_ptr<Session> ended = std::move(it->second);
    sessions_.erase(it);
    if (ended_.insert_or_assign(token, why).second) ended_order_.push_back(token);
    while (ended_order_.size() > kMostEndedTold) {
        ended_.erase(ended_order_.front());
        ended_order_.pop_front();
    }
    return ended;
}

std::shared_ptr<Session> Sessions::find(const std::string& token) {
    std::shared_ptr<Session> closing;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(token);
    if (it == sessions_.end()) return nullptr;
    const auto now = Clock::now();
    if (now - it->second->last_use > idle_) {
        closing = end_locked(token, EndReason::idle);
        return nullptr;
    }
    it->second->last_use = now;
    return it->second;
}

std::optional<EndReason> Sessions::ended(const std::string& token) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = ended_.find(token);
    if (it == ended_.end()) return std::nullopt;
    const EndReason why = it->second;
    ended_.erase(it);
    if (const auto at = std::find(ended_order_.begin(), ended_order_.end(), token); at != ended_order_.end()) {
        ended_order_.erase(at);
    }
    return why;
}

std::optional<EndReason> Sessions::check(Session& session) {
    return check(session, false);
}

std::optional<EndReason> Sessions::check_after_failure(Session& session) {
    return check(session, true);
}

std::optional<EndReason> Sessions::check(Session& session, bool now) {
    std::optional<EndReason> why;
    if (!session.db || !session.db->connected()) {
        why = EndReason::lost;
    } else if (now || Clock::now() - session.role_checked >= kRoleCheckEvery) {
        try {
            const fleet::PgResult r =
                session.db->exec("SELECT rolcanlogin FROM pg_roles WHERE oid = $1::oid", {session.role_oid});
            session.role_checked = Clock::now();
            if (r.rows() != 1 || r.text(0, 0) != "t") why = EndReason::role_gone;
        } catch (const fleet::FleetError&) {
            // A connection that fell while asking is a lost one; any other failure says nothing
            // about the session.
            if (!session.db->connected()) why = EndReason::lost;
        }
    }
    if (why) {
        std::lock_guard<std::mutex> lock(mutex_);
        // The caller holds the session: its connection closes when the request lets go of it.
        end_locked(session.token, *why);
    }
    return why;
}

void Sessions::logout(const std::string& token) {
    std::shared_ptr<Session> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(token);
        if (it == sessions_.end()) return;
        ended = std::move(it->second);
        sessions_.erase(it);
    }
    // Closed once no request uses it any more.
}

std::size_t Sessions::sweep() {
    std::vector<std::shared_ptr<Session>> ended;  // closed after the lock is let go
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    std::vector<std::string> idle;
    for (const auto& [token, s] : sessions_) {
        if (now - s->last_use > idle_) idle.push_back(token);
    }
    for (const std::string& token : idle) ended.push_back(end_locked(token, EndReason::idle));
    return sessions_.size();
}

std::size_t Sessions::count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.size();
}

SessionCaps Sessions::caps() {
    std::lock_guard<std::mutex> lock(mutex_);
    return caps_.value_or(SessionCaps{});
}

}  // namespace ijken::web
