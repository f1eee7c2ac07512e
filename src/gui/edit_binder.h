#pragma once
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <string>

#include "core/forms/edit.h"
#include "core/forms/edit_mask.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// Edit -> QLineEdit; a masked edit gets the equivalent input mask, a labelled edit a QLabel on
// its left. Typed text goes into the core edit as Windows-1252; an input holding a character that
// Windows-1252 cannot hold is refused whole (the field keeps the core's text) and an error box,
// shown right after the key event, names the character.
class EditBinder : public ControlBinder {
  public:
    EditBinder(forms::Edit& edit, QWidget* parent, forms::Dialogs& dialogs);

    QWidget* widget() const override { return line_; }
    std::vector<QWidget*> focus_chain() const override { return {line_}; }
    QLineEdit* line_edit() const { return line_; }
    // The attached label of a labelled edit, else null.
    QLabel* label() const { return label_; }

  protected:
    void refresh_kind() override;

  private:
    void user_edited();
    // The field's text as the core holds it: with a mask, unfilled positions show the blank.
    QString shown_text() const;
    void show_text(const QString& text);

    forms::Edit& edit_;
    QLineEdit* line_;
    QLabel* label_ = nullptr;
    bool masked_ = false;
};

// The input mask in Qt's notation for a designed mask ("!0.000;1;_" gives "9\.999;_"); empty for
// an empty mask.
QString qt_input_mask(const forms::EditMask& mask);

}  // namespace ijken::gui
