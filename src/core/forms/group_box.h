#pragma once
#include "core/forms/control.h"

namespace ijken::forms {

// A framed container with its caption on the frame (an empty caption shows a plain frame).
class GroupBox : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::group_box;

    GroupBox(std::string name, Control* parent, Rect geometry, std::string caption = {});
};

}  // namespace ijken::forms
