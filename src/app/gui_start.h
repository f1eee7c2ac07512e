#pragma once
// Starting the program with its main window.
#include <functional>
#include <memory>
#include <string>

#include "core/forms/dispatch.h"
#include "core/forms/services.h"
#include "core/survey/form1.h"
#include "gui/form_window.h"

namespace ijken::app {

// Builds the main window as the program starts it: formcreate runs first (an error there is shown
// and the rest of it skipped, the window still comes up with the state reached), then the window
// is made and shown, which runs formshow. "Einde" and closing the window both call quit.
//
// Kept inline so that the window tests start the main window through the very same steps.
inline std::unique_ptr<gui::FormWindow> start_main_window(survey::Form1& form, forms::Dialogs& dialogs,
                                                          std::function<void()> quit) {
    form.on_quit = quit;
    form.on_close = quit;
    forms::dispatch(dialogs, [&] { form.formcreate(); });
    // The ship-particulars, gauge-table, report, about and language-editor windows are created
    // here, none shown, once they exist.
    auto window = std::make_unique<gui::FormWindow>(form, dialogs);
    forms::dispatch(dialogs, [&] { form.show(); });
    return window;
}

// The event loop with the main window on the database in program_dir ("ijken.db"). Returns the
// program's exit code.
int run_gui(int argc, char** argv, const std::string& program_dir);

}  // namespace ijken::app
