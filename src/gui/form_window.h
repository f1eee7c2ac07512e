#pragma once
// The window of a core form: builds a widget for every control (in design order, parents first),
// the menu bar from the form's menu, and follows the form's caption, geometry and visibility.
// Closing the window closes the form through the event dispatch.
//
// The window must not outlive its form.
#include <QMainWindow>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "core/forms/edit.h"
#include "core/forms/form.h"
#include "core/forms/services.h"
#include "core/forms/up_down.h"
#include "gui/control_binder.h"
#include "gui/menu_binder.h"

namespace ijken::gui {

class FormWindow : public QMainWindow {
    Q_OBJECT

  public:
    // What the window adds to the designed outer size for its own frame: the controls stand in a
    // client area this much smaller (the menu bar takes its height from the client area).
    static constexpr int frame_width = 8;
    static constexpr int frame_height = 34;

    FormWindow(forms::Form& form, forms::Dialogs& dialogs, QWidget* parent = nullptr);
    ~FormWindow() override;

    forms::Form& form() const { return form_; }

    // The widget of a control (for a labelled edit, the line edit), null when it has none.
    QWidget* widget_for(const forms::Control& control) const;
    QWidget* widget_for(std::string_view control_name) const;
    // The binder of a control, null when it has none.
    ControlBinder* binder_for(const forms::Control& control) const;
    // The action of a menu item.
    QAction* action_for(const forms::MenuItem& item) const { return menu_->action_for(item); }
    // The submenu of a menu item with children (replaced when its children change), else null.
    QMenu* menu_for(const forms::MenuItem& item) const { return menu_->menu_for(item); }
    // The widget the controls stand on.
    QWidget* client() const { return client_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Escape presses the form's cancel button, where it has one.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void follow_form();
    void link_up_downs();
    void link_labels();

    forms::Form& form_;
    forms::Dialogs& dialogs_;
    QWidget* client_;
    std::vector<std::unique_ptr<ControlBinder>> binders_;
    std::map<const forms::Control*, ControlBinder*> by_control_;
    std::map<QObject*, forms::UpDown*> up_down_keys_;
    std::unique_ptr<MenuBinder> menu_;
    int form_observer_ = 0;
    // The labels that name another control, each with its observer (link_labels).
    std::vector<std::pair<forms::Control*, int>> label_observers_;
};

}  // namespace ijken::gui
