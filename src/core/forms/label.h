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

    // The control the label names (an edit without a label of its own): the label's caption is
    // that control's name for screen readers, and its mnemonic moves the focus there.
    Control* focus_control() const { return focus_control_; }
    void set_focus_control(Control* control) { assign(focus_control_, control); }

  private:
    bool auto_size_ = false;
    Control* focus_control_ = nullptr;
};

}  // namespace ijken::forms
