#pragma once
// A binder keeps one core control and its Qt widget in step: the control's changes come out
// through its observer (applied with the widget's signals blocked, so they do not come back as
// user input), and the user's input goes into the control through forms::dispatch.
//
// A binder must not outlive its control.
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "core/forms/control.h"
#include "core/forms/services.h"

namespace ijken::gui {

// Runs `prepare` once, just before the next action a user takes on a control or a menu item
// reaches its form (an empty function drops what was waiting): what the program makes after the
// main window is first shown is there before anything the user does needs it.
void before_next_user_action(std::function<void()> prepare);
// Runs what before_next_user_action left waiting, if anything. The binders call it.
void prepare_user_action();

class ControlBinder {
  public:
    virtual ~ControlBinder();
    ControlBinder(const ControlBinder&) = delete;
    ControlBinder& operator=(const ControlBinder&) = delete;

    forms::Control& control() const { return control_; }
    // The widget placed at the control's geometry.
    virtual QWidget* widget() const = 0;
    // Where the controls that stand in this one go (null: none can).
    virtual QWidget* container() const { return nullptr; }
    // The widgets that take the keyboard focus, in tab order.
    virtual std::vector<QWidget*> focus_chain() const { return {}; }

    // Brings the widgets in line with the control.
    void refresh();

  protected:
    ControlBinder(forms::Control& control, forms::Dialogs& dialogs);

    // The derived constructor calls this once its widgets exist: shows the control's state and
    // starts following it.
    void start();

    // The kind's own properties; geometry, visibility, enabled, hint and font are done already.
    virtual void refresh_kind() = 0;

    // Places a widget at the control's geometry and applies the common properties to it.
    void apply_common(QWidget* w);
    // The control's font (height, bold, family) on a widget; the default inherits the parent's.
    static void apply_font(QWidget* w, const forms::Control& c);

    // Runs a user event through the event dispatch, then brings the widget back in line with the
    // control (the handler may have refused or altered the input).
    void run(const std::function<void()>& handler);

    forms::Dialogs& dialogs() const { return dialogs_; }

  private:
    forms::Control& control_;
    forms::Dialogs& dialogs_;
    int observer_ = 0;
    int applied_colour_ = forms::colour_none;
};

// A binder for any placed control (not menu items), its widget a child of parent.
std::unique_ptr<ControlBinder> make_binder(forms::Control& control, QWidget* parent, forms::Dialogs& dialogs);

}  // namespace ijken::gui
