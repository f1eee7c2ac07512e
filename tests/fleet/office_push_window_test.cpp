// The window's push to the office: it runs beside the window, which stays responsive and takes
// input (no modal dialog), shows its progress in the office menu item, and choosing the item again
// offers to stop it, which ends it at once. The office here is a port that takes the connection
// and never answers, as an office behind a link that froze.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QInputDialog>
#include <QSettings>
#include <QtTest>

#include "app/gui_start.h"
#include "app/office_menu.h"
#include "core/forms/services.h"
#include "core/main_window/form1.h"
#include "fleet/send_schedule.h"
#include "support/temp_dir.h"

using namespace ijken;
using Kind = forms::ScriptedDialogs::Kind;

class OfficePushWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void aPushToASilentOfficeLeavesTheWindowResponsiveAndIsCancelled() {
        ijken::testing::TempDir dir, settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.dir()));
        // Listening, never accepting: the connection is made, and no word ever comes back.
        const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        QVERIFY(::bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(silent, 4) == 0 &&
                ::getsockname(silent, reinterpret_cast<sockaddr*>(&a), &size) == 0);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken")
            .setValue("office/connection", QString("host=127.0.0.1 dbname=vloot connect_timeout=60 port=%1")
                                               .arg(ntohs(a.sin_port)));

        forms::ScriptedDialogs dialogs;
        survey::Form1 form(dir.dir(), dialogs);
        auto program = app::start_main_window(form, dialogs, [] {});
        // Sending by itself waits for the skipper here: only the menu's send runs.
        fleet::SendTimings timings;
        timings.start_delay = fleet::Millis(3600 * 1000);
        auto office = app::office_actions(form, dialogs, timings);
        form.set_office_actions(office.push, office.connection);
        auto& item = form.get<forms::MenuItem>("Kantoor1");
        QAction* push = program->main->action_for(item);
        QVERIFY(push);
        QElapsedTimer clock;
        clock.start();
        push->trigger();
        QVERIFY(clock.elapsed() < 1000);
        // No window of its own, nothing modal: the progress is in the item's caption.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY2(!(w->isVisible() && w->isModal()), qPrintable(w->objectName()));
            QVERIFY(!qobject_cast<QProgressDialog*>(w));
        }
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(item.caption(), std::string("Naar &kantoor versturen\x85\twordt verstuurd\x85"));
        QVERIFY(push->text().endsWith(QString::fromUtf8("\twordt verstuurd…")));
        // The window's own events go on while the push waits for the office.
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        QTest::qWait(500);
        QVERIFY(ticks >= 10);
        QVERIFY(dialogs.shown().empty());
        // The item chosen again asks whether to stop; "No" lets the push go on, and no second
        // push starts beside it.
        dialogs.answer(false);
        push->trigger();
        QCOMPARE(dialogs.texts(Kind::confirm).size(), std::size_t(1));
        QCOMPARE(dialogs.texts(Kind::confirm).at(0), std::string("Er wordt naar kantoor verstuurd. Afbreken?"));
        QTest::qWait(200);
        QVERIFY(dialogs.texts(Kind::information).empty());
        QVERIFY(item.caption().find("wordt verstuurd") != std::string::npos);

        dialogs.answer(true);
        clock.restart();
        push->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.texts(Kind::information).size(), std::size_t(1), 2000);
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(dialogs.texts(Kind::information).at(0),
                 std::string("Versturen afgebroken; op kantoor is niets veranderd."));
        // The caption says it did not arrive, and why.
        QCOMPARE(item.caption(), std::string("Naar &kantoor versturen\x85\tniet op kantoor: afgebroken"));
        ::close(silent);
    }

    void theRememberedConnectionIsTheUsersAlone() {
        ijken::testing::TempDir dir, settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.dir()));
        forms::ScriptedDialogs dialogs;
        survey::Form1 form(dir.dir(), dialogs);
        // Nothing is sent by itself to these made-up offices within the test.
        fleet::SendTimings timings;
        timings.start_delay = timings.debounce = timings.max_delay = fleet::Millis(3600 * 1000);
        auto office = app::office_actions(form, dialogs, timings);
        // Twice: the file made, then written over.
        for (const QString& typed : {QString("host=kantoor dbname=vloot"), QString("host=kantoor2 dbname=vloot")}) {
            QTimer::singleShot(0, [&] {
                auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                QVERIFY(input);
                input->setTextValue(typed);
                input->accept();
            });
            office.connection();
            const QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken");
            QCOMPARE(stored.value("office/connection").toString(), typed);
            QCOMPARE(QFile::permissions(stored.fileName()),
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
        }
        QVERIFY(dialogs.shown().empty());
    }
};

QTEST_MAIN(OfficePushWindowTest)
#include "office_push_window_test.moc"
