#pragma once
#include <QGroupBox>

#include "core/forms/group_box.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// GroupBox -> QGroupBox; its controls are child widgets placed from its top left corner, caption
// row included, as designed.
// A QGroupBox with the designed look: an etched frame whose top line runs through the middle of
// the caption, so that controls designed at y = 16 stand inside the frame.
class DesignedGroupBox : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

class GroupBoxBinder : public ControlBinder {
  public:
    GroupBoxBinder(forms::GroupBox& box, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return box_widget_; }
    QWidget* container() const override { return box_widget_; }

  protected:
    void refresh_kind() override;

  private:
    forms::GroupBox& box_;
    DesignedGroupBox* box_widget_;
};

}  // namespace ijken::gui
