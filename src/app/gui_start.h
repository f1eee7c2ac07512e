#pragma once
// Starting the program with its windows.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/program/program_windows.h"
#include "core/forms/dispatch.h"
#include "core/forms/services.h"
#include "core/main_window/form1.h"
#include "gui/form_window.h"
#include "gui/qt_language.h"
#include "gui/qt_modal_display.h"
#include "gui/qt_text_measure.h"

namespace ijken::app {

// The Qt windows of a running program: the main window and one for each of the main form's other
// windows, in start-up order.
struct ProgramWindows {
    std::unique_ptr<gui::FormWindow> main;
    std::vector<std::unique_ptr<gui::FormWindow>> others;
    gui::QtModalDisplay modal;
    gui::QtTextMeasure measure;
    gui::QtLanguage language;

    // The main form's other windows, made, translated into the active language and given their
    // windows here, where start_main_window left them out.
    void add_other_windows(survey::Form1& form, forms::Dialogs& dialogs) {
        forms::dispatch(dialogs, [&] {
            program::create_windows(form);
            form.translate_other_windows();
        });
        add_windows_of_others(form, dialogs);
    }
    void add_windows_of_others(const survey::Form1& form, forms::Dialogs& dialogs) {
        for (const auto& other : form.windows()) {
            others.push_back(std::make_unique<gui::FormWindow>(*other.form, dialogs));
            modal.add(*others.back());
        }
    }

    // The window of a form, null when it has none here.
    gui::FormWindow* window_of(const forms::Form& form) const {
        if (main && &main->form() == &form) return main.get();
        for (const auto& w : others) {
            if (&w->form() == &form) return w.get();
        }
        return nullptr;
    }
};

// Starts the program as the user meets it: formcreate runs first (an error there is shown and the
// rest of it skipped; start-up goes on with the state reached), then the other windows are created
// in start-up order, none shown, then the main window is shown, which runs formshow. "Einde" and
// closing the main window both call quit.
//
// form.services must hold the dialogs; the modal display is this one's. Kept inline so that the
// window tests start the program through the very same steps. With others_later, the other
// windows are left out, for the caller to add (add_other_windows) once the main window is on the
// screen: showing it needs none of them.
inline std::unique_ptr<ProgramWindows> start_main_window(survey::Form1& form, forms::Dialogs& dialogs,
                                                         std::function<void()> quit, bool others_later = false) {
    auto windows = std::make_unique<ProgramWindows>();
    form.set_quit(quit);
    form.on_close = quit;
    form.services.modal = &windows->modal;
    form.services.measure = &windows->measure;
    form.services.language = &windows->language;
    forms::dispatch(dialogs, [&] { form.formcreate(); });
    if (!others_later) forms::dispatch(dialogs, [&] { program::create_windows(form); });
    windows->main = std::make_unique<gui::FormWindow>(form, dialogs);
    if (!others_later) windows->add_windows_of_others(form, dialogs);
    forms::dispatch(dialogs, [&] { form.show(); });
    return windows;
}

// The event loop with the main window on the database in data_dir ("ijken.db"; the program's
// directory, or the user's data directory, see data_directory). Returns the program's exit code.
int run_gui(int argc, char** argv, const std::string& data_dir);

}  // namespace ijken::app
