#pragma once
#include <QToolButton>
#include <QWidget>

#include "core/forms/up_down.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// UpDown -> a narrow column of two arrow buttons (up above down) filling the designed size;
// holding a button repeats.
class UpDownBinder : public ControlBinder {
  public:
    UpDownBinder(forms::UpDown& up_down, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return box_; }
    QToolButton* up_button() const { return up_; }
    QToolButton* down_button() const { return down_; }

  protected:
    void refresh_kind() override;

  private:
    forms::UpDown& up_down_;
    QWidget* box_;
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace ijken::gui
