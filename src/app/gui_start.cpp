#include "app/gui_start.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <future>
#include <optional>
#include <utility>
#include <iostream>
#include <vector>

#include "app/command_line.h"

#include "app/office_menu.h"
#include "app/restore_offer.h"
#include "core/data/database_schema.h"
#include "gui/control_binder.h"
#include "gui/deferred_icons.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_file_dialogs.h"
#include "gui/qt_printing.h"
#include "gui/qt_pictures.h"
#include "gui/qt_shell.h"
#include "gui/qt_timers.h"
#include "gui/window_icon.h"

namespace ijken::app {

namespace {

// What the toolkit says while it connects to the display, held back until it is known whether it
// could: a display that does not answer ends the toolkit with a fatal message (and an abort), where
// the program gives the same one line as without a display, and status 1.
struct HeldMessage {
    QtMsgType type;
    QString category;
    QString text;
};
std::vector<HeldMessage>* held_messages = nullptr;
QtMessageHandler toolkit_handler = nullptr;

void hold_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::cerr << no_display_message() << std::flush;
        std::_Exit(1);
    }
    if (held_messages != nullptr) held_messages->push_back({type, QString::fromUtf8(context.category), text});
}

// The application, or the program's own message and exit when it cannot reach the display.
class ConnectedApplication {
  public:
    ConnectedApplication(int& argc, char** argv) {
        std::vector<HeldMessage> held;
        held_messages = &held;
        toolkit_handler = qInstallMessageHandler(hold_message);
        app_.emplace(argc, argv);
        qInstallMessageHandler(toolkit_handler);
        held_messages = nullptr;
        for (const HeldMessage& m : held) {
            const QByteArray category = m.category.toUtf8();
            const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
            if (toolkit_handler != nullptr) toolkit_handler(m.type, context, m.text);
            else std::cerr << m.text.toStdString() << "\n";
        }
    }

  private:
    std::optional<QApplication> app_;
};

// Runs `then` once, in the event loop: a moment after the window was first exposed (put on the
// screen), so that the screen's first sight of the window does not wait for it; or after a while
// should the platform never say so; or at once, before a user's first action on a control or a
// menu item reaches the program, should that come first.
class AfterFirstExpose : public QObject {
  public:
    AfterFirstExpose(QWindow* window, std::function<void()> then) : then_(std::move(then)) {
        if (window != nullptr) window->installEventFilter(this);
        QTimer::singleShot(kWithoutExpose, this, [this] { run(); });
        gui::before_next_user_action([this] { run(); });
    }
    ~AfterFirstExpose() override { gui::before_next_user_action(nullptr); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(kAfterExpose, this, [this] { run(); });
        }
        return false;
    }

  private:
    static constexpr int kAfterExpose = 200;     // ms
    static constexpr int kWithoutExpose = 1000;  // ms

    void run() {
        gui::before_next_user_action(nullptr);
        if (auto then = std::exchange(then_, nullptr)) then();
    }
    std::function<void()> then_;
};

}  // namespace

int run_gui(int argc, char** argv, const std::string& data_dir) {
    // The database is read on another thread while the toolkit connects to the display; a barge
    // computer without its database, where an office is configured, is first offered it back from
    // the office.
    const std::string db_pad = data::database_path(data_dir);
    const bool offer = restore_offered(db_pad);
    std::future<survey::OpeningRead> read_ahead;
    if (!offer) read_ahead = survey::read_opening_ahead(db_pad);
    ConnectedApplication app(argc, argv);
    // The program's name and icon as the desktop shows them (its desktop entry is ijken.desktop).
    QGuiApplication::setDesktopFileName("ijken");
    QApplication::setWindowIcon(gui::window_icon());
    QApplication::setStyle(new gui::DeferredIconsStyle);
    // The window hides itself when the form closes; the program ends through quit, not through the
    // last window going away.
    QApplication::setQuitOnLastWindowClosed(false);
    gui::QtDialogs boxes;
    if (offer) {
        offer_restore(db_pad, boxes);
        read_ahead = survey::read_opening_ahead(db_pad);
    }
    gui::QtFileDialogs files;
    gui::QtShell shell;
    gui::QtPrinting printing;
    gui::QtPictures pictures;
    survey::Form1 form(data_dir, boxes);
    // Every box the program shows, its errors included, in the interface language.
    forms::Dialogs& dialogs = form.dialogs();
    gui::QtTimers timers(dialogs);
    form.read_ahead(std::move(read_ahead));
    form.services.files = &files;
    form.services.shell = &shell;
    form.services.timers = &timers;
    form.services.printing = &printing;
    form.services.pictures = &pictures;
    auto office = office_actions(form, dialogs);
    form.set_office_actions(std::move(office.push), std::move(office.connection));
    // The other windows (and their translation) are made once the main window is on the screen,
    // before anything the user does there reaches the program.
    auto windows = start_main_window(form, dialogs, [] { QCoreApplication::exit(0); }, true);
    AfterFirstExpose others(windows->main->windowHandle(), [&] { windows->add_other_windows(form, dialogs); });
    boxes.set_parent(windows->main.get());
    files.set_parent(windows->main.get());
    printing.set_parent(windows->main.get());
    return QApplication::exec();
}

}  // namespace ijken::app
