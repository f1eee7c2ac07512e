// A barge computer that starts without its database, where an office is configured: the window
// offers to take it back from the office, against a real PostgreSQL (with_postgres.sh).
#include <QApplication>
#include <QSettings>
#include <QtTest>

#include "app/restore_offer.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/forms/services.h"
#include "fleet/pg_connection.h"
#include "fleet/push.h"
#include "support/temp_dir.h"

using namespace ijken;
using Kind = forms::ScriptedDialogs::Kind;

namespace {

std::string office(const std::string& db) {
    return std::string("host=") + std::getenv("IJKEN_PG_SOCKET") + " dbname=" + db + " user=" +
           std::getenv("IJKEN_PG_USER");
}

std::string installation_of(const std::string& db_pad) {
    return data::SQLiteDatabase(db_pad).Query("SELECT InstallationID FROM FleetInstallation")->AsString(0);
}

}  // namespace

class RestoreOfferTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings_.dir()));
        fleet::PgConnection("host=" + std::string(std::getenv("IJKEN_PG_SOCKET")) + " dbname=postgres user=" +
                            std::getenv("IJKEN_PG_USER"))
            .exec("CREATE DATABASE restore_offer");
        data::create_database(lost_.db_path());
        fleet::push(lost_.db_path(), office("restore_offer"));
    }

    void offeredOnlyWithoutADatabaseAndWithAnOffice() {
        remember("");
        QVERIFY(!app::restore_offered(target_.db_path()));
        remember(office("restore_offer"));
        QVERIFY(app::restore_offered(target_.db_path()));
        QVERIFY(!app::restore_offered(lost_.db_path()));
    }

    void noLeavesTheNewDatabaseToTheProgram() {
        remember(office("restore_offer"));
        forms::ScriptedDialogs dialogs;
        dialogs.answer(false);
        app::offer_restore(target_.db_path(), dialogs);
        QCOMPARE(dialogs.texts(Kind::confirm).size(), std::size_t{1});
        QVERIFY(!std::filesystem::exists(target_.db_path()));
    }

    void anOfficeThatCannotBeReachedIsToldAndMayBeTriedAgain() {
        remember("host=127.0.0.1 port=1 dbname=x connect_timeout=2");
        forms::ScriptedDialogs dialogs;
        dialogs.answer(true);   // restore
        dialogs.answer(true);   // try again
        dialogs.answer(false);  // give up: a new database
        app::offer_restore(target_.db_path(), dialogs);
        QCOMPARE(dialogs.texts(Kind::error).size(), std::size_t{2});
        QVERIFY(dialogs.texts(Kind::error)[0].find("Terughalen van het kantoor is niet gelukt") != std::string::npos);
        QCOMPARE(dialogs.unused_answers(), std::size_t{0});
        QVERIFY(!std::filesystem::exists(target_.db_path()));
    }

    void yesBringsTheBargeBackAsItself() {
        remember(office("restore_offer"));
        forms::ScriptedDialogs dialogs;
        dialogs.answer(true);
        app::offer_restore(target_.db_path(), dialogs);
        QCOMPARE(dialogs.texts(Kind::error).size(), std::size_t{0});
        QCOMPARE(dialogs.texts(Kind::information).size(), std::size_t{1});
        QCOMPARE(installation_of(target_.db_path()), installation_of(lost_.db_path()));
        // The barge goes on as itself: its next push changes nothing.
        const fleet::PushSummary again = fleet::push(target_.db_path(), office("restore_offer"));
        QCOMPARE(again.surveys_changed, 0LL);
        QCOMPARE(again.surveys_deleted, 0LL);
        QCOMPARE(again.tables_replaced, 0LL);
    }

  private:
    void remember(const std::string& connection) {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken");
        if (connection.empty()) s.remove("office/connection");
        else s.setValue("office/connection", QString::fromStdString(connection));
        s.sync();
    }

    ijken::testing::TempDir settings_, lost_, target_;
};

QTEST_MAIN(RestoreOfferTest)
#include "restore_offer_test.moc"
