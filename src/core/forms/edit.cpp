#include "core/forms/edit.h"

namespace ijken::forms {

Edit::Edit(std::string name, Control* parent, Rect geometry, std::string text)
    : Control(static_kind, std::move(name), parent, geometry), text_(std::move(text)) {}

Edit::Edit(ControlKind kind, std::string name, Control* parent, Rect geometry)
    : Control(kind, std::move(name), parent, geometry) {}

void Edit::set_text(std::string text) {
    std::string held = normalise(std::move(text));
    if (held == text_) return;
    text_ = std::move(held);
    notify();
    // A copy, so that a handler replacing on_change does not destroy itself while it runs.
    if (auto handler = on_change) handler();
}

void Edit::set_max_length(int length) {
    assign(max_length_, length < 0 ? 0 : length);
}

}  // namespace ijken::forms
