#pragma once
// A headless window: it owns its controls, named and ordered as designed, and its menu bar.
// A window class of the program derives from Form, adds its controls in its constructor (in tab
// order: the order of addition is the tab order) and implements its handlers as methods.
#include <functional>
#include <memory>
#include <unordered_map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/forms/control.h"
#include "core/forms/menu_item.h"
#include "core/forms/observers.h"

namespace ijken::forms {

// Thrown for a control name that the form does not have, or that names another kind of control,
// and for a control added twice under one name. The message names the form and the control.
class ControlLookupError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

class Form {
  public:
    using Observer = std::function<void(Form&)>;

    // geometry: outer size and position of the window on the screen.
    Form(std::string name, std::string caption, Rect geometry);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }

    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);

    const Rect& geometry() const { return geometry_; }
    void set_geometry(const Rect& r);

    // The window opens centred on the screen instead of at the designed position.
    bool centred() const { return centred_; }
    void set_centred(bool centred);
    // A dialog's frame: fixed size, no buttons in the title bar (the form closes itself).
    bool dialog_frame() const { return dialog_frame_; }
    void set_dialog_frame(bool dialog_frame);

    bool visible() const { return visible_; }
    // Shown modally (by show_modal) and not yet closed.
    bool modal() const { return modal_; }

    // Makes the form visible; when it was hidden, on_show runs (after the observers were told).
    void show();
    // Makes the form invisible; no hook runs.
    void hide();
    // Shows the form modally. when_closed runs once, when the form next closes. Showing a form
    // that is already modal throws std::logic_error.
    void show_modal(std::function<void()> when_closed);
    // Closes the form (the user's close box, or the program): it becomes invisible, on_close runs,
    // then the continuation of a modal showing. Closing a hidden form still runs on_close.
    void close();

    // ---- controls ----

    // Creates a control (constructor arguments as the kind's constructor: name, parent, ...), owned
    // by the form, after those added before. The parent must be null or a control of this form (or
    // the menu bar, for menu items). A non-empty name already used (ignoring case) throws
    // ControlLookupError.
    template <class T, class... A>
    T& add(A&&... args) {
        auto control = std::make_unique<T>(std::forward<A>(args)...);
        T& ref = *control;
        adopt(std::move(control));
        return ref;
    }

    // The control of that name, ignoring case (as the language files match them); null when
    // absent. Menu items included.
    Control* find(std::string_view name) const;

    // The control of that name and kind (derived kinds count: an Edit lookup finds a MaskEdit).
    template <class T>
    T& get(std::string_view name) const {
        Control* c = find(name);
        if (c == nullptr) throw_missing(name);
        T* t = dynamic_cast<T*>(c);
        if (t == nullptr) throw_wrong_kind(*c, kind_name(T::static_kind));
        return *t;
    }

    // Every control the form owns, menu items included, in order of addition.
    std::vector<Control*> controls() const;
    // The controls whose parent is `parent` (null: those placed directly on the form), in order.
    std::vector<Control*> children(const Control* parent) const;

    // The menu bar: its items are the top-level menus. It is not one of controls().
    MenuItem& menu() { return *menu_; }
    const MenuItem& menu() const { return *menu_; }

    // Destroys every descendant of parent (not parent itself), then tells parent's observers when
    // it is a menu item.
    void remove_children(Control& parent);

    // The window layer reports that the form's window became the active window (activate) or
    // stopped being it (deactivate); each runs its hook.
    void activate();
    void deactivate();

    // The size of the area the controls stand in (the window less its frame and menu bar), as
    // the window layer last reported it; 0 x 0 before. A change runs on_resize.
    int client_width() const { return client_width_; }
    int client_height() const { return client_height_; }
    void set_client_size(int width, int height);

    // Hooks: on_show when the form becomes visible, on_close when it is closed, on_activate and
    // on_deactivate when its window gains or loses being the active window.
    std::function<void()> on_show;
    std::function<void()> on_close;
    std::function<void()> on_activate;
    std::function<void()> on_deactivate;
    // Runs when the client area changed its size (set_client_size).
    std::function<void()> on_resize;

    // Told after a change of caption, geometry, visibility or modality, and after controls were
    // added or removed.
    int add_observer(Observer observer) { return observers_.add(std::move(observer)); }
    void remove_observer(int id) { observers_.remove(id); }

  private:
    void adopt(std::unique_ptr<Control> control);
    bool owns(const Control* control) const;
    [[noreturn]] void throw_missing(std::string_view name) const;
    [[noreturn]] void throw_wrong_kind(const Control& c, std::string_view wanted) const;
    void notify() { observers_.notify(*this); }

    std::string name_;
    std::string caption_;
    Rect geometry_;
    bool centred_ = false;
    bool dialog_frame_ = false;
    bool visible_ = false;
    bool modal_ = false;
    int client_width_ = 0;
    int client_height_ = 0;
    std::function<void()> when_closed_;
    std::unique_ptr<MenuItem> menu_;
    std::vector<std::unique_ptr<Control>> controls_;
    // Each parent's children in order of addition (a menu of hundreds of ships is asked for its
    // items often); kept while controls are added, made anew after a removal.
    std::unordered_map<const Control*, std::vector<Control*>> children_;
    bool children_indexed_ = true;
    ObserverList<Form> observers_;
};

}  // namespace ijken::forms
