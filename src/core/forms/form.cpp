#include "core/forms/form.h"

#include <algorithm>

namespace ijken::forms {

namespace {

// Component names are matched without regard to (ASCII) case, as the language files match them.
bool same_name(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

Form::Form(std::string name, std::string caption, Rect geometry)
    : name_(std::move(name)),
      caption_(std::move(caption)),
      geometry_(geometry),
      menu_(std::make_unique<MenuItem>("", nullptr)) {
    menu_->form_ = this;
}

Form::~Form() {
    // Children first, so that no control outlives the one it stands in. Whoever asks meanwhile
    // gets the controls still there.
    children_indexed_ = false;
    while (!controls_.empty()) controls_.pop_back();
}

void Form::set_caption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    notify();
}

void Form::set_geometry(const Rect& r) {
    if (r == geometry_) return;
    geometry_ = r;
    notify();
}

void Form::set_centred(bool centred) {
    if (centred == centred_) return;
    centred_ = centred;
    notify();
}

void Form::set_dialog_frame(bool dialog_frame) {
    if (dialog_frame == dialog_frame_) return;
    dialog_frame_ = dialog_frame;
    notify();
}

void Form::show() {
    if (visible_) return;
    visible_ = true;
    notify();
    if (auto handler = on_show) handler();
}

void Form::hide() {
    if (!visible_) return;
    visible_ = false;
    notify();
}

void Form::show_modal(std::function<void()> when_closed) {
    if (modal_) throw std::logic_error("Form \"" + name_ + "\" is already shown modally");
    if (visible_) throw std::logic_error("Form \"" + name_ + "\" is visible and cannot be shown modally");
    modal_ = true;
    when_closed_ = std::move(when_closed);
    show();
}

void Form::activate() {
    if (auto handler = on_activate) handler();
}

void Form::deactivate() {
    if (auto handler = on_deactivate) handler();
}

void Form::set_client_size(int width, int height) {
    if (width == client_width_ && height == client_height_) return;
    client_width_ = width;
    client_height_ = height;
    if (auto handler = on_resize) handler();
}

void Form::close() {
    // A handler that throws keeps the form open, as a refused close.
    if (auto handler = on_close) handler();
    const bool changed = visible_ || modal_;
    visible_ = false;
    modal_ = false;
    if (changed) notify();
    if (when_closed_) {
        auto continuation = std::move(when_closed_);
        when_closed_ = nullptr;
        continuation();
    }
}

void Form::adopt(std::unique_ptr<Control> control) {
    Control* parent = control->parent();
    const bool is_menu_item = control->kind() == ControlKind::menu_item;
    if (control->form_ != nullptr) {
        throw ControlLookupError("Control \"" + control->name() + "\" already belongs to a form");
    }
    if (is_menu_item) {
        if (parent == nullptr || parent->kind() != ControlKind::menu_item ||
            !(parent == menu_.get() || owns(parent))) {
            throw ControlLookupError("Menu item \"" + control->name() + "\" of form \"" + name_ +
                                     "\" must stand in a menu item of the same form");
        }
    } else if (parent != nullptr && (parent->kind() == ControlKind::menu_item || !owns(parent))) {
        throw ControlLookupError("Control \"" + control->name() + "\" of form \"" + name_ +
                                 "\" has a parent that is no control of the form");
    }
    if (!control->name().empty() && find(control->name()) != nullptr) {
        throw ControlLookupError("Form \"" + name_ + "\" already has a control named \"" + control->name() +
                                 "\"");
    }
    control->form_ = this;
    if (children_indexed_) children_[parent].push_back(control.get());
    controls_.push_back(std::move(control));
    if (is_menu_item) static_cast<MenuItem*>(parent)->children_changed();
    notify();
}

bool Form::owns(const Control* control) const {
    // A control belongs to the form that adopted it for as long as it lives.
    return control != nullptr && control != menu_.get() && control->form_ == this;
}

Control* Form::find(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const auto& c : controls_) {
        if (same_name(c->name(), name)) return c.get();
    }
    return nullptr;
}

void Form::throw_missing(std::string_view name) const {
    throw ControlLookupError("Form \"" + name_ + "\" has no control named \"" + std::string(name) + "\"");
}

void Form::throw_wrong_kind(const Control& c, std::string_view wanted) const {
    throw ControlLookupError("Control \"" + c.name() + "\" of form \"" + name_ + "\" is a " +
                             std::string(kind_name(c.kind())) + ", not a " + std::string(wanted));
}

std::vector<Control*> Form::controls() const {
    std::vector<Control*> result;
    result.reserve(controls_.size());
    for (const auto& c : controls_) result.push_back(c.get());
    return result;
}

std::vector<Control*> Form::children(const Control* parent) const {
    if (children_indexed_) {
        const auto it = children_.find(parent);
        return it == children_.end() ? std::vector<Control*>{} : it->second;
    }
    std::vector<Control*> result;
    for (const auto& c : controls_) {
        if (c->parent() == parent) result.push_back(c.get());
    }
    return result;
}

void Form::remove_children(Control& parent) {
    // Mark the descendants: a control is one when its parent is parent or a marked control.
    // Parents are added before their children, so one pass in order finds them all.
    std::vector<const Control*> doomed;
    auto is_doomed = [&](const Control* c) {
        return c == &parent || std::find(doomed.begin(), doomed.end(), c) != doomed.end();
    };
    for (const auto& c : controls_) {
        if (c->parent() != nullptr && is_doomed(c->parent())) doomed.push_back(c.get());
    }
    if (doomed.empty()) return;
    // Take them out first and destroy them afterwards (children before parents), so that the list
    // is consistent whenever a destructor runs.
    std::vector<std::unique_ptr<Control>> removed;
    std::vector<std::unique_ptr<Control>> kept;
    kept.reserve(controls_.size());
    for (auto& c : controls_) {
        if (c.get() != &parent && is_doomed(c.get())) {
            removed.push_back(std::move(c));
        } else {
            kept.push_back(std::move(c));
        }
    }
    controls_ = std::move(kept);
    children_.clear();
    for (const auto& c : controls_) children_[c->parent()].push_back(c.get());
    while (!removed.empty()) removed.pop_back();
    if (parent.kind() == ControlKind::menu_item) static_cast<MenuItem&>(parent).children_changed();
    notify();
}

}  // namespace ijken::forms
