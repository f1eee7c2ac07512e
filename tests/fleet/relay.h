#pragma once
// A loopback TCP relay in front of the test server's Unix socket, standing in for a mobile link:
// it listens on 127.0.0.1 (a free port) and passes every connection on to the server. It can
// stop relaying with the sockets left open (a link that froze), hold back the first chunk that
// holds a given text (a link that froze at that point of a push), or pass each chunk late (a slow
// link). Everything ends with the relay.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ijken::testing {

class Relay {
  public:
    explicit Relay(std::string unix_socket);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    int port() const { return port_; }
    // Stops relaying from the first chunk a client sends that holds `marker` (that chunk is held
    // back too); nothing more passes until thaw().
    void freeze_at(const std::string& marker);
    // Passes what a client sends up to `marker` and stops there, in the middle of whatever the
    // client was sending (the rest is held back).
    void freeze_inside(const std::string& marker);
    // Passes the first chunk a client sends that holds `marker`, then stops (its answer is held).
    void freeze_after(const std::string& marker);
    void freeze() { frozen_ = true; }
    void thaw() { frozen_ = false; }
    bool frozen() const { return frozen_; }
    // Whether a client has sent a chunk holding `text` since watch(text) was called.
    void watch(const std::string& text);
    bool seen() const { return seen_; }
    // Each chunk waits this long before it is passed on.
    void slow(int delay_ms) { delay_ms_ = delay_ms; }
    // Carries at most this many bytes a second each way, for the connections made from now on:
    // what waits stays in the sender's socket, as on a real slow link, not in the relay's.
    void limit(int bytes_per_second);

  private:
    struct Pair {
        int client, server;
        std::string held;  // a chunk held back at the freeze, for the server
    };
    void run();
    bool pass(Pair& p, int from, int to, bool upstream);

    std::string socket_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false}, frozen_{false};
    std::atomic<int> delay_ms_{0}, rate_{0};
    std::mutex marker_mutex_;
    std::string marker_, watched_, inside_, after_;
    std::atomic<bool> seen_{false};
    std::vector<Pair> pairs_;
    std::thread thread_;
};

}  // namespace ijken::testing
