// The window's push to the office: it runs beside the window, which stays responsive, shows its
// progress, and "Annuleren" ends it at once. The office here is a port that takes the connection
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
        auto office = app::office_actions(form.session(), dialogs);
        form.set_office_actions(office.push, office.connection);
        QAction* push = program->main->action_for(form.get<forms::MenuItem>("Kantoor1"));
        QVERIFY(push);
        QElapsedTimer clock;
        clock.start();
        push->trigger();
        QVERIFY(clock.elapsed() < 1000);
        auto progress_dialogs = [] {
            QList<QProgressDialog*> found;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* p = qobject_cast<QProgressDialog*>(w)) found.push_back(p);
            }
            return found;
        };
        QCOMPARE(progress_dialogs().size(), qsizetype(1));
        QProgressDialog* progress = progress_dialogs().at(0);
        QTRY_VERIFY(progress->isVisible());
        // The window's own events go on while the push waits for the office.
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        QTest::qWait(500);
        QVERIFY(ticks >= 10);
        QVERIFY(dialogs.shown().empty());
        // A second push is not started while one runs.
        push->trigger();
        QCOMPARE(progress_dialogs().size(), qsizetype(1));

        auto* cancel = progress->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QString("Annuleren"));
        clock.restart();
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.shown().size(), std::size_t(1), 2000);
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(dialogs.texts(Kind::information).at(0),
                 std::string("Versturen afgebroken; op kantoor is niets veranderd."));
        QTRY_VERIFY(progress_dialogs().isEmpty());
        ::close(silent);
    }

    void theRememberedConnectionIsTheUsersAlone() {
        ijken::testing::TempDir dir, settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.dir()));
        forms::ScriptedDialogs dialogs;
        survey::Form1 form(dir.dir(), dialogs);
        auto office = app::office_actions(form.session(), dialogs);
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
