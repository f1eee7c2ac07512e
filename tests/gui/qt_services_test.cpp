// The Qt side of the drawings and message boxes.
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "core/forms/forms.h"
#include "gui/deferred_icons.h"
#include "gui/form_window.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_file_dialogs.h"
#include "gui/qt_modal_display.h"
#include "gui/qt_timers.h"
#include "gui/window_icon.h"

using namespace ijken;

namespace {

// Presses a button of the message box that opens next, and keeps what it said.
struct BoxAnswer {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;

    void press_when_shown(QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            seen = true;
            text = box->text();
            icon = box->icon();
            box->button(button)->click();
        });
    }
};

}  // namespace

class QtServicesTest : public QObject {
    Q_OBJECT

  private slots:
    void drawingPaintsInTheDesignedColoursAtItsSize() {
        forms::Form form("form1", "IJken", {0, 0, 300, 300});
        auto& image = form.add<forms::Drawing>("Image1", nullptr, forms::Rect{10, 10, 80, 60});
        int painted_w = 0;
        int painted_h = 0;
        image.paint = [&](forms::Painter& p, int w, int h) {
            painted_w = w;
            painted_h = h;
            p.set_pen(forms::colour_none);
            p.set_brush(0x0000FF);  // red, as 0x00BBGGRR
            p.draw_rect({0, 0, w / 2, h});
            p.set_brush(0xFF0000);  // blue
            p.draw_rect({w / 2, 0, w - w / 2, h});
        };
        image.set_stretch(true);
        forms::ScriptedDialogs dialogs;
        gui::FormWindow window(form, dialogs);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shot = window.widget_for("Image1")->grab().toImage();
        QCOMPARE(shot.size(), QSize(80, 60));
        QCOMPARE(painted_w, 80);
        QCOMPARE(painted_h, 60);
        QCOMPARE(QColor(shot.pixel(10, 30)), QColor(Qt::red));
        QCOMPARE(QColor(shot.pixel(70, 30)), QColor(Qt::blue));

        // A paint handler that fails is reported once, after the paint event.
        image.paint = [](forms::Painter&, int, int) { throw std::runtime_error("no picture"); };
        image.repaint();
        window.widget_for("Image1")->grab();
        window.widget_for("Image1")->grab();
        QCoreApplication::processEvents();
        QCOMPARE(dialogs.texts(forms::ScriptedDialogs::Kind::error), std::vector<std::string>{"no picture"});
    }

    void messageBoxesShowWindows1252TextAndReturnTheAnswer() {
        gui::QtDialogs dialogs;
        BoxAnswer answer;
        answer.press_when_shown(QMessageBox::Yes);
        QVERIFY(dialogs.confirm("Schip \"Fran\xE7ois\" verwijderen?"));
        QVERIFY(answer.seen);
        QCOMPARE(answer.text, QString::fromUtf8("Schip \"François\" verwijderen?"));
        QCOMPARE(answer.icon, QMessageBox::Question);

        BoxAnswer no;
        no.press_when_shown(QMessageBox::No);
        QVERIFY(!dialogs.confirm("Opname verwijderen?"));
        QVERIFY(no.seen);

        BoxAnswer info;
        info.press_when_shown(QMessageBox::Ok);
        dialogs.information("IJken opgeslagen");
        QCOMPARE(info.text, QString("IJken opgeslagen"));
        QCOMPARE(info.icon, QMessageBox::Information);

        BoxAnswer error;
        error.press_when_shown(QMessageBox::Ok);
        dialogs.error("database is locked");
        QCOMPARE(error.icon, QMessageBox::Critical);

        // The refusal of a character Windows-1252 cannot hold shows it as typed.
        BoxAnswer refused;
        refused.press_when_shown(QMessageBox::Ok);
        dialogs.error_utf8("Het teken \"\xC5\x82\" (U+0142) bestaat niet in Windows-1252");
        QCOMPARE(refused.text, QString::fromUtf8("Het teken \"ł\" (U+0142) bestaat niet in Windows-1252"));
        QCOMPARE(refused.icon, QMessageBox::Critical);
    }

    void returnAnswersTheDefaultAndEscapeAnswersNo() {
        gui::QtDialogs dialogs;
        using forms::Answer;
        for (auto [answer, key, yes] : {std::tuple{Answer::no, Qt::Key_Return, false},
                                        {Answer::no, Qt::Key_Escape, false},
                                        {Answer::yes, Qt::Key_Return, true},
                                        {Answer::yes, Qt::Key_Escape, false}}) {
            QTimer::singleShot(0, [key] { QTest::keyClick(QApplication::activeModalWidget(), key); });
            QCOMPARE(dialogs.confirm("Schip \"Dummy 3\" verwijderen?", answer), yes);
        }
    }

    void timersTickThroughTheDispatchAndMayEndThemselves() {
        forms::ScriptedDialogs dialogs;
        gui::QtTimers timers(dialogs);
        auto timer = timers.create();
        int ticks = 0;
        timer->on_tick = [&] {
            if (++ticks == 3) timer->stop();
            throw std::runtime_error("tick " + std::to_string(ticks));
        };
        timer->start(5);
        QVERIFY(timer->active());
        QTRY_VERIFY(!timer->active());
        QTest::qWait(30);
        QCOMPARE(ticks, 3);
        QCOMPARE(dialogs.texts(forms::ScriptedDialogs::Kind::error),
                 (std::vector<std::string>{"tick 1", "tick 2", "tick 3"}));

        // Destroyed from its own tick: no further tick, no crash.
        int last_ticks = 0;
        timer->on_tick = [&] {
            ++last_ticks;
            timer.reset();
        };
        timer->start(5);
        QTRY_VERIFY(timer == nullptr);
        QTest::qWait(30);
        QCOMPARE(last_ticks, 1);

        auto idle = timers.create();
        idle->start(0);
        QVERIFY(!idle->active());
    }

    void modalDisplayShowsTheWindowModallyAndContinuesOnClose() {
        forms::Form main_form("form1", "IJken", {0, 0, 300, 200});
        forms::Form about("aboutform", "About", {50, 50, 345, 250});
        forms::ScriptedDialogs dialogs;
        gui::FormWindow main_window(main_form, dialogs);
        gui::FormWindow about_window(about, dialogs);
        gui::QtModalDisplay display;
        display.add(about_window);
        QVERIFY_THROWS_EXCEPTION(std::logic_error, display.show_modal(main_form, [] {}));

        main_form.show();
        bool continued = false;
        main_form.hide();
        display.show_modal(about, [&] {
            continued = true;
            main_form.show();
        });
        QVERIFY(about_window.isVisible());
        QCOMPARE(about_window.windowModality(), Qt::ApplicationModal);
        QVERIFY(!main_window.isVisible());
        QCOMPARE(about_window.windowTitle(), QString("About"));

        about_window.close();
        QVERIFY(continued);
        QVERIFY(!about_window.isVisible());
        QVERIFY(main_window.isVisible());
        QVERIFY(!about.modal());
    }

    void saveDialogFiltersInQtNotation() {
        QCOMPARE(gui::qt_name_filters("PDF files (*.pdf)|*.pdf|Alle bestanden|*.*"),
                 (QStringList{"PDF files (*.pdf)", "Alle bestanden (*.*)"}));
        QCOMPARE(gui::qt_name_filters("Teksten|*.txt;*.tln"), QStringList{"Teksten (*.txt *.tln)"});
        QCOMPARE(gui::qt_name_filters(""), QStringList{});
    }

    // The window icon the build drew is the SVG's drawing at every size a window is given.
    void windowIconIsTheSvgDrawn() {
        const QIcon drawn = gui::window_icon();
        const QIcon svg(":/icons/ijken.svg");
        QCOMPARE(drawn.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {64, 64}, {128, 128}}));
        for (const QSize& size : drawn.availableSizes()) {
            QCOMPARE(drawn.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     svg.pixmap(size, 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }
    }

    // The menu bar's overflow icon, read only when drawn, is the style's own; other icons pass.
    void deferredIconsAreTheStylesOwn() {
        gui::DeferredIconsStyle style;
        for (auto which : {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_DialogOkButton}) {
            QCOMPARE(style.standardIcon(which).pixmap(16, 16).toImage(),
                     style.baseStyle()->standardIcon(which).pixmap(16, 16).toImage());
        }
    }
};

QTEST_MAIN(QtServicesTest)
#include "qt_services_test.moc"
