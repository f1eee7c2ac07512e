#include "core/forms/group_box.h"

namespace ijken::forms {

GroupBox::GroupBox(std::string name, Control* parent, Rect geometry, std::string caption)
    : Control(static_kind, std::move(name), parent, geometry) {
    set_caption(std::move(caption));
}

}  // namespace ijken::forms
