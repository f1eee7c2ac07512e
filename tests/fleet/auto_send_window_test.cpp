// Sending by itself against the real server (with_postgres.sh) through a loopback relay: a survey
// stored through the session reaches the office without a command; with the link frozen the
// window goes on, the office menu item says why nothing arrives, and the survey arrives as soon as
// the link runs again.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QtTest>

#include "app/gui_start.h"
#include "app/office_menu.h"
#include "core/forms/services.h"
#include "core/main_window/form1.h"
#include "fleet/pg_connection.h"
#include "fleet/send_schedule.h"
#include "relay.h"
#include "support/temp_dir.h"

using namespace ijken;

namespace {

std::string admin(const std::string& db) {
    return std::string("host=") + std::getenv("IJKEN_PG_SOCKET") + " dbname=" + db +
           " user=" + std::getenv("IJKEN_PG_USER");
}

std::string one_value(const std::string& db, const std::string& sql) {
    fleet::PgConnection c(admin(db));
    const fleet::PgResult r = c.exec(sql);
    return r.rows() == 0 ? std::string() : std::string(r.text(0, 0));
}

long long surveys_at_office(const std::string& db) {
    const std::string exists = one_value(db, "SELECT to_regclass('ijken.surveys') IS NOT NULL");
    if (exists != "t") return -1;
    return std::stoll(one_value(db, "SELECT count(*) FROM ijken.surveys WHERE deleted_at IS NULL"));
}

}  // namespace

class AutoSendWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void storedSurveysReachTheOfficeByThemselvesAlsoAfterAFrozenLink() {
        const std::string db = "autosend";
        {
            fleet::PgConnection c(admin("postgres"));
            c.exec("CREATE DATABASE " + db);
        }
        ijken::testing::Relay relay(std::string(std::getenv("IJKEN_PG_SOCKET")) + "/.s.PGSQL.5432");
        ijken::testing::TempDir dir, settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.dir()));
        // A short connect_timeout: a frozen link shows as a failure within seconds.
        const std::string to = "host=127.0.0.1 port=" + std::to_string(relay.port()) + " dbname=" + db +
                               " user=" + std::getenv("IJKEN_PG_USER") + " connect_timeout=2";
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken")
            .setValue("office/connection", QString::fromStdString(to));

        forms::ScriptedDialogs dialogs;
        survey::Form1 form(dir.dir(), dialogs);
        auto program = app::start_main_window(form, dialogs, [] {});
        fleet::SendTimings timings;
        timings.start_delay = fleet::Millis(200);
        timings.debounce = fleet::Millis(500);
        // A retry would come long after the test: only the probe can bring the survey after the thaw.
        timings.first_retry = fleet::Millis(600000);
        timings.probe_every = fleet::Millis(500);
        auto office = app::office_actions(form, dialogs, timings);
        form.set_office_actions(office.push, office.connection);
        auto& item = form.get<forms::MenuItem>("Kantoor1");
        auto caption = [&] { return QString::fromStdString(item.caption()); };

        // Once at start, without a command.
        QTRY_VERIFY_WITH_TIMEOUT(caption().contains("alles op kantoor, aangekomen"), 20000);
        // The new database's own surveys.
        const long long at_start = surveys_at_office(db);
        QCOMPARE(at_start, static_cast<long long>(form.session().survey_count()));

        // A survey added through the session arrives within the debounce and a push.
        QElapsedTimer clock;
        clock.start();
        form.session().add_survey();
        QTRY_COMPARE_WITH_TIMEOUT(surveys_at_office(db), at_start + 1, 10000);
        qInfo("a stored survey reached the office %lld ms after it was stored (debounce 500 ms)",
              static_cast<long long>(clock.elapsed()));
        QTRY_VERIFY_WITH_TIMEOUT(caption().contains("alles op kantoor"), 5000);

        // The link freezes: the window goes on, and the item says why nothing arrives.
        relay.freeze();
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        clock.restart();
        form.session().add_survey();
        QVERIFY2(clock.elapsed() < 1000, "storing waits for the office");
        QTRY_VERIFY_WITH_TIMEOUT(caption().contains("wordt verstuurd"), 5000);
        // While the push hangs on the frozen link, the session stores and the event loop runs.
        clock.restart();
        form.session().add_survey();
        QVERIFY2(clock.elapsed() < 1000, "storing waits for the office");
        QTRY_VERIFY_WITH_TIMEOUT(caption().contains("niet op kantoor: "), 15000);
        QVERIFY(ticks >= 20);
        QVERIFY(dialogs.shown().empty());
        qInfo("frozen: %s", qPrintable(caption()));
        QVERIFY(caption().contains("laatst aangekomen"));
        QCOMPARE(surveys_at_office(db), at_start + 1);
        // Probes keep failing while frozen; nothing arrives.
        QTest::qWait(1500);
        QCOMPARE(surveys_at_office(db), at_start + 1);

        // The link runs again: the probe sees it and the push goes at once.
        clock.restart();
        relay.thaw();
        QTRY_COMPARE_WITH_TIMEOUT(surveys_at_office(db), at_start + 3, 15000);
        qInfo("after the thaw the surveys arrived in %lld ms", static_cast<long long>(clock.elapsed()));
        QTRY_VERIFY_WITH_TIMEOUT(caption().contains("alles op kantoor"), 5000);

        // Switched off, a change waits; switched on, it goes.
        QAction* automatic = program->main->action_for(form.get<forms::MenuItem>("KantoorAuto1"));
        QVERIFY(automatic && automatic->isChecked());
        automatic->trigger();
        QVERIFY(!form.get<forms::MenuItem>("KantoorAuto1").checked());
        QCOMPARE(QSettings(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken")
                     .value("office/send_automatically")
                     .toBool(),
                 false);
        // The settings stay the user's alone when the switch is written.
        QCOMPARE(QFile::permissions(QSettings(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken").fileName()) &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
        form.session().add_survey();
        QTRY_VERIFY_WITH_TIMEOUT(caption().contains("automatisch versturen staat uit"), 2000);
        QTest::qWait(1500);
        QCOMPARE(surveys_at_office(db), at_start + 3);
        automatic->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(surveys_at_office(db), at_start + 4, 10000);
    }
};

QTEST_MAIN(AutoSendWindowTest)
#include "auto_send_window_test.moc"
