#include "core/forms/button.h"

namespace ijken::forms {

Button::Button(std::string name, Control* parent, Rect geometry, std::string caption)
    : Control(static_kind, std::move(name), parent, geometry) {
    set_caption(std::move(caption));
}

bool Button::click() {
    return run_click(on_click);
}

}  // namespace ijken::forms
