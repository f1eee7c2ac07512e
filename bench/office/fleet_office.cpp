// The fleet office's speed against a real local PostgreSQL server. Run it beside a server of its
// own (Release build):
//
//   tests/fleet/with_postgres.sh build/bench/bench_fleet_office
//
// It measures the first push of a barge with 2,000 surveys and a 250-row gauge table, a repeated
// push with nothing changed, and `office surveys` over 50 installations of 2,000 surveys each
// (100,000), with the peak memory of the process that writes the file, beside the same over 5
// installations: the peak does not grow with the count. Then 50 barges of that size push at once
// (each its own installation), beside the same 50 pushed one after the other: with no lock wider
// than one installation, the pushes at once overlap instead of waiting for each other. Last, the
// first push of the 2,000 surveys over a link that carries 4 kB/s (a loopback relay in front of
// the server), with the session's own limits: it takes minutes, and it finishes.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/store/installation.h"
#include "fleet/pg_connection.h"
#include "fleet/push.h"
#include "relay.h"

namespace {

using namespace ijken;
using Clock = std::chrono::steady_clock;

std::string conninfo(const std::string& db) {
    return std::string("host=") + std::getenv("IJKEN_PG_SOCKET") + " user=" + std::getenv("IJKEN_PG_USER") +
           " dbname=" + db;
}

double ms_of(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A barge: ship 1 with a 250-row table (0 t to 50 cm, then rising) and 2,000 surveys.
void make_barge(const std::string& path) {
    data::create_database(path);
    data::SQLiteDatabase db(path);
    db.BeginTransaction();
    db.Execute("DELETE FROM IJKtable");
    db.Execute("DELETE FROM IJkOpnames");
    db.Execute("UPDATE Schiptable SET Max_inzinking = 249, Min_inzinking = 51 WHERE SchipID = 1");
    for (int c = 0; c < 250; ++c) {
        db.Execute("INSERT INTO IJKtable (SchipID, Inzinking, Tonnage) VALUES (1, ?, ?)",
                   {std::int64_t{c}, c < 51 ? 0.0 : (c - 50) * 1.7345});
    }
    for (int i = 0; i < 2000; ++i) {
        const std::string low = std::to_string(60 + i % 20), high = std::to_string(150 + i % 80);
        // Appended piece by piece: GCC 12 warns falsely on a chain of +.
        std::string hours = "+";
        hours += std::to_string(i);
        hours += " hours";
        db.Execute("INSERT INTO IJkOpnames (Schipid, BBL_1, BBL_3, SBL_1, SBL_3, BBV_1, BBV_3, SBV_1, SBV_3,"
                   " Verlader_Naam, Verlader_Plaats, Ontvanger_Naam, Lading, InvoerDatum) VALUES (1, ?, ?, ?, ?,"
                   " ?, ?, ?, ?, ?, 'Melun', 'CHV', 'Tarwe', datetime('2024-01-01', ?))",
                   {low, low, low, low, high, high, high, high, "Verlader " + std::to_string(i),
                    hours});
    }
    db.Commit();
}

// Fresh database on the server.
std::string database(const std::string& name) {
    fleet::PgConnection admin(conninfo("postgres"));
    admin.exec("DROP DATABASE IF EXISTS " + name);
    admin.exec("CREATE DATABASE " + name);
    return conninfo(name);
}

// The barge pushed as `count` installations (a new id before each push).
void fill(const std::string& barge, const std::string& to, int count) {
    for (int i = 0; i < count; ++i) {
        data::SQLiteDatabase(barge).Execute(std::string("DROP TABLE IF EXISTS ") + store::kInstallationTable);
        fleet::push(barge, to);
    }
}

// `ijken office surveys` as a process of its own: its time and its peak memory (kB).
std::pair<double, long> office_surveys(const std::string& from, const std::string& output) {
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(IJKEN_BINARY, IJKEN_BINARY, "office", "surveys", "--from", from.c_str(), "--output", output.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
    return {ms, usage.ru_maxrss};
}

// 50 barges: first pushed one at a time (each alone on the server), then all at once.
void many_at_once(const std::filesystem::path& dir, const std::string& barge) {
    constexpr int kBarges = 50;
    std::vector<std::string> barges;
    for (int i = 0; i < kBarges; ++i) {
        barges.push_back((dir / ("barge" + std::to_string(i) + ".db")).string());
        std::filesystem::copy_file(barge, barges.back(), std::filesystem::copy_options::overwrite_existing);
    }
    auto new_identities = [&] {
        for (const std::string& b : barges) {
            data::SQLiteDatabase(b).Execute(std::string("DROP TABLE IF EXISTS ") + store::kInstallationTable);
        }
    };
    new_identities();
    const std::string alone = database("bench_alone");
    fleet::create_office_schema(alone);
    std::vector<double> singles;
    for (const std::string& b : barges) singles.push_back(ms_of([&] { fleet::push(b, alone); }));
    double sum = 0;
    for (double ms : singles) sum += ms;
    const double slowest = *std::max_element(singles.begin(), singles.end());

    new_identities();
    const std::string together = database("bench_together");
    fleet::create_office_schema(together);
    int failed = 0;
    const double all = ms_of([&] {
        std::vector<std::thread> pushes;
        for (const std::string& b : barges) {
            pushes.emplace_back([&, b] {
                try {
                    fleet::push(b, together);
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "%s\n", e.what());
                    ++failed;
                }
            });
        }
        for (std::thread& t : pushes) t.join();
    });
    std::printf("50 barges of 2,000 surveys, one at a time: slowest %.0f ms, all %.0f ms\n", slowest, sum);
    std::printf("50 barges of 2,000 surveys, all at once:   %.0f ms (%.2f of one at a time, %.1f x the slowest; "
                "%u cores)%s\n",
                all, all / sum, all / slowest, std::thread::hardware_concurrency(), failed ? ", SOME FAILED" : "");
}

// The first push of the barge through a relay limited to 4 kB/s each way.
void over_a_slow_link(const std::string& barge) {
    const std::string to = database("bench_slow");
    fleet::create_office_schema(to);
    data::SQLiteDatabase(barge).Execute(std::string("DROP TABLE IF EXISTS ") + store::kInstallationTable);
    ijken::testing::Relay relay(std::string(std::getenv("IJKEN_PG_SOCKET")) + "/.s.PGSQL.5432");
    relay.limit(4096);
    // The relay takes little into its socket so that what waits stays in the barge's, as on a real
    // slow link; but its small window makes the barge's kernel probe a window that stays too small
    // for a whole segment of loopback's size, which tcp_user_timeout counts as unanswered (a real
    // link acknowledges what it carries). Without that limit here, the push's own guards remain.
    const std::string through = "host=127.0.0.1 port=" + std::to_string(relay.port()) +
                                " user=" + std::getenv("IJKEN_PG_USER") + " dbname=bench_slow tcp_user_timeout=0";
    std::string failure;
    const double ms = ms_of([&] {
        try {
            fleet::push(barge, through);
        } catch (const std::exception& e) {
            failure = e.what();
        }
    });
    std::printf("first push, 2,000 surveys, over a link of 4 kB/s: %.0f s%s%s\n", ms / 1000,
                failure.empty() ? "" : ", FAILED: ", failure.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("IJKEN_PG_SOCKET")) {
        std::fprintf(stderr, "run beside a server: tests/fleet/with_postgres.sh %s\n", "bench_fleet_office");
        return 2;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("ijken-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string barge = (dir / "ijken.db").string();
    make_barge(barge);
    // "slow": only the push over the slow link.
    if (argc > 1 && std::string(argv[1]) == "slow") {
        over_a_slow_link(barge);
        std::filesystem::remove_all(dir);
        return 0;
    }

    std::vector<double> first, again;
    for (int run = 0; run < 3; ++run) {
        const std::string to = database("bench_push");
        data::SQLiteDatabase(barge).Execute(std::string("DROP TABLE IF EXISTS ") + store::kInstallationTable);
        first.push_back(ms_of([&] { fleet::push(barge, to); }));
        for (int i = 0; i < 5; ++i) again.push_back(ms_of([&] { fleet::push(barge, to); }));
    }
    std::sort(first.begin(), first.end());
    std::sort(again.begin(), again.end());
    std::printf("first push, 2,000 surveys + 250-row table: median %.0f ms (of %zu)\n", first[first.size() / 2],
                first.size());
    std::printf("repeated push, nothing changed:            median %.0f ms (of %zu)\n", again[again.size() / 2],
                again.size());

    for (int installations : {5, 50}) {
        const std::string from = database("bench_office_" + std::to_string(installations));
        fill(barge, from, installations);
        const auto [ms, kb] = office_surveys(from, (dir / "fleet.csv").string());
        std::printf("office surveys, %d surveys: %.0f ms, peak memory %ld kB, file %.1f MB\n", installations * 2000,
                    ms, kb, static_cast<double>(std::filesystem::file_size(dir / "fleet.csv")) / 1e6);
    }
    many_at_once(dir, barge);
    over_a_slow_link(barge);
    std::filesystem::remove_all(dir);
    return 0;
}
