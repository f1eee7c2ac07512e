#pragma once
#include <QPlainTextEdit>
#include <string>

#include "core/forms/memo.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// Memo -> QPlainTextEdit. The core holds the lines separated by CR LF, the widget by "\n". Typed
// text goes into the core memo as Windows-1252; an input holding a character that Windows-1252
// cannot hold is undone (the memo keeps the core's text) and an error box, shown right after the
// key event, names the character.
class MemoBinder : public ControlBinder {
  public:
    MemoBinder(forms::Memo& memo, QWidget* parent, forms::Dialogs& dialogs);

    QWidget* widget() const override { return edit_; }
    std::vector<QWidget*> focus_chain() const override { return {edit_}; }
    QPlainTextEdit* text_edit() const { return edit_; }

    // The widget's text as the core holds it (CR LF line breaks); throws text::EncodingError.
    static std::string core_text(const QPlainTextEdit& edit);

  protected:
    void refresh_kind() override;

  private:
    void user_edited();
    void show_core_text();

    forms::Memo& memo_;
    QPlainTextEdit* edit_;
    // The core text the widget shows; the widget is set again only when the core's differs, so
    // that typing keeps the caret and the scroll position.
    std::string shown_;
    // The widget holds input the core has not (yet) taken.
    bool pending_ = false;
};

}  // namespace ijken::gui
