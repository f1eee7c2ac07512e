// A barge's database made again from the office: what the barge last sent, nothing more or less,
// only for the role that may read it, and never over a file.
#include <gtest/gtest.h>

#include <regex>

#include "fleet_support.h"

namespace ijken::fleet {
namespace {

// Roles belong to the server, not to a database: made once, whichever test comes first.
void create_role(const std::string& db, const std::string& definition) {
    rows(db, "DO $$ BEGIN CREATE ROLE " + definition + "; EXCEPTION WHEN duplicate_object THEN NULL; END $$");
}

// An office with the README's roles and grants, two barges and an office role.
std::string office_with_roles() {
    const std::string db = fresh_database();
    EXPECT_EQ(Barge().run("office init --to '" + conninfo(db) + "'").status, 0);
    std::string grants = readme_roles_sql();
    const std::regex role_line(R"(CREATE ROLE ([^;]*);\n?)");
    for (std::sregex_iterator i(grants.begin(), grants.end(), role_line), end; i != end; ++i) {
        create_role(db, (*i)[1]);
    }
    rows(db, std::regex_replace(grants, role_line, ""));
    create_role(db, "restore_a LOGIN IN ROLE ijken_barge");
    create_role(db, "restore_b LOGIN IN ROLE ijken_barge");
    create_role(db, "restore_office LOGIN IN ROLE ijken_office");
    return db;
}

TEST(FleetRestore, TheRestoredBargeExportsReportsAndPushesAsTheLostOne) {
    const std::string db = office_with_roles();
    Barge lost;
    // What a barge's life leaves: edited parties in Windows-1252, a salt factor, a deleted survey,
    // a survey on another ship with a table of its own, a ship without surveys.
    lost.sql("UPDATE IJkOpnames SET Verlader_Naam = 'Soci\xE9t\xE9 G\xE9n\xE9rale', ZoutCorrectie = 1.0125,"
             " Lading = 'Ma\xEFs' WHERE Opnameid = 3");
    lost.sql("DELETE FROM IJkOpnames WHERE Opnameid = 2");
    lost.sql("INSERT INTO IJKtable (SchipID, Inzinking, Tonnage) SELECT 2, Inzinking, Tonnage * 1.5 FROM IJKtable"
             " WHERE SchipID = 1");
    lost.sql("INSERT INTO IJkOpnames (Opnameid, Schipid, Verlader_Naam, Taal, InvoerDatum, BBL_1, SBL_1, BBV_1, SBV_1,"
             " ZoutCorrectie) VALUES (7, 2, 'Rhenus', '2', '2026-11-30 08:15:00', '40', '41', '180', '182', 1)");
    ASSERT_EQ(lost.push(conninfo(db, "restore_a")).status, 0);
    const std::string office_before = central_state(db);

    Barge spare;  // the replacement computer: a directory without the lost database
    const std::string restored = (spare.dir.path() / "restored.db").string();
    const Outcome o = spare.run("restore --from '" + conninfo(db, "restore_a") + "' --output '" + restored + "'");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "ijken restore: " + restored + " holds installation " + lost.installation() + ": 5 ships, " +
                         std::to_string(2 * std::stoi(lost.count("IJKtable WHERE SchipID = 1"))) +
                         " gauge table rows and 3 surveys\n");
    EXPECT_EQ(data::SQLiteDatabase(restored).Query("SELECT InstallationID FROM FleetInstallation")->AsString(0),
              lost.installation());

    // It goes on pushing as itself: nothing new, nothing marked deleted. (Before anything computes
    // on it: a computation may extend a gauge table in the database, which a push then sends.)
    const Outcome again = spare.run("push --db '" + restored + "' --to '" + conninfo(db, "restore_a") + "'");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("(0 surveys new or changed, 0 marked deleted, 0 gauge tables"), std::string::npos)
        << again.out;
    EXPECT_EQ(central_state(db), office_before);

    for (int ship = 1; ship <= 5; ++ship) {
        const std::string id = std::to_string(ship);
        ASSERT_EQ(lost.run("export --db '" + lost.dir.db_path() + "' --ship " + id + " --output a.csv").status, 0);
        ASSERT_EQ(lost.run("export --db '" + restored + "' --ship " + id + " --output b.csv").status, 0);
        EXPECT_EQ(read_file(lost.dir.path() / "b.csv"), read_file(lost.dir.path() / "a.csv")) << "ship " << id;
    }
    // Every report. The office does not know which ship was selected on board: the restored
    // barge starts on the ship of its newest survey.
    EXPECT_EQ(data::SQLiteDatabase(restored).Query("SELECT SchipID FROM Schiptable WHERE Selected = 1")->AsString(0),
              "2");
    for (const char* args : {"--ship 1 --survey 1", "--ship 1 --survey 3", "--ship 1 --survey 3 --lang de",
                             "--ship 2 --survey 7"}) {
        ASSERT_EQ(lost.report(args, "a.pdf").status, 0) << args;
        const Outcome b = lost.run("report --db '" + restored + "' " + std::string(args) + " --output b.pdf");
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(lost.pdf("b.pdf"), lost.pdf("a.pdf")) << args;
    }
}

TEST(FleetRestore, OnlyARoleThatMayReadTheInstallationRestoresItAndNeverOverAFile) {
    const std::string db = office_with_roles();
    Barge a, b;
    ASSERT_EQ(a.push(conninfo(db, "restore_a")).status, 0);
    ASSERT_EQ(b.push(conninfo(db, "restore_b")).status, 0);
    const std::string out = (a.dir.path() / "new.db").string();
    const auto restore = [&](const std::string& role, const std::string& extra, const std::string& output) {
        return a.run("restore --from '" + conninfo(db, role) + "' " + extra + " --output '" + output + "'");
    };
    struct Case {
        std::string role, extra;
        int status;
        std::string message;
    };
    const std::vector<Case> refused{
        {"restore_b", "--installation " + a.installation(), 1, "holds no installation " + a.installation()},
        {"restore_office", "", 2, "name one with --installation ID"},
        {"restore_a", "--installation not-a-uuid", 2, "needs an installation id"},
    };
    for (const Case& c : refused) {
        const Outcome o = restore(c.role, c.extra, out);
        EXPECT_EQ(o.status, c.status) << c.role << " " << c.extra << ": " << o.err;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // The office prepares a replacement for barge b ashore.
    const Outcome ashore = restore("restore_office", "--installation " + b.installation(), out);
    ASSERT_EQ(ashore.status, 0) << ashore.err;
    EXPECT_EQ(data::SQLiteDatabase(out).Query("SELECT InstallationID FROM FleetInstallation")->AsString(0),
              b.installation());
    // Never over a file: the database just made, a barge's live database, or a link to one.
    std::filesystem::create_symlink(a.dir.db_path(), a.dir.path() / "link.db");
    for (const std::string& target : {out, a.dir.db_path(), (a.dir.path() / "link.db").string()}) {
        const std::string before = read_file(target);
        const Outcome o = restore("restore_a", "", target);
        EXPECT_EQ(o.status, 1) << target;
        EXPECT_NE(o.err.find("exists"), std::string::npos) << o.err;
        EXPECT_EQ(read_file(target), before) << target;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(a.dir.path() / "link.db"));
    // Nothing is left beside the target by a refusal.
    for (const auto& e : std::filesystem::directory_iterator(a.dir.path())) {
        EXPECT_EQ(e.path().string().find(".new"), std::string::npos) << e.path();
    }
}

}  // namespace
}  // namespace ijken::fleet
