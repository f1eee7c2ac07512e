#include "gui/qt_modal_display.h"

#include <stdexcept>

namespace ijken::gui {

void QtModalDisplay::show_modal(forms::Form& form, std::function<void()> when_closed) {
    for (FormWindow* window : windows_) {
        if (&window->form() == &form) {
            // The window follows the form: it turns modal and shows itself.
            form.show_modal(std::move(when_closed));
            return;
        }
    }
    throw std::logic_error("Form \"" + form.name() + "\" has no window to be shown in");
}

}  // namespace ijken::gui
