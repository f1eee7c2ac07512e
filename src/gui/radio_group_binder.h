#pragma once
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <vector>

#include "core/forms/radio_group.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// RadioGroup -> QGroupBox holding one QRadioButton per item, arranged in the group's columns
// over the space below the caption.
class RadioGroupBinder : public ControlBinder {
  public:
    RadioGroupBinder(forms::RadioGroup& group, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return box_; }
    std::vector<QWidget*> focus_chain() const override;
    const std::vector<QRadioButton*>& buttons() const { return buttons_; }

  protected:
    void refresh_kind() override;

  private:
    void rebuild_buttons();
    void arrange_buttons();

    forms::RadioGroup& group_;
    QGroupBox* box_;
    QButtonGroup* button_group_;
    std::vector<QRadioButton*> buttons_;
};

}  // namespace ijken::gui
