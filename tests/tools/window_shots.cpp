// Every window of the program in one interface language, saved as PNG files: to look at the
// windows in Dutch, French and German, and to compare them before and after a change (run by
// hand, under a virtual display or offscreen):
//
//   cp src/core/lang/tld.tln DIR/    (for German)
//   xvfb-run -a -s "-screen 0 1024x768x24" build-test/tests/window_shots DIR 3 shots/de [wide]
//   compare -metric AE before/nl_main_Form1.png after/nl_main_Form1.png null:
//
// DIR is a program directory (a database is made there when it has none); the language is the
// ship's (1 Dutch, 2 French, 3 German); each file is PREFIX_<menu item>_<window>.png. With "wide",
// the main window's first readings are 9999.9, for the widest figures and the longest warnings.
#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "app/gui_start.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/survey/form1.h"

using namespace ijken;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: window_shots DIR LANGUAGE PREFIX [wide]\n";
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const std::string prefix = argv[3];
    data::create_database_if_missing(dir + "ijken.db");
    data::SQLiteDatabase(dir + "ijken.db").Execute("update Schiptable set taal=" + std::to_string(std::atoi(argv[2])));
    QApplication app(argc, argv);
    forms::ScriptedDialogs dialogs;
    survey::Form1 form(dir, dialogs);
    auto program = app::start_main_window(form, dialogs, [] {});
    if (argc > 4 && std::string(argv[4]) == "wide") {
        for (const char* name : {"ijk_bb_l_1", "ijk_sb_l_1", "ijk_bb_v_1", "ijk_sb_v_1"})
            form.get<forms::Edit>(name).set_text("9999.9");
    }
    auto shoot = [&](const std::string& item) {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        std::vector<gui::FormWindow*> windows{program->main.get()};
        for (auto& w : program->others) windows.push_back(w.get());
        for (gui::FormWindow* w : windows) {
            if (w->isVisible())
                w->grab().save(QString::fromStdString(prefix + "_" + item + "_" + w->objectName().toStdString() + ".png"));
        }
    };
    shoot("main");
    for (const char* item : {"ScheepsGegevens", "Invoer1", "meetbriefwijzigen", "Afdrukken1", "Opnamelijst1",
                             "cTarvik1", "Invoeren1"}) {
        forms::dispatch(dialogs, [&] { form.get<forms::MenuItem>(item).click(); });
        shoot(item);
        for (auto& w : program->others) {
            if (w->isVisible()) forms::dispatch(dialogs, [&] { w->form().close(); });
        }
        if (!form.visible()) forms::dispatch(dialogs, [&] { form.show(); });
    }
    for (const auto& box : dialogs.shown()) std::cerr << "message: " << box.text << "\n";
    return 0;
}
