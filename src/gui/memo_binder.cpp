#include "gui/memo_binder.h"

#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>

#include "core/text/cp1252.h"
#include "gui/qt_text.h"

namespace ijken::gui {

namespace {

QString widget_text(const std::string& core) {
    QString text = to_qt(core);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

std::string MemoBinder::core_text(const QPlainTextEdit& edit) {
    // The raw text: toPlainText would turn a no-break space (byte A0 of a language file) into a
    // plain one and so change the file when it is written back.
    QString text = edit.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return forms::Memo::crlf_line_breaks(from_qt(text));
}

MemoBinder::MemoBinder(forms::Memo& memo, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(memo, dialogs), memo_(memo), edit_(new QPlainTextEdit(parent)) {
    edit_->setObjectName(to_qt(memo.name()));
    edit_->setAccessibleName(to_qt(memo.name()));
    QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this] { user_edited(); });
    show_core_text();
    start();
}

void MemoBinder::show_core_text() {
    const QSignalBlocker block(edit_);
    const bool typing = edit_->hasFocus();
    const int caret = edit_->textCursor().position();
    edit_->setPlainText(widget_text(memo_.text()));
    if (typing) {
        QTextCursor cursor = edit_->textCursor();
        cursor.setPosition(std::min(caret, edit_->document()->characterCount() - 1));
        edit_->setTextCursor(cursor);
    }
    shown_ = memo_.text();
    pending_ = false;
}

void MemoBinder::refresh_kind() {
    edit_->setReadOnly(memo_.read_only());
    using S = forms::Memo::ScrollBars;
    const S bars = memo_.scroll_bars();
    edit_->setVerticalScrollBarPolicy(bars == S::vertical || bars == S::both ? Qt::ScrollBarAlwaysOn
                                                                             : Qt::ScrollBarAsNeeded);
    edit_->setHorizontalScrollBarPolicy(bars == S::horizontal || bars == S::both ? Qt::ScrollBarAlwaysOn
                                                                                 : Qt::ScrollBarAsNeeded);
    edit_->setLineWrapMode(memo_.word_wrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    if (pending_ || memo_.text() != shown_) show_core_text();
}

void MemoBinder::user_edited() {
    std::string bytes;
    try {
        bytes = core_text(*edit_);
    } catch (const text::EncodingError& e) {
        // Back to what the core holds; the box comes after the key event, not inside it.
        show_core_text();
        const std::string message = e.what();
        forms::Dialogs* shown = &dialogs();
        QMetaObject::invokeMethod(
            edit_, [shown, message] { shown->error(message); }, Qt::QueuedConnection);
        return;
    }
    // The widget already shows this text: the core's change must not set it again. When the core
    // refuses it, the widget goes back to the core's text.
    shown_ = bytes;
    pending_ = false;
    run([this, &bytes] {
        try {
            memo_.set_text(std::move(bytes));
        } catch (...) {
            pending_ = true;
            throw;
        }
    });
}

}  // namespace ijken::gui
