#pragma once
#include "core/forms/control.h"

namespace ijken::forms {

// A rectangular container. Controls whose parent it is stand in it and disappear with it.
class Panel : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::panel;

    Panel(std::string name, Control* parent, Rect geometry);

    // Without the raised frame.
    bool borderless() const { return borderless_; }
    void set_borderless(bool value) { assign(borderless_, value); }

  private:
    bool borderless_ = false;
};

}  // namespace ijken::forms
