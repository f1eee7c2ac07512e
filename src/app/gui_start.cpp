#include "app/gui_start.h"

#include <QApplication>

#include "gui/qt_dialogs.h"

namespace ijken::app {

int run_gui(int argc, char** argv, const std::string& program_dir) {
    QApplication app(argc, argv);
    // The window hides itself when the form closes; the program ends through quit, not through the
    // last window going away.
    QApplication::setQuitOnLastWindowClosed(false);
    gui::QtDialogs dialogs;
    survey::Form1 form(program_dir, dialogs);
    auto window = start_main_window(form, dialogs, [] { QCoreApplication::exit(0); });
    dialogs.set_parent(window.get());
    return QApplication::exec();
}

}  // namespace ijken::app
