#pragma once
#include <vector>

#include "core/forms/services.h"
#include "gui/form_window.h"

namespace ijken::gui {

// Shows a form modally in its window without blocking: the window becomes application-modal and
// the continuation runs when the form closes (FormWindow's close box closes the form).
class QtModalDisplay : public forms::ModalDisplay {
  public:
    // The windows of the forms that may be shown modally.
    void add(FormWindow& window) { windows_.push_back(&window); }

    // Throws std::logic_error for a form without a window here.
    void show_modal(forms::Form& form, std::function<void()> when_closed) override;

  private:
    std::vector<FormWindow*> windows_;
};

}  // namespace ijken::gui
