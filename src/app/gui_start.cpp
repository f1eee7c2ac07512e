#include "app/gui_start.h"

#include <QApplication>
#include <QIcon>

#include "app/office_menu.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_file_dialogs.h"
#include "gui/qt_printing.h"
#include "gui/qt_pictures.h"
#include "gui/qt_shell.h"
#include "gui/qt_timers.h"

namespace ijken::app {

int run_gui(int argc, char** argv, const std::string& data_dir) {
    QApplication app(argc, argv);
    // The program's name and icon as the desktop shows them (its desktop entry is ijken.desktop).
    QGuiApplication::setDesktopFileName("ijken");
    QApplication::setWindowIcon(QIcon(":/icons/ijken.svg"));
    // The window hides itself when the form closes; the program ends through quit, not through the
    // last window going away.
    QApplication::setQuitOnLastWindowClosed(false);
    gui::QtDialogs dialogs;
    gui::QtFileDialogs files;
    gui::QtShell shell;
    gui::QtTimers timers(dialogs);
    gui::QtPrinting printing;
    gui::QtPictures pictures;
    survey::Form1 form(data_dir, dialogs);
    form.services.files = &files;
    form.services.shell = &shell;
    form.services.timers = &timers;
    form.services.printing = &printing;
    form.services.pictures = &pictures;
    add_office_menu(form, dialogs);
    auto windows = start_main_window(form, dialogs, [] { QCoreApplication::exit(0); });
    dialogs.set_parent(windows->main.get());
    files.set_parent(windows->main.get());
    printing.set_parent(windows->main.get());
    return QApplication::exec();
}

}  // namespace ijken::app
