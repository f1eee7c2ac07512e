#pragma once
#include <functional>
#include <vector>

#include "core/forms/control.h"

namespace ijken::forms {

// An item of the form's menu bar or of a submenu. An item with children is a submenu; a caption
// of "-" makes a separator. "&" in a caption marks the keyboard accelerator.
//
// Items belong to the form like every control (Form::add with a menu item as parent); add_item
// and clear build submenus at run time. Changing the children tells the parent item's observers.
class MenuItem : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::menu_item;

    MenuItem(std::string name, Control* parent, std::string caption = {});

    bool checked() const { return checked_; }
    void set_checked(bool value) { assign(checked_, value); }

    // A number for the program's own use (for instance a record id); not shown.
    int tag() const { return tag_; }
    void set_tag(int value) { assign(tag_, value); }

    // The key combination as text, "Ctrl+Q"; empty for none.
    const std::string& shortcut() const { return shortcut_; }
    void set_shortcut(std::string value) { assign(shortcut_, std::move(value)); }

    bool is_separator() const { return caption() == "-"; }

    // The child items in order. Needs the item to belong to a form (else empty).
    std::vector<MenuItem*> items() const;
    // Adds a child item at the end (the item must belong to a form).
    MenuItem& add_item(std::string name, std::string caption);
    // Removes and destroys every child item and their children. Safe to call from the click
    // handler of one of those children.
    void clear();

    // A click as the user makes it: runs on_click only when the item can be reached (it and its
    // parents visible and enabled). Returns whether on_click ran. on_click may destroy the item.
    bool click();

    std::function<void()> on_click;

  private:
    friend class Form;
    void children_changed() { notify(); }

    bool checked_ = false;
    int tag_ = 0;
    std::string shortcut_;
};

}  // namespace ijken::forms
