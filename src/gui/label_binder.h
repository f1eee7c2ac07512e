#pragma once
#include <QLabel>

#include "core/forms/label.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// Label -> QLabel showing the caption as plain text, aligned as designed, at the top.
class LabelBinder : public ControlBinder {
  public:
    LabelBinder(forms::Label& label, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return label_widget_; }

  protected:
    void refresh_kind() override;

  private:
    forms::Label& label_;
    QLabel* label_widget_;
};

// Qt's alignment flags for a designed alignment.
Qt::Alignment qt_alignment(forms::Alignment alignment);

}  // namespace ijken::gui
