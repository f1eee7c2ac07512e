// The about box as a real window: "(c)" opens it over the hidden main window, the strips come
// from the program's resources and are painted frame by frame with white as the background, and
// "Okee" brings the main window back. The clock is the scripted one, so nothing waits.
#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include "app/gui_start.h"
#include "core/forms/services.h"
#include "core/main_window/form1.h"
#include "core/about/aboutform.h"
#include "gui/qt_pictures.h"
#include "support/temp_dir.h"

using namespace ijken;

class AboutWindowTest : public QObject {
    Q_OBJECT

  private:
    struct Session {
        ijken::testing::TempDir dir;
        forms::ScriptedDialogs dialogs;
        forms::ManualTimers timers;
        gui::QtPictures pictures;
        survey::Form1 form{dir.dir(), dialogs};
        std::unique_ptr<app::ProgramWindows> program;
        ijken::about::Aboutform* about = nullptr;
        gui::FormWindow* window = nullptr;

        Session() {
            form.services.timers = &timers;
            form.services.pictures = &pictures;
            program = app::start_main_window(form, dialogs, [] {});
            about = form.window<ijken::about::Aboutform>();
            window = about == nullptr ? nullptr : program->window_of(*about);
        }
        void open() {
            program->main->action_for(form.get<forms::MenuItem>("cTarvik1"))->trigger();
            // The window layer reports activation as the platform makes the window active; do it
            // here in any case (a second report changes nothing).
            forms::dispatch(dialogs, [this] { about->activate(); });
        }
        // What the animation's widget shows, as white (background), black or something else.
        QImage shown(const char* name) { return window->widget_for(name)->grab().toImage(); }
    };

  private slots:
    void picturesComeFromTheResourcesInBlackAndWhite() {
        gui::QtPictures pictures;
        const forms::Bitmap barge = pictures.picture(ijken::about::Aboutform::barge_picture);
        const forms::Bitmap grab = pictures.picture(ijken::about::Aboutform::grab_picture);
        QCOMPARE(barge.width(), 2750);
        QCOMPARE(barge.height(), 78);
        QCOMPARE(grab.width(), 500);
        QCOMPARE(grab.height(), 40);
        for (const forms::Bitmap* b : {&barge, &grab}) {
            int black = 0;
            for (int p : b->pixels()) {
                QVERIFY(p == forms::colour_black || p == forms::colour_white);
                black += p == forms::colour_black;
            }
            QVERIFY(black > 100);  // something is drawn
        }
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, pictures.picture("missing"));
        // The window icon: drawn as SVG, which needs the toolkit's SVG support at run time.
        QVERIFY(!QIcon(":/icons/ijken.svg").pixmap(64, 64).isNull());
    }

    void cOpensTheAboutWindowAndOkeeReturns() {
        Session s;
        QVERIFY(s.window);
        s.open();
        QVERIFY(s.window->isVisible());
        QVERIFY(!s.program->main->isVisible());
        QCOMPARE(s.window->windowTitle(), QString("About"));
        QCOMPARE(s.window->size(), QSize(345, 218));
        QVERIFY(s.window->windowFlags() & Qt::Dialog);
        QVERIFY(!(s.window->windowFlags() & Qt::WindowCloseButtonHint));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(s.window->geometry().center().x() - screen.center().x()) <= 8);

        auto* okee = qobject_cast<QPushButton*>(s.window->widget_for("button1"));
        QVERIFY(okee);
        QCOMPARE(okee->text(), QString("Okee"));
        QTest::mouseClick(okee, Qt::LeftButton);
        QVERIFY(!s.window->isVisible());
        QVERIFY(s.program->main->isVisible());
        QVERIFY(s.dialogs.shown().empty());
    }

    void theKeyboardReachesCAndOkee() {
        Session s;
        gui::FormWindow* main = s.program->main.get();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        // Every key goes where the keyboard's focus is, as typed: Alt selects the menu bar, Left
        // goes round to its last items ("Extra", then "(c)"), Return runs it.
        for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_Left, Qt::Key_Left})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(main->menuBar()->activeAction()->text(), QString("(c)"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(s.window->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(s.window));
        QVERIFY(s.window->widget_for("button1")->hasFocus());
        QTest::keyClick(s.window->widget_for("button1"), Qt::Key_Space);
        QVERIFY(!s.window->isVisible());
        QVERIFY(main->isVisible());
    }

    void framesArePaintedWithWhiteAsTheBackground() {
        Session s;
        s.open();
        const QColor background = s.window->client()->palette().color(QPalette::Window);
        s.timers.advance(32500);
        auto* name = qobject_cast<QLabel*>(s.window->widget_for("label6"));
        QVERIFY(name && name->isVisible());
        QCOMPARE(name->text(), QString("TARVIK"));
        QCOMPARE(QFontInfo(name->font()).pixelSize(), 40);
        QVERIFY(QFontInfo(name->font()).bold());
        QVERIFY(!s.window->widget_for("animation2")->isVisible());

        // animation1 on its last frame: black where the strip's frame 10 is black, the window's
        // background where it is white.
        const forms::Bitmap strip = s.pictures.picture(ijken::about::Aboutform::barge_picture);
        const QImage image = s.shown("animation1");
        QCOMPARE(image.size(), QSize(250, 78));
        int mismatches = 0;
        for (int y = 0; y < 78; ++y) {
            for (int x = 0; x < 250; ++x) {
                const QColor want =
                    strip.pixel(2500 + x, y) == forms::colour_black ? QColor(Qt::black) : background;
                mismatches += image.pixelColor(x, y) != want;
            }
        }
        QCOMPARE(mismatches, 0);
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
