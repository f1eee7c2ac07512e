#include "web/listening.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ijken::web {

int listen_on(const std::string& host, int port, std::string& why) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (const int e = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); e != 0) {
        why = gai_strerror(e);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        // The address may be taken again at once after a restart; no other process may listen on
        // the same port beside this one.
        int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        // A room full of browsers opening at once waits in a long queue rather than being refused.
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 256) != 0) {
            why = std::strerror(errno);
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

int bound_port(int fd) {
    sockaddr_storage a{};
    socklen_t n = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) != 0) return -1;
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}

void raise_file_limit() {
    rlimit r{};
    if (::getrlimit(RLIMIT_NOFILE, &r) != 0) return;
    const rlim_t want = std::min<rlim_t>(r.rlim_max, 4096);
    if (r.rlim_cur < want) {
        r.rlim_cur = want;
        ::setrlimit(RLIMIT_NOFILE, &r);
    }
}

}  // namespace ijken::web
