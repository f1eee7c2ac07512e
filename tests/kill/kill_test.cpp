// Kills the driver (a process doing the program's work through the core) with SIGKILL at random
// moments and checks after each kill that nothing reported done is lost and nothing half-made is
// left. A quick run in the test suite; the full one with IJKEN_KILL_FULL=1 (1,000 kills of each
// operation), or IJKEN_KILLS=N kills each; IJKEN_KILL_SEED repeats a run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kill/kill_operations.h"
#include "support/temp_dir.h"

namespace ijken::killtest {
namespace {

using Clock = std::chrono::steady_clock;

int kills_for(int quick) {
    if (const char* n = std::getenv("IJKEN_KILLS")) return std::atoi(n);
    if (const char* full = std::getenv("IJKEN_KILL_FULL"); full && std::string(full) == "1") return 1000;
    return quick;
}

std::mt19937_64 random_source(const std::string& name) {
    std::uint64_t seed = std::random_device{}();
    if (const char* s = std::getenv("IJKEN_KILL_SEED")) seed = std::strtoull(s, nullptr, 10);
    std::printf("%s: IJKEN_KILL_SEED=%llu\n", name.c_str(), static_cast<unsigned long long>(seed));
    return std::mt19937_64(seed);
}

// One run of the driver: started, left alone for `delay` after it said it is ready (or to its end
// when delay is negative), then killed. What it reported done comes back.
struct Run {
    std::vector<std::string> done;
    bool finished = false;  // ended by itself before the kill
    double ready_to_end_ms = 0;
};

Run run_driver(const std::string& operation, const std::string& dir, std::chrono::microseconds delay) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(IJKEN_KILL_DRIVER, IJKEN_KILL_DRIVER, operation.c_str(), dir.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[4096];
    // Wait for "ready".
    while (text.find("ready\n") == std::string::npos) {
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    const auto ready = Clock::now();
    Run r;
    if (delay.count() >= 0) {
        std::this_thread::sleep_for(delay);
        kill(pid, SIGKILL);
    }
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.ready_to_end_ms = std::chrono::duration<double, std::milli>(Clock::now() - ready).count();
    r.finished = WIFEXITED(status);
    if (r.finished && WEXITSTATUS(status) != 0)
        throw std::runtime_error("the driver failed on its own: status " +
                                 std::to_string(WEXITSTATUS(status)));
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        if (line.rfind("done ", 0) == 0) r.done.push_back(line.substr(5));
    }
    return r;
}

void kill_many(const std::string& operation, int quick_count) {
    Operation* op = find_operation(operation);
    ASSERT_NE(op, nullptr);
    ijken::testing::TempDir dir;
    auto random = random_source(operation);
    const int kills = kills_for(quick_count);

    // Work that ends is timed once whole, so the kills spread over all of it (and a little past).
    double window_ms = op->kill_window_ms();
    if (op->finishes()) {
        // The shorter of two runs, so that a busy moment of the machine does not stretch the window
        // past the work.
        window_ms = 1e9;
        for (int i = 0; i < 2; ++i) {
            op->prepare(dir.path(), 0);
            const Run whole = run_driver(operation, dir.dir(), std::chrono::microseconds(-1));
            ASSERT_TRUE(whole.finished);
            ASSERT_EQ(op->check(dir.path(), whole.done), "");
            window_ms = std::min(window_ms, whole.ready_to_end_ms * 1.1);
        }
    }
    std::uniform_real_distribution<double> moment(0, window_ms * 1000);
    int landed = 0, reports = 0, broken = 0;
    for (int round = 0; round < kills; ++round) {
        op->prepare(dir.path(), round);
        const auto delay = std::chrono::microseconds(static_cast<long long>(moment(random)));
        const Run r = run_driver(operation, dir.dir(), delay);
        landed += r.finished ? 0 : 1;
        reports += static_cast<int>(r.done.size());
        const std::string problems = op->check(dir.path(), r.done);
        EXPECT_EQ(problems, "") << "kill " << round << " after " << delay.count() << " us";
        broken += problems.empty() ? 0 : 1;
    }
    std::printf(
        "%s: %d kills, %d of them before the work was done, %d pieces reported done, window %.0f ms, "
        "%d left something wrong\n",
        operation.c_str(), kills, landed, reports, window_ms, broken);
    // Enough kills must land inside the work, or the test proves nothing.
    EXPECT_GE(landed * 4, kills);
}

TEST(KillTest, FirstStartLeavesNoHalfMadeDatabase) {
    kill_many("first_start", 20);
}

TEST(KillTest, SurveySavesReportedDoneSurvive) {
    kill_many("survey_save", 30);
}

TEST(KillTest, GaugeTableIsTheOldOrTheNewOneWhole) {
    kill_many("gauge_table_store", 6);
}

TEST(KillTest, ShipIsThereWholeOrGoneWhole) {
    kill_many("ship_delete", 6);
}

TEST(KillTest, LanguageFileHoldsItsOldOrItsNewContent) {
    kill_many("language_write", 6);
}

}  // namespace
}  // namespace ijken::killtest
