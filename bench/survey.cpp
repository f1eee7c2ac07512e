// Speed of the main window's recomputation on the seeded ship, against the raw SQLite calls that
// any implementation of it must make (two connections, four single-row queries).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/data/database_schema.h"
#include "core/survey/computation.h"

namespace {

// A seeded database in a temporary directory, made once for the whole run.
const std::string& seeded_db() {
    static const std::string path = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "ijken-bench-XXXXXX").string();
        if (!mkdtemp(dir.data())) std::abort();
        std::string db = dir + "/ijken.db";
        ijken::data::create_database(db);
        return db;
    }();
    return path;
}

ijken::survey::SurveyInput grain_coop_3() {
    ijken::survey::SurveyInput in;
    in.readings = {"220", "0.0", "200", "0.0", "180", "220", "0.0", "200", "0.0", "180",
                   "20",  "0.0", "20",  "0.0", "20",  "20",  "0.0", "20",  "0.0", "20"};
    in.salt_correction = "1.000";
    return in;
}

// The floor once: the two states' lookups on two connections, as raw SQLite calls.
double raw_floor_once(const std::string& db_path) {
    static const char* const sql[2][2] = {
        {"SELECT * FROM [IJKtable] WHERE [SchipID]=\"1\" and [Inzinking]=\"51\" limit 1;",
         "SELECT * FROM [IJKtable] WHERE [SchipID]=\"1\" and [Inzinking]=\"52\" limit 1;"},
        {"SELECT * FROM [IJKtable] WHERE [SchipID]=\"1\" and [Inzinking]=\"231\" limit 1;",
         "SELECT * FROM [IJKtable] WHERE [SchipID]=\"1\" and [Inzinking]=\"232\" limit 1;"}};
    double sum = 0;
    for (auto& pair : sql) {
        sqlite3* db = nullptr;
        sqlite3_open(db_path.c_str(), &db);
        for (const char* q : pair) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, q, -1, &st, nullptr);
            if (sqlite3_step(st) == SQLITE_ROW) sum += sqlite3_column_double(st, 2);
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
    }
    return sum;
}

void BM_RawSqliteBaseline(benchmark::State& state) {
    const std::string& db_path = seeded_db();
    for (auto _ : state) benchmark::DoNotOptimize(raw_floor_once(db_path));
}
BENCHMARK(BM_RawSqliteBaseline)->Unit(benchmark::kMicrosecond);

void BM_Recomputation(benchmark::State& state) {
    const std::string& db_path = seeded_db();
    const ijken::survey::ShipParams dummy1{1, 3, 251, 51};
    const auto input = grain_coop_3();
    for (auto _ : state) {
        auto r = ijken::survey::recompute(db_path, dummy1, input);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Recomputation)->Unit(benchmark::kMicrosecond);

// The two in turns within one loop (each first every other time), so that what the machine does
// meanwhile weighs on both alike: "ratio" is the recomputation's time over the floor's.
void BM_RecomputationOverFloor(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string& db_path = seeded_db();
    const ijken::survey::ShipParams dummy1{1, 3, 251, 51};
    const auto input = grain_coop_3();
    Clock::duration floor{}, ours{};
    bool floor_first = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const auto start = Clock::now();
            if (floor_first == (turn == 0)) {
                benchmark::DoNotOptimize(raw_floor_once(db_path));
                floor += Clock::now() - start;
            } else {
                benchmark::DoNotOptimize(ijken::survey::recompute(db_path, dummy1, input));
                ours += Clock::now() - start;
            }
        }
        floor_first = !floor_first;
    }
    state.counters["ratio"] = std::chrono::duration<double>(ours) / std::chrono::duration<double>(floor);
}
BENCHMARK(BM_RecomputationOverFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
