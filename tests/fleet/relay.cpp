#include "relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace ijken::testing {

namespace {

bool send_all(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::send(fd, data, n, MSG_NOSIGNAL);
        if (w <= 0) return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

int connect_unix(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

Relay::Relay(std::string unix_socket) : socket_(std::move(unix_socket)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        throw std::runtime_error("the relay cannot listen on 127.0.0.1");
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

Relay::~Relay() {
    stop_ = true;
    thread_.join();
    for (const Pair& p : pairs_) {
        ::close(p.client);
        ::close(p.server);
    }
    ::close(listener_);
}

void Relay::freeze_at(const std::string& marker) {
    std::lock_guard<std::mutex> lock(marker_mutex_);
    marker_ = marker;
}

void Relay::limit(int bytes_per_second) {
    rate_ = bytes_per_second;
    // A small window: the relay's kernel takes little more than it passes on.
    const int window = 4096;
    if (bytes_per_second > 0) ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
}

void Relay::freeze_inside(const std::string& marker) {
    std::lock_guard<std::mutex> lock(marker_mutex_);
    inside_ = marker;
}

void Relay::freeze_after(const std::string& marker) {
    std::lock_guard<std::mutex> lock(marker_mutex_);
    after_ = marker;
}

void Relay::watch(const std::string& text) {
    std::lock_guard<std::mutex> lock(marker_mutex_);
    watched_ = text;
    seen_ = false;
}

// Passes what `from` has to `to`; false when either side has gone.
bool Relay::pass(Pair& p, int from, int to, bool upstream) {
    char buffer[65536];
    // A limited link passes a tenth of its second's bytes every tenth of a second.
    const int rate = rate_;
    const std::size_t most = rate > 0 ? std::max<std::size_t>(1, static_cast<std::size_t>(rate) / 10) : sizeof buffer;
    const ssize_t n = ::recv(from, buffer, std::min(most, sizeof buffer), 0);
    if (n <= 0) return false;
    std::string chunk(buffer, static_cast<std::size_t>(n));
    if (upstream) {
        std::lock_guard<std::mutex> lock(marker_mutex_);
        if (!watched_.empty() && chunk.find(watched_) != std::string::npos) seen_ = true;
        if (!marker_.empty() && chunk.find(marker_) != std::string::npos) {
            marker_.clear();
            frozen_ = true;
            p.held = std::move(chunk);
            return true;
        }
        const std::size_t at = inside_.empty() ? std::string::npos : chunk.find(inside_);
        if (at != std::string::npos) {
            inside_.clear();
            frozen_ = true;
            p.held = chunk.substr(at);
            return send_all(to, chunk.data(), at);
        }
        if (!after_.empty() && chunk.find(after_) != std::string::npos) {
            after_.clear();
            frozen_ = true;
        }
    }
    if (delay_ms_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_.load()));
    const bool sent = send_all(to, chunk.data(), chunk.size());
    if (rate > 0) std::this_thread::sleep_for(std::chrono::microseconds(1000000LL * n / rate));
    return sent;
}

void Relay::run() {
    while (!stop_) {
        // A frozen link reads nothing and notices nothing, not even a side that went away: what
        // the sides send waits in the sockets' buffers.
        const bool frozen = frozen_;
        std::vector<pollfd> fds{{listener_, POLLIN, 0}};
        for (Pair& p : pairs_) {
            if (!frozen && !p.held.empty()) {
                send_all(p.server, p.held.data(), p.held.size());
                p.held.clear();
            }
            fds.push_back({frozen ? -1 : p.client, POLLIN, 0});
            fds.push_back({frozen ? -1 : p.server, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept(listener_, nullptr, nullptr);
            const int server = client < 0 ? -1 : connect_unix(socket_);
            if (server < 0) {
                if (client >= 0) ::close(client);
            } else {
                pairs_.push_back({client, server, {}});
            }
            continue;
        }
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            Pair& p = pairs_[i];
            const short c = fds[1 + 2 * i].revents, s = fds[2 + 2 * i].revents;
            bool alive = true;
            if (c & (POLLIN | POLLHUP | POLLERR)) alive = pass(p, p.client, p.server, true);
            if (alive && (s & (POLLIN | POLLHUP | POLLERR))) alive = pass(p, p.server, p.client, false);
            if (!alive) {
                ::close(p.client);
                ::close(p.server);
                pairs_.erase(pairs_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
}

}  // namespace ijken::testing
