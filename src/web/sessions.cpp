#include "web/sessions.h"

#include <sys/random.h>

#include <stdexcept>
#include <thread>

namespace ijken::web {

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

Sessions::Sessions(Connect connect, std::chrono::seconds idle, std::size_t most)
    : connect_(std::move(connect)), idle_(idle), most_(most) {}

std::shared_ptr<Sessions::Failures> Sessions::failures_of(const std::string& user) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    // Names whose last failure is long past are forgotten, so that guessing names fills nothing.
    if (failures_.size() > 10000) {
        for (auto it = failures_.begin(); it != failures_.end();) {
            it = now - it->second->last > std::chrono::minutes(15) && it->second.use_count() == 1 ? failures_.erase(it)
                                                                                                  : std::next(it);
        }
    }
    auto& f = failures_[user];
    if (!f) f = std::make_shared<Failures>();
    return f;
}

std::string Sessions::login(const std::string& user, const std::string& password) {
    const std::shared_ptr<Failures> failures = failures_of(user);
    std::lock_guard<std::mutex> turn(failures->turn);
    if (failures->count > 0) {
        if (Clock::now() - failures->last > std::chrono::minutes(15)) {
            failures->count = 0;
        } else {
            std::this_thread::sleep_for(std::chrono::seconds(std::min(failures->count, 10)));
        }
    }
    std::unique_ptr<fleet::PgConnection> db;
    try {
        db = connect_(user, password);
    } catch (const fleet::FleetError&) {
        db = nullptr;
    }
    if (!db) {
        ++failures->count;
        failures->last = Clock::now();
        return "";
    }
    failures->count = 0;
    auto session = std::make_shared<Session>();
    session->user = user;
    session->db = std::move(db);
    session->last_use = Clock::now();
    const std::string token = random_token();
    sweep();
    std::lock_guard<std::mutex> lock(mutex_);
    auto& shared = caches_[user];
    session->cache = shared.lock();
    if (!session->cache) {
        session->cache = std::make_shared<ReadCache>();
        shared = session->cache;
    }
    if (sessions_.size() >= most_) {
        // The one used longest ago makes room.
        auto oldest = sessions_.begin();
        for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
            if (it->second->last_use < oldest->second->last_use) oldest = it;
        }
        sessions_.erase(oldest);
    }
    sessions_.emplace(token, std::move(session));
    return token;
}

std::shared_ptr<Session> Sessions::find(const std::string& token) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(token);
    if (it == sessions_.end()) return nullptr;
    const auto now = Clock::now();
    if (now - it->second->last_use > idle_) {
        sessions_.erase(it);
        return nullptr;
    }
    it->second->last_use = now;
    return it->second;
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
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        it = now - it->second->last_use > idle_ ? sessions_.erase(it) : std::next(it);
    }
    return sessions_.size();
}

}  // namespace ijken::web
