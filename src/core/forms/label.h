#pragma once
#include "core/forms/control.h"

namespace ijken::forms {

// A line of static text: its caption, aligned within its designed width.
class Label : public Control {
public:
    static constexpr ControlKind static_kind = ControlKind::label;

    Label(std::string name, Control* parent, Rect geometry, std::string caption = {});

    // A label that sizes itself to its text. The core cannot measure text; the window measures it
    // and reports the size back through set_geometry.
    bool auto_size() const { return auto_size_; }
    void set_auto_size(bool value) { assign(auto_size_, value); }

private:
    bool auto_size_ = false;
};

}  // namespace ijken::forms
