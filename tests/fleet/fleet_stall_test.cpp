// The fleet office on links that stall or crawl, and a barge's database that is busy: a frozen
// push blocks no other barge and ends by itself, two pushes of one barge keep its history in
// order, and a push waits for a writer on board instead of failing.
#include <sqlite3.h>

#include <atomic>
#include <thread>

#include "link_support.h"

namespace ijken::fleet {
namespace {

using testing::Relay;

// Short limits, so that the server's and the client's ends come within seconds.
const std::string kShortLimits =
    "-c lock_timeout=1000 -c statement_timeout=4000 -c idle_in_transaction_session_timeout=3000";

TEST(FleetStall, AFrozenPushBlocksNoOtherBargeAndEndsByItself) {
    const std::string db = fresh_database();
    Barge a;
    ASSERT_EQ(a.push(conninfo(db)).status, 0);
    a.sql("UPDATE IJkOpnames SET Lading = 'bevroren'");
    Barge same(a.dir.db_path());
    Relay relay(server_socket());
    relay.freeze_at("survey_match");
    RunningPush frozen(a, relay_conninfo(relay, db), kShortLimits);
    ASSERT_TRUE(wait_until([&] { return relay.frozen(); }, 20));
    const auto frozen_at = Clock::now();

    // Another barge goes through at once, and so does its office's list.
    Barge other;
    other.env = "PGOPTIONS='" + kShortLimits + "' timeout 30 ";
    const Outcome pushed = other.push(conninfo(db));
    EXPECT_EQ(pushed.status, 0) << pushed.err;
    EXPECT_LT(seconds_since(frozen_at), 3.0);
    // The same barge, from a second database with its installation, is told to try again.
    same.env = other.env;
    const auto busy_start = Clock::now();
    const Outcome busy = same.push(conninfo(db));
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(busy.err.rfind("ijken push: the office database is busy; try again", 0), 0u) << busy.err;
    EXPECT_LT(seconds_since(busy_start), 3.0);

    // The server ends the frozen push's session; the client gives up on the silent link.
    EXPECT_TRUE(wait_until([&] {
        return rows(db, "SELECT count(*) FROM pg_stat_activity WHERE state LIKE 'idle in transaction%'") ==
               std::vector<std::string>{"0"};
    }, 10));
    EXPECT_EQ(frozen.wait(15), 1);
    EXPECT_LT(seconds_since(frozen_at), 12.0);
    const std::string err = read_file(frozen.err);
    EXPECT_NE(err.find("did not answer"), std::string::npos) << err;
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys WHERE lading = 'bevroren'"), std::vector<std::string>{"0"});
    // Nothing is left held: the barge pushes again.
    const Outcome again = a.push(conninfo(db));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys WHERE lading = 'bevroren'"), std::vector<std::string>{"3"});
}

TEST(FleetStall, ACancelledPushEndsAtOnceAndChangesNothing) {
    const std::string db = fresh_database();
    Barge barge;
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    barge.sql("UPDATE IJkOpnames SET Lading = 'afgebroken'");
    Relay relay(server_socket());
    relay.freeze_at("survey_match");
    std::atomic<bool> cancel{false};
    std::string error;
    std::thread push_thread([&] {
        try {
            push(barge.dir.db_path(), relay_conninfo(relay, db), &cancel);
        } catch (const FleetError& e) {
            error = e.what();
        }
    });
    EXPECT_TRUE(wait_until([&] { return relay.frozen(); }, 20));
    const auto cancelled_at = Clock::now();
    cancel = true;
    push_thread.join();
    EXPECT_LT(seconds_since(cancelled_at), 1.0);
    EXPECT_EQ(error, kCancelled);
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys WHERE lading = 'afgebroken'"), std::vector<std::string>{"0"});
}

// Periods of one row that run backwards or overlap, counted.
std::string faulty_periods(const std::string& db, const std::string& table, const std::string& key) {
    const std::string same = "a.installation = b.installation AND a.schipid = b.schipid" + key;
    return rows(db, "SELECT (SELECT count(*) FROM ijken." + table + " WHERE valid_until <= valid_from) || ' ' ||"
                    " (SELECT count(*) FROM ijken." + table + " a JOIN ijken." + table + " b ON " + same +
                    " AND a.valid_from < b.valid_from AND (a.valid_until IS NULL OR a.valid_until > b.valid_from))")[0];
}

TEST(FleetStall, TwoOverlappingPushesOfOneBargeKeepItsHistoryInOrder) {
    const std::string db = fresh_database();
    Barge barge;
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    Barge cron(barge.dir.db_path());
    barge.sql("UPDATE IJKtable SET Tonnage = Tonnage + 1 WHERE SchipID = 1");
    barge.sql("UPDATE Schiptable SET Meetbrief_NR = 'W1' WHERE SchipID = 1");
    cron.sql("UPDATE IJKtable SET Tonnage = Tonnage + 2 WHERE SchipID = 1");
    cron.sql("UPDATE Schiptable SET Meetbrief_NR = 'C2' WHERE SchipID = 1");
    // The cron job's push begins first on a slow link; the window's overtakes it.
    Relay relay(server_socket());
    relay.slow(30);
    relay.watch("BEGIN");
    RunningPush slow(cron, relay_conninfo(relay, db), "");
    ASSERT_TRUE(wait_until([&] { return relay.seen(); }, 20));
    const Outcome fast = barge.push(conninfo(db));
    EXPECT_EQ(fast.status, 0) << fast.err;
    EXPECT_EQ(slow.wait(30), 0) << read_file(slow.err);

    EXPECT_EQ(faulty_periods(db, "gauge_rows", " AND a.inzinking = b.inzinking"), "0 0");
    EXPECT_EQ(faulty_periods(db, "ship_versions", ""), "0 0");
    // The last push to commit holds the current table and particulars.
    EXPECT_EQ(rows(db, "SELECT meetbrief_nr FROM ijken.ship_versions WHERE schipid = 1 ORDER BY valid_from"),
              (std::vector<std::string>{"BR12345", "W1", "C2"}));
    for (const char* survey : {"1", "2", "3"}) {
        const Outcome o = barge.office_report(db, survey, "r.pdf");
        EXPECT_EQ(o.status, 0) << o.err;
    }
    // The schema itself refuses a period that ends before it starts.
    EXPECT_THROW(rows(db, "UPDATE ijken.gauge_rows SET valid_until = valid_from - interval '1 s'"
                          " WHERE valid_until IS NOT NULL"),
                 FleetError);
}

// A writer on board commits about 80 times a second, holding its lock a few milliseconds each time.
class BusyWriter {
  public:
    explicit BusyWriter(const std::string& path) {
        sqlite3_open(path.c_str(), &db_);
        sqlite3_busy_timeout(db_, 5000);
        sqlite3_exec(db_, "CREATE TABLE IF NOT EXISTS Elders (n INTEGER)", nullptr, nullptr, nullptr);
        thread_ = std::thread([this] {
            while (!stop_) {
                if (sqlite3_exec(db_, "BEGIN IMMEDIATE; INSERT INTO Elders VALUES (1)", nullptr, nullptr, nullptr) ==
                    SQLITE_OK) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(3));
                    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
                    ++commits_;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~BusyWriter() {
        stop_ = true;
        thread_.join();
        sqlite3_close(db_);
    }
    int commits() const { return commits_; }

  private:
    sqlite3* db_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<int> commits_{0};
    std::thread thread_;
};

TEST(FleetStall, APushWaitsForAWriterOnBoard) {
    const std::string db = fresh_database();
    Barge barge;
    const auto start = Clock::now();
    {
        BusyWriter writer(barge.dir.db_path());
        for (int i = 0; i < 20; ++i) {
            // Every other push is a first one, which writes the installation id.
            if (i % 2 == 0) {
                sqlite3* c = nullptr;
                sqlite3_open(barge.dir.db_path().c_str(), &c);
                sqlite3_busy_timeout(c, 5000);
                sqlite3_exec(c, "DROP TABLE IF EXISTS FleetInstallation", nullptr, nullptr, nullptr);
                sqlite3_close(c);
            }
            EXPECT_NO_THROW(push(barge.dir.db_path(), conninfo(db))) << "push " << i;
        }
        EXPECT_GT(writer.commits() / seconds_since(start), 15.0);
    }
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.installations"), std::vector<std::string>{"10"});
}

}  // namespace
}  // namespace ijken::fleet
