// The office's HTTP transport with routes of the test's own, over loopback: answers that wait for
// their time without holding a worker, streamed bodies that fail before and after their head, and
// the stop with answers waiting and a download nobody reads.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "web/routes.h"
#include "web/server.h"

namespace ijken::web {
namespace {

using namespace std::chrono_literals;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int connect_to(int port, int receive_buffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("cannot connect");
    return fd;
}

// Everything the server sends until it closes, or until 10 s pass.
std::string read_all(int fd) {
    std::string got;
    char buffer[65536];
    const auto until = Clock::now() + 10s;
    while (Clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

struct Answer {
    int status = 0;
    std::string raw;
    double seconds = 0;
};

Answer fetch(int port, const std::string& method, const std::string& path) {
    const auto start = Clock::now();
    const int fd = connect_to(port);
    const std::string request = method + " " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    Answer a;
    a.raw = read_all(fd);
    ::close(fd);
    a.seconds = seconds_since(start);
    if (a.raw.size() > 12 && a.raw.compare(0, 9, "HTTP/1.1 ") == 0) a.status = std::stoi(a.raw.substr(9, 3));
    return a;
}

// A chunked body with its last chunk.
bool ends_whole(const std::string& raw) {
    return raw.size() >= 7 && raw.compare(raw.size() - 7, 7, "\r\n0\r\n\r\n") == 0;
}

TEST(HttpServer, AnAnswerThatWaitsForItsTimeHoldsNoWorker) {
    Routes routes;
    routes.get("/later", [](const Request&, Response& res) {
        res.set_content("later", "text/plain");
        res.not_before = Clock::now() + 700ms;
    });
    routes.get("/now", [](const Request&, Response& res) { res.set_content("now", "text/plain"); });
    std::ostringstream log;
    HttpServer server(routes, "127.0.0.1:0", log);
    // Three times as many as there are workers for pages: were a worker to wait, they would
    // come in three rounds.
    std::vector<Answer> later(24);
    std::vector<std::thread> clients;
    for (auto& a : later) clients.emplace_back([&a, &server] { a = fetch(server.port(), "GET", "/later"); });
    std::this_thread::sleep_for(150ms);
    const Answer now = fetch(server.port(), "GET", "/now");
    EXPECT_EQ(now.status, 200);
    EXPECT_LT(now.seconds, 0.4);
    for (auto& c : clients) c.join();
    for (const Answer& a : later) {
        EXPECT_EQ(a.status, 200);
        EXPECT_GE(a.seconds, 0.65);
        EXPECT_LT(a.seconds, 1.5);
    }
    EXPECT_TRUE(server.stop());
}

TEST(HttpServer, AStreamedBodyIsWholeOrVisiblyCut) {
    Routes routes;
    const std::string piece(1000, 'x');
    auto writer = [piece](int pieces, bool fails) {
        return [piece, pieces, fails](const Request&, Response& res) {
            res.set_header("Content-Type", "text/csv");
            res.stream = [piece, pieces, fails](std::ostream& out) {
                for (int i = 0; i < pieces; ++i) out << piece;
                if (fails) throw std::runtime_error("the database went away");
            };
        };
    };
    routes.get("/whole", writer(300, false));
    routes.get("/small", writer(3, false));
    routes.get("/fails-at-once", writer(0, true));
    routes.get("/fails-later", writer(300, true));
    std::ostringstream log;
    HttpServer server(routes, "127.0.0.1:0", log);
    struct Case {
        const char* method;
        const char* path;
        int status;
        bool whole;
        std::size_t least;  // bytes of body at least
    };
    const Case cases[] = {
        {"GET", "/whole", 200, true, 300000},  {"GET", "/small", 200, true, 3000},
        {"HEAD", "/whole", 200, false, 0},      {"GET", "/fails-at-once", 500, false, 0},
        {"GET", "/fails-later", 200, false, 64000},
    };
    for (const Case& c : cases) {
        const Answer a = fetch(server.port(), c.method, c.path);
        EXPECT_EQ(a.status, c.status) << c.path;
        EXPECT_EQ(ends_whole(a.raw), c.whole) << c.method << ' ' << c.path;
        EXPECT_GE(a.raw.size(), c.least) << c.path;
        if (std::string(c.method) == "HEAD") {
            EXPECT_EQ(a.raw.find("xxx"), std::string::npos);
        }
    }
    EXPECT_TRUE(server.stop());
    EXPECT_NE(log.str().find("GET /fails-later 200"), std::string::npos) << log.str();
    EXPECT_NE(log.str().find("GET /fails-at-once 500"), std::string::npos) << log.str();
}

TEST(HttpServer, TheStopAnswersWhatWaitsAndCutsADownloadNobodyReads) {
    Routes routes;
    routes.get("/later", [](const Request&, Response& res) {
        res.set_content("later", "text/plain");
        res.not_before = Clock::now() + 60s;
    });
    routes.get("/endless", [](const Request&, Response& res) {
        res.stream = [](std::ostream& out) {
            const std::string piece(64 * 1024, 'y');
            for (;;) out << piece;
        };
    });
    std::ostringstream log;
    HttpServer server(routes, "127.0.0.1:0", log);
    Answer waiting;
    std::thread client([&] { waiting = fetch(server.port(), "GET", "/later"); });
    const int stalled = connect_to(server.port(), 4096);
    const std::string request = "GET /endless HTTP/1.1\r\nHost: x\r\n\r\n";
    ::send(stalled, request.data(), request.size(), MSG_NOSIGNAL);
    std::this_thread::sleep_for(500ms);
    const auto start = Clock::now();
    EXPECT_TRUE(server.stop());
    EXPECT_LT(seconds_since(start), 6.0);
    client.join();
    EXPECT_EQ(waiting.status, 503);
    EXPECT_LT(waiting.seconds, 7.0);
    const std::string got = read_all(stalled);
    ::close(stalled);
    EXPECT_FALSE(ends_whole(got));
    EXPECT_NE(log.str().find("GET /later 503"), std::string::npos) << log.str();
}

}  // namespace
}  // namespace ijken::web
