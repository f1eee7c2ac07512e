#pragma once
#include "core/forms/control.h"

namespace ijken::forms {

// A line of static text: its caption, aligned within its designed width.
class Label : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::label;

    Label(std::string name, Control* parent, Rect geometry, std::string caption = {});

    // A label that sizes itself to its text: the window gives it the width its text needs (the
    // geometry held here keeps the designed width; the core does not measure text).
    bool auto_size() const { return auto_size_; }
    void set_auto_size(bool value) { assign(auto_size_, value); }

  private:
    bool auto_size_ = false;
};

}  // namespace ijken::forms
