#pragma once
#include <QFrame>

#include "core/forms/panel.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// Panel -> QFrame, raised unless borderless; its controls are its child widgets.
class PanelBinder : public ControlBinder {
  public:
    PanelBinder(forms::Panel& panel, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return frame_; }
    QWidget* container() const override { return frame_; }

  protected:
    void refresh_kind() override;

  private:
    forms::Panel& panel_;
    QFrame* frame_;
};

}  // namespace ijken::gui
