// A barge's push under real links: an older push never lands over a newer one, a link that
// freezes half way through the upload frees the barge's turn within the server's limit, a slow
// link that moves finishes, a commit whose answer is lost is reported as open, and what the
// office computes and refuses matches the barge row for row.
#include <thread>

#include "core/session/session.h"
#include "link_support.h"

namespace ijken::fleet {
namespace {

using testing::Relay;

// Copies of survey 1 with their own cargo, `n` more surveys, about 250 bytes each at the office.
void add_surveys(Barge& barge, int n) {
    const std::string columns =
        "Schipid, Verlader_Naam, Verlader_Plaats, Verlader_Telefoon, Ontvanger_Naam, Ontvanger_Plaats,"
        " Ontvanger_Telefoon, Taal, InvoerDatum, BBL_1, BBL_2, BBL_3, BBL_4, BBL_5, SBL_1, SBL_2, SBL_3, SBL_4,"
        " SBL_5, BBV_1, BBV_2, BBV_3, BBV_4, BBV_5, SBV_1, SBV_2, SBV_3, SBV_4, SBV_5, ZoutCorrectie";
    barge.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(n) +
              ") INSERT INTO IJkOpnames (" + columns + ", Lading) SELECT " + columns +
              ", 'lading ' || i FROM IJkOpnames, n WHERE Opnameid = 1");
}

std::vector<std::string> one(const std::string& value) {
    return {value};
}

// Short limits, so that the server's and the client's ends come within seconds.
const std::string kShort = "-c lock_timeout=1000 -c statement_timeout=2000 -c idle_in_transaction_session_timeout=2000";

TEST(FleetLink, AnOlderPushThatGetsItsTurnLateSendsTheNewerBoard) {
    const std::string db = fresh_database();
    Barge barge;
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    // Push A starts on a link that stalls before the barge's turn is taken.
    Relay relay(server_socket());
    relay.freeze_at("FOR UPDATE");
    RunningPush a(barge, relay_conninfo(relay, db), "");
    ASSERT_TRUE(wait_until([&] { return relay.frozen(); }, 20));
    // Meanwhile the skipper changes the table and three surveys and adds one; push B sends that.
    barge.sql("UPDATE IJKtable SET Tonnage = Tonnage + 1 WHERE SchipID = 1 AND Tonnage > 0");
    barge.sql("UPDATE IJkOpnames SET Lading = 'nieuw' WHERE Schipid = 1");
    add_surveys(barge, 1);
    const Outcome b = barge.push(conninfo(db));
    ASSERT_EQ(b.status, 0) << b.err;
    const std::string after_b = central_state(db);
    relay.thaw();
    EXPECT_EQ(a.wait(30), 0) << read_file(a.err);

    // The office holds the newer board, and its history has no step back to the older one.
    EXPECT_EQ(central_state(db), after_b);
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys WHERE deleted_at IS NULL"), one("4"));
    EXPECT_EQ(rows(db, "SELECT count(DISTINCT valid_from) FROM ijken.gauge_rows WHERE schipid = 1"), one("2"));
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.survey_versions WHERE lading = 'nieuw'"), one("0"));
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys WHERE lading = 'nieuw' AND deleted_at IS NULL"),
              rows(db, "SELECT count(*) FROM ijken.surveys WHERE schipid = 1 AND opnameid <= 3"));
}

TEST(FleetLink, AnUploadFrozenHalfWayFreesTheBargeWithinTheServersLimit) {
    const std::string db = fresh_database();
    Barge barge;
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    // Enough rows that the upload is under way for a while before the marker, near its end.
    add_surveys(barge, 300);
    barge.sql("UPDATE IJkOpnames SET Lading = 'BEVROREN-HIER' WHERE Opnameid = (SELECT max(Opnameid) - 5"
              " FROM IJkOpnames)");
    Relay relay(server_socket());
    relay.freeze_inside("BEVROREN-HIER");
    RunningPush frozen(barge, relay_conninfo(relay, db), kShort);
    ASSERT_TRUE(wait_until([&] { return relay.frozen(); }, 30));
    const auto frozen_at = Clock::now();

    // The server ends the session that waits for the rest of the upload: the next push of the
    // barge goes through, within the idle limit and a little.
    Outcome last;
    barge.env = "PGOPTIONS='" + kShort + "' timeout 20 ";
    EXPECT_TRUE(wait_until([&] { return (last = barge.push(conninfo(db))).status == 0; }, 15)) << last.err;
    EXPECT_LT(seconds_since(frozen_at), 10.0);
    EXPECT_EQ(rows(db, "SELECT count(*) FROM pg_stat_activity WHERE wait_event = 'ClientRead' AND state = 'active'"),
              one("0"));
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys WHERE deleted_at IS NULL"), one("303"));
    // The frozen push itself gives up on the silent link, and says that nothing changed.
    EXPECT_EQ(frozen.wait(15), 1);
    EXPECT_NE(read_file(frozen.err).find("nothing was changed at the office"), std::string::npos)
        << read_file(frozen.err);

    // A push's session takes these limits unless the connection names its own.
    PgConnection session(conninfo(db));
    EXPECT_EQ(std::string(session.exec("SELECT current_setting('idle_in_transaction_session_timeout') || ' ' ||"
                                       " current_setting('statement_timeout')")
                              .text(0, 0)),
              "1min 1min");
}

TEST(FleetLink, APushOverASlowMovingLinkFinishesAndAFailureQuotesNoRow) {
    const std::string db = fresh_database();
    Barge barge;
    add_surveys(barge, 100);
    // About 30 kB at 4 kB/s: several times the statement limit and longer than the idle
    // one, which needs only to exceed a statement's way over the link (16 kB, 4 s).
    Relay relay(server_socket());
    relay.limit(4096);
    barge.env = "PGOPTIONS='-c lock_timeout=1000 -c statement_timeout=2000 -c idle_in_transaction_session_timeout=6000'"
                " timeout 60 ";
    const auto start = Clock::now();
    const Outcome slow = barge.push(relay_conninfo(relay, db));
    EXPECT_EQ(slow.status, 0) << slow.err;
    EXPECT_GT(seconds_since(start), 5.0);
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.surveys"), one("103"));

    // A refusal by the office names what failed, not what a row holds.
    rows(db, "ALTER TABLE ijken.surveys ADD CONSTRAINT no_secrets CHECK (lading <> 'GEHEIM-4711')");
    barge.sql("UPDATE IJkOpnames SET Lading = 'GEHEIM-4711' WHERE Opnameid = 2");
    barge.env = "";
    const Outcome refused = barge.push(conninfo(db));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.find("GEHEIM"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("no_secrets"), std::string::npos) << refused.err;
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
}

TEST(FleetLink, ACommitWhoseAnswerIsLostIsReportedAsOpen) {
    const std::string db = fresh_database();
    Barge barge;
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    struct Case {
        const char* name;
        bool cancel;
        std::string expected;
    };
    const Case cases[] = {
        {"the program gives up", false, std::string("ijken push: ") + kOutcomeUnknown + "\n"},
        {"the user cancels", true, std::string("cancelled; ") + kOutcomeUnknown},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string cargo = "verloren antwoord " + std::to_string(++n);
        barge.sql("UPDATE IJkOpnames SET Lading = '" + cargo + "' WHERE Opnameid = 1");
        Relay relay(server_socket());
        // The statement itself, not "ON COMMIT DROP" of an earlier one.
        relay.freeze_after(std::string("COMMIT\0", 7));
        std::string said;
        if (c.cancel) {
            std::atomic<bool> cancel{false};
            std::thread pushing([&] {
                try {
                    push(barge.dir.db_path(), relay_conninfo(relay, db), &cancel);
                } catch (const FleetError& e) {
                    said = e.what();
                }
            });
            EXPECT_TRUE(wait_until([&] { return relay.frozen(); }, 20)) << c.name;
            cancel = true;
            pushing.join();
        } else {
            RunningPush p(barge, relay_conninfo(relay, db), kShort);
            EXPECT_EQ(p.wait(20), 1) << c.name;
            said = read_file(p.err);
        }
        EXPECT_EQ(said, c.expected) << c.name;
        // The office did commit: sending again changes nothing twice.
        EXPECT_TRUE(wait_until([&] {
            return rows(db, "SELECT count(*) FROM ijken.surveys WHERE lading = '" + cargo + "'") == one("1");
        }, 5)) << c.name;
        const std::string state = central_state(db);
        ASSERT_EQ(barge.push(conninfo(db)).status, 0);
        EXPECT_EQ(central_state(db), state) << c.name;
    }
}

TEST(FleetLink, TheOfficeComputesFromWhatItStoresAndRefusesWhatItCannotHoldByName) {
    const std::string db = fresh_database();
    {
        // A reading with a NUL byte: stored and computed cut there, as the barge shows it.
        Barge barge;
        barge.sql("UPDATE IJkOpnames SET BBL_1 = '230' || char(0) || '5' WHERE Opnameid = 1");
        // Texts that mean something in the statements the rows travel in arrive as they are.
        barge.sql("UPDATE Schiptable SET veld1 = 'NULL', veld2 = '', veld3 = ' {a,\"b\\c\"} ', veld4 = 'it''s',"
                  " veld5 = '\\N', veld6 = 'nUlL' WHERE SchipID = 2");
        ASSERT_EQ(barge.push(conninfo(db)).status, 0);
        EXPECT_EQ(rows(db, "SELECT veld1, veld6, veld2 = '', veld3, veld4, veld5 FROM ijken.ships WHERE schipid = 2"),
                  one("NULL|nUlL|t| {a,\"b\\c\"} |it's|\\N"));
        ASSERT_EQ(barge.run("export --db '" + barge.dir.db_path() + "' --ship 1 --output b.csv").status, 0);
        ASSERT_EQ(barge.run("office surveys --from '" + conninfo(db) + "' --output o.csv").status, 0);
        const std::string office = std::regex_replace(read_file(barge.dir.path() / "o.csv"),
                                                      std::regex("(^|\n)(\xEF\xBB\xBF)?[^,\n]*,[^,\n]*,"), "$1$2");
        EXPECT_EQ(office, read_file(barge.dir.path() / "b.csv"));
    }
    const std::string kLong = "(SELECT group_concat(hex(randomblob(100)), '') FROM (SELECT 1 FROM IJKtable LIMIT 15))";
    struct Case {
        std::string statement, start, says;
    };
    const Case cases[] = {
        {"UPDATE IJKtable SET Tonnage = 1e999 WHERE SchipID = 1 AND Inzinking = (SELECT max(Inzinking) FROM IJKtable"
         " WHERE SchipID = 1)",
         "the gauge table of ship 1 (Dummy 1) (Inzinking ", "holds \"INF\" in Tonnage, which the office cannot take: not a finite number; "},
        {"UPDATE IJkOpnames SET ZoutCorrectie = -1e999 WHERE Opnameid = 2", "survey 2 of ship 1 (Dummy 1) ",
         "holds \"-INF\" in ZoutCorrectie, which the office cannot take: not a finite number; "},
        {"UPDATE IJkOpnames SET Schipid = 'x' WHERE Opnameid = 2", "survey 2 of ship \"x\" ",
         "holds \"x\" in Schipid, which the office cannot take: not a whole number; "},
        {"UPDATE IJkOpnames SET Schipid = 1.5 WHERE Opnameid = 2", "survey 2 of ship \"1.5\" ",
         "holds \"1.5\" in Schipid, which the office cannot take: not a whole number; "},
        {"UPDATE IJkOpnames SET InvoerDatum = " + kLong + " WHERE Opnameid = 3", "survey 3 of ship 1 (Dummy 1) ",
         "in InvoerDatum, which the office cannot take: a text of 3000 bytes, longer than the 2000"},
    };
    const std::string before = central_state(db);
    for (const Case& c : cases) {
        Barge odd;
        odd.sql(c.statement);
        const Outcome refused = odd.push(conninfo(db));
        EXPECT_EQ(refused.status, 1) << c.statement;
        EXPECT_EQ(refused.err.rfind("ijken push: " + c.start, 0), 0u) << refused.err;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_NE(refused.err.find("correct it on board"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(central_state(db), before);
}

TEST(FleetLink, ARestoredSurveyKeepsItsOwnGenerationAndAHugeShipNumberSaysWhyItHasNoResults) {
    const std::string db = fresh_database();
    Barge barge;
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    const std::filesystem::path backup = barge.dir.path() / "backup.db";
    std::filesystem::copy_file(barge.dir.db_path(), backup);
    const std::string old_cargo = rows(db, "SELECT coalesce(lading, '') FROM ijken.surveys WHERE opnameid = 3")[0];
    // Survey 3 deleted and pushed; its number given to a new survey, pushed; then the backup back.
    barge.sql("DELETE FROM IJkOpnames WHERE Opnameid = 3");
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    barge.sql("INSERT INTO IJkOpnames (Opnameid, Schipid, Lading) VALUES (3, 1, 'nieuw')");
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    std::filesystem::copy_file(backup, barge.dir.db_path(), std::filesystem::copy_options::overwrite_existing);
    const Outcome restored = barge.push(conninfo(db));
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(rows(db, "SELECT generation || ' ' || coalesce(lading, '') || ' ' || (deleted_at IS NULL)"
                       " FROM ijken.surveys WHERE opnameid = 3 ORDER BY generation"),
              (std::vector<std::string>{"1 " + old_cargo + " false", "2 nieuw false", "3 " + old_cargo + " true"}));
    EXPECT_EQ(rows(db, "SELECT count(*) FROM ijken.survey_versions WHERE opnameid = 3"), one("0"));
    // Pushing once more changes nothing.
    const std::string state = central_state(db);
    ASSERT_EQ(barge.push(conninfo(db)).status, 0);
    EXPECT_EQ(central_state(db), state);

    Barge huge;
    huge.sql("UPDATE Schiptable SET SchipID = 5000000000 WHERE SchipID = 1");
    huge.sql("UPDATE IJKtable SET SchipID = 5000000000 WHERE SchipID = 1");
    huge.sql("UPDATE IJkOpnames SET Schipid = 5000000000 WHERE Schipid = 1");
    const Outcome pushed = huge.push(conninfo(db));
    ASSERT_EQ(pushed.status, 0) << pushed.err;
    for (const char* survey : {"1", "2", "3"}) {
        EXPECT_NE(pushed.out.find(std::string("ijken push: results left empty for survey ") + survey +
                                  ": the number of its ship (5000000000) is beyond"),
                  std::string::npos)
            << pushed.out;
    }
}

TEST(FleetLink, TheSessionSavesWhileAPushReads) {
    const std::string db = fresh_database();
    Barge barge;
    add_surveys(barge, 3000);
    std::atomic<bool> stop{false};
    std::atomic<int> pushes{0};
    std::string push_error;
    std::thread pushing([&] {
        while (!stop) {
            try {
                push(barge.dir.db_path(), conninfo(db));
                ++pushes;
            } catch (const std::exception& e) {
                push_error = e.what();
                return;
            }
        }
    });
    session::Session session(barge.dir.db_path());
    session.load_selected_ship();
    int saved = 0;
    const auto start = Clock::now();
    while (pushes < 3 && seconds_since(start) < 60) {
        session.change_reading(0, std::to_string(100 + saved % 50));
        EXPECT_NO_THROW(session.add_survey()) << "save " << saved;
        ++saved;
    }
    stop = true;
    pushing.join();
    EXPECT_EQ(push_error, "");
    EXPECT_GE(pushes.load(), 3);
    EXPECT_GT(saved, 10);
}

}  // namespace
}  // namespace ijken::fleet
