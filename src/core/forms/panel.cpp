#include "core/forms/panel.h"

namespace ijken::forms {

Panel::Panel(std::string name, Control* parent, Rect geometry)
    : Control(static_kind, std::move(name), parent, geometry) {}

}  // namespace ijken::forms
