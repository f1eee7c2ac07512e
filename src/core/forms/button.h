#pragma once
#include <functional>

#include "core/forms/control.h"

namespace ijken::forms {

// A push button: caption, hint, and a click handler.
class Button : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::button;

    Button(std::string name, Control* parent, Rect geometry, std::string caption = {});

    // A click as the user makes it: runs on_click only when the button can be reached, that is
    // when it and its parents are visible and enabled. Returns whether on_click ran.
    bool click();

    // The window's cancel button: Escape anywhere in the window presses it, as a click would.
    bool cancel() const { return cancel_; }
    void set_cancel(bool value) { assign(cancel_, value); }

    std::function<void()> on_click;

  private:
    bool cancel_ = false;
};

}  // namespace ijken::forms
