#pragma once
// What the fleet's tests of links share: waiting with a bound, connection strings through a relay,
// and `ijken push` as a process of its own.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "fleet_support.h"
#include "relay.h"

namespace ijken::fleet {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Whether `done` came true within the time, asked every 20 ms.
inline bool wait_until(const std::function<bool()>& done, double limit_s) {
    const auto start = Clock::now();
    while (!done()) {
        if (seconds_since(start) > limit_s) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The test server's database `db` through the relay.
inline std::string relay_conninfo(const testing::Relay& relay, const std::string& db) {
    return "host=127.0.0.1 port=" + std::to_string(relay.port()) + " dbname=" + db +
           " user=" + std::getenv("IJKEN_PG_USER");
}

inline std::string server_socket() {
    return std::string(std::getenv("IJKEN_PG_SOCKET")) + "/.s.PGSQL.5432";
}

// `ijken push` as a process of its own, its standard error in a file.
struct RunningPush {
    pid_t pid = -1;
    std::filesystem::path err;

    RunningPush(const Barge& barge, const std::string& to, const std::string& pgoptions) {
        err = barge.dir.path() / "push-err.txt";
        const std::string db = barge.dir.db_path();
        pid = fork();
        if (pid == 0) {
            if (!pgoptions.empty()) setenv("PGOPTIONS", pgoptions.c_str(), 1);
            if (!std::freopen("/dev/null", "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) _exit(126);
            execl(IJKEN_BINARY, IJKEN_BINARY, "push", "--db", db.c_str(), "--to", to.c_str(), nullptr);
            _exit(127);
        }
    }
    // The exit status, or -1 when it did not end within the time (it is killed then).
    int wait(double limit_s) {
        int status = 0;
        if (!wait_until([&] { return waitpid(pid, &status, WNOHANG) != 0; }, limit_s)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

}  // namespace ijken::fleet
