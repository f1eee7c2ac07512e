#include "core/forms/button.h"

namespace ijken::forms {

Button::Button(std::string name, Control* parent, Rect geometry, std::string caption)
    : Control(static_kind, std::move(name), parent, geometry) {
    set_caption(std::move(caption));
}

bool Button::click() {
    if (!showing() || !usable()) return false;
    // The handler may close or rebuild the window; run a copy and leave the button alone after it.
    auto handler = on_click;
    if (!handler) return false;
    handler();
    return true;
}

}  // namespace ijken::forms
