#pragma once
#include <QPushButton>

#include "core/forms/button.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// Button -> QPushButton, its hint as tooltip; a click runs Button::click.
class ButtonBinder : public ControlBinder {
  public:
    ButtonBinder(forms::Button& button, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return push_; }
    std::vector<QWidget*> focus_chain() const override { return {push_}; }

  protected:
    void refresh_kind() override;

  private:
    forms::Button& button_;
    QPushButton* push_;
};

}  // namespace ijken::gui
