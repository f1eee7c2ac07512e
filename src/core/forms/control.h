#pragma once
// The base of every control of a headless form. A control holds its own state (caption, hint,
// visibility, geometry...) and tells its observers after every change, so that a window showing
// it can follow. Setting a property to the value it already holds changes nothing and tells
// nobody.
//
// Text is Windows-1252 bytes throughout.
#include <functional>
#include <string>
#include <string_view>

#include "core/forms/geometry.h"
#include "core/forms/observers.h"

namespace ijken::forms {

class Form;

enum class ControlKind {
    label,
    edit,
    mask_edit,
    labeled_edit,
    panel,
    group_box,
    radio_group,
    button,
    slider,
    up_down,
    menu_item,
    drawing,
    // Kinds of the windows still being built; each gets its class here and its binder in the GUI.
    string_grid,
    memo,
    report_preview,
    animation,
};

// "label", "edit", ... for messages.
std::string_view kind_name(ControlKind kind);

enum class Alignment { left, right, center };

class Control {
  public:
    using Observer = std::function<void(Control&)>;

    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return kind_; }
    // The designed name; run-time menu items may have none. Unique within a form, ignoring case.
    const std::string& name() const { return name_; }
    // The control this one stands in; null for a control placed directly on the form.
    Control* parent() const { return parent_; }
    // The form that owns the control; null until Form::add has registered it.
    Form* form() const { return form_; }

    const Rect& geometry() const { return geometry_; }
    void set_geometry(const Rect& r);

    // Caption: the text of a label, button, group box, radio group, menu item, and the attached
    // label of a labelled edit. Edits keep their text apart (Edit::text).
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);

    // The hint shown when the pointer rests on the control.
    const std::string& hint() const { return hint_; }
    void set_hint(std::string hint);

    // The name a screen reader gives the control where the design gives it none of its own (a
    // reading field, a result cell); empty to take the one the design gives (forms::spoken_name).
    const std::string& accessible_name() const { return accessible_name_; }
    void set_accessible_name(std::string name);

    bool visible() const { return visible_; }
    void set_visible(bool visible);

    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled);

    // True when this control and every parent are visible (resp. enabled): only then can the user
    // reach it.
    bool showing() const;
    bool usable() const;

    // Font height in pixels, negative as designed (-11 means characters 11 pixels high); 0 takes
    // the default (-11).
    int font_height() const { return font_height_; }
    void set_font_height(int height);
    // Font family; empty for the default sans serif.
    const std::string& font_name() const { return font_name_; }
    void set_font_name(std::string name);
    bool bold() const { return bold_; }
    void set_bold(bool bold);

    Alignment alignment() const { return alignment_; }
    void set_alignment(Alignment alignment);

    // Background colour (0x00BBGGRR); colour_none keeps the parent's background.
    int colour() const { return colour_; }
    void set_colour(int colour);

    // Observers are called after every change of the control's state, in registration order.
    int add_observer(Observer observer) { return observers_.add(std::move(observer)); }
    void remove_observer(int id) { observers_.remove(id); }

  protected:
    Control(ControlKind kind, std::string name, Control* parent, Rect geometry);

    // Tells the observers that something changed.
    void notify() { observers_.notify(*this); }

    // A click: runs a copy of the handler when the control can be reached (visible and enabled with
    // its parents). The handler may close or rebuild the window and destroy this control, so
    // nothing of it is touched afterwards. Returns whether the handler ran.
    bool run_click(const std::function<void()>& handler) const {
        if (!showing() || !usable() || !handler) return false;
        auto copy = handler;
        copy();
        return true;
    }

    // Stores value into field and notifies, when they differ. Returns whether it changed.
    template <class T>
    bool assign(T& field, T value) {
        if (field == value) return false;
        field = std::move(value);
        notify();
        return true;
    }

  private:
    friend class Form;

    ControlKind kind_;
    std::string name_;
    Control* parent_;
    Form* form_ = nullptr;
    Rect geometry_;
    std::string caption_;
    std::string hint_;
    std::string accessible_name_;
    bool visible_ = true;
    bool enabled_ = true;
    int font_height_ = 0;
    std::string font_name_;
    bool bold_ = false;
    Alignment alignment_ = Alignment::left;
    int colour_ = colour_none;
    ObserverList<Control> observers_;
};

}  // namespace ijken::forms
