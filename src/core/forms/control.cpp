#include "core/forms/control.h"

namespace ijken::forms {

std::string_view kind_name(ControlKind kind) {
    switch (kind) {
        case ControlKind::label:
            return "label";
        case ControlKind::edit:
            return "edit";
        case ControlKind::mask_edit:
            return "masked edit";
        case ControlKind::labeled_edit:
            return "labelled edit";
        case ControlKind::panel:
            return "panel";
        case ControlKind::group_box:
            return "group box";
        case ControlKind::radio_group:
            return "radio group";
        case ControlKind::button:
            return "button";
        case ControlKind::slider:
            return "slider";
        case ControlKind::up_down:
            return "up-down";
        case ControlKind::menu_item:
            return "menu item";
        case ControlKind::drawing:
            return "drawing";
        case ControlKind::string_grid:
            return "string grid";
        case ControlKind::memo:
            return "memo";
        case ControlKind::report_preview:
            return "report preview";
        case ControlKind::animation:
            return "animation";
    }
    return "control";
}

Control::Control(ControlKind kind, std::string name, Control* parent, Rect geometry)
    : kind_(kind), name_(std::move(name)), parent_(parent), geometry_(geometry) {}

Control::~Control() = default;

void Control::set_geometry(const Rect& r) {
    assign(geometry_, r);
}
void Control::set_caption(std::string caption) {
    assign(caption_, std::move(caption));
}
void Control::set_hint(std::string hint) {
    assign(hint_, std::move(hint));
}
void Control::set_accessible_name(std::string name) {
    assign(accessible_name_, std::move(name));
}
void Control::set_visible(bool visible) {
    assign(visible_, visible);
}
void Control::set_enabled(bool enabled) {
    assign(enabled_, enabled);
}
void Control::set_font_height(int height) {
    assign(font_height_, height);
}
void Control::set_font_name(std::string name) {
    assign(font_name_, std::move(name));
}
void Control::set_bold(bool bold) {
    assign(bold_, bold);
}
void Control::set_alignment(Alignment alignment) {
    assign(alignment_, alignment);
}
void Control::set_colour(int colour) {
    assign(colour_, colour);
}

bool Control::showing() const {
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        if (!c->visible_) return false;
    }
    return true;
}

bool Control::usable() const {
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        if (!c->enabled_) return false;
    }
    return true;
}

}  // namespace ijken::forms
