#include "core/forms/menu_item.h"

#include <stdexcept>

#include "core/forms/form.h"

namespace ijken::forms {

MenuItem::MenuItem(std::string name, Control* parent, std::string caption)
    : Control(static_kind, std::move(name), parent, Rect{}) {
    set_caption(std::move(caption));
}

std::vector<MenuItem*> MenuItem::items() const {
    std::vector<MenuItem*> result;
    if (form() == nullptr) return result;
    for (Control* c : form()->children(this)) result.push_back(static_cast<MenuItem*>(c));
    return result;
}

MenuItem& MenuItem::add_item(std::string name, std::string caption) {
    if (form() == nullptr) {
        throw std::logic_error("Menu item \"" + this->name() + "\" belongs to no form; cannot add \"" + name +
                               "\"");
    }
    return form()->add<MenuItem>(std::move(name), this, std::move(caption));
}

void MenuItem::clear() {
    if (form() != nullptr) form()->remove_children(*this);
}

bool MenuItem::click() {
    return run_click(on_click);
}

}  // namespace ijken::forms
