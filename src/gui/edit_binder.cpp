#include "gui/edit_binder.h"

#include <QSignalBlocker>
#include <QValidator>

#include "core/forms/labeled_edit.h"
#include "core/forms/mask_edit.h"
#include "core/text/cp1252.h"
#include "gui/caption_fit.h"
#include "gui/label_binder.h"
#include "gui/qt_text.h"

namespace ijken::gui {

QString qt_input_mask(const forms::EditMask& mask) {
    using S = forms::EditMask::Slot;
    if (mask.empty()) return {};
    static const QString qt_meta = QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{};");
    QString result;
    for (const forms::EditMask::Position& p : mask.positions()) {
        switch (p.slot) {
            case S::literal: {
                const QString c = to_qt(std::string(1, p.literal));
                if (qt_meta.contains(c)) result += '\\';
                result += c;
                break;
            }
            case S::digit:
                result += '9';
                break;
            case S::digit_optional:
                result += '0';
                break;
            case S::digit_or_sign:
                result += '#';
                break;
            case S::letter:
                result += 'A';
                break;
            case S::letter_optional:
                result += 'a';
                break;
            case S::alnum:
                result += 'N';
                break;
            case S::alnum_optional:
                result += 'n';
                break;
            case S::any:
                result += 'X';
                break;
            case S::any_optional:
                result += 'x';
                break;
        }
    }
    result += ';';
    result += to_qt(std::string(1, mask.blank()));
    return result;
}

namespace {

// Refuses any input holding a character that Windows-1252 cannot, so the field never shows it;
// refuse gets the message naming the character.
class Cp1252Validator : public QValidator {
  public:
    Cp1252Validator(std::function<void(const std::string&)> refuse, QObject* parent)
        : QValidator(parent), refuse_(std::move(refuse)) {}

    State validate(QString& input, int&) const override {
        for (const char32_t code_point : input.toUcs4()) {
            if (!text::unicode_to_cp1252(code_point)) {
                refuse_(text::describe_unencodable(code_point));
                return Invalid;
            }
        }
        return Acceptable;
    }

  private:
    std::function<void(const std::string&)> refuse_;
};

}  // namespace

EditBinder::EditBinder(forms::Edit& edit, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(edit, dialogs), edit_(edit), line_(new QLineEdit(parent)) {
    line_->setObjectName(to_qt(edit.name()));
    line_->setFrame(true);
    if (edit.kind() == forms::ControlKind::labeled_edit) {
        label_ = new QLabel(parent);
        label_->setObjectName(to_qt(edit.name()) + "_label");
        label_->setTextFormat(Qt::PlainText);
        label_->setBuddy(line_);
    }
    if (edit.kind() == forms::ControlKind::mask_edit) {
        masked_ = true;
        line_->setInputMask(qt_input_mask(static_cast<forms::MaskEdit&>(edit).mask()));
    }
    // The message box comes after the key event that was refused, not inside it.
    line_->setValidator(new Cp1252Validator(
        [line = line_, shown = &dialogs](const std::string& message) {
            QMetaObject::invokeMethod(
                line, [shown, message] { shown->error_utf8(message); }, Qt::QueuedConnection);
        },
        line_));
    // Every change the program makes is applied with the signals blocked, so a change that comes
    // through is the user's: typed, or set through the accessibility interface, which does not
    // count as editing but must run the change handling all the same.
    QObject::connect(line_, &QLineEdit::textChanged, line_, [this](const QString&) { user_edited(); });
    start();
}

QString EditBinder::shown_text() const {
    return masked_ ? line_->displayText() : line_->text();
}

void EditBinder::show_text(const QString& text) {
    if (shown_text() == text) return;
    const QSignalBlocker block(line_);
    const int cursor = line_->cursorPosition();
    const int growth = static_cast<int>(shown_text().size() - text.size());
    const bool typing = line_->hasFocus();
    line_->setText(text);
    // While the user types here, keep the caret where it was: an input the core refused or
    // altered puts it back before the characters that went away.
    if (typing) line_->setCursorPosition(std::max(0, cursor - std::max(0, growth)));
    // A text the program puts in a field shows from its first character: the caret at its end
    // would scroll a long name to its tail. A text with room to spare keeps the caret at its end,
    // where a user who goes on typing expects it.
    else if (line_->fontMetrics().horizontalAdvance(text) > line_->contentsRect().width() - 12)
        line_->setCursorPosition(0);
}

void EditBinder::refresh_kind() {
    if (masked_) {
        const QString mask = qt_input_mask(static_cast<forms::MaskEdit&>(edit_).mask());
        if (line_->inputMask() != mask) {
            const QSignalBlocker block(line_);
            line_->setInputMask(mask);
        }
    } else {
        const QSignalBlocker block(line_);  // a shorter limit cuts the text without anybody typing
        // Only a new limit: setting one sets the text again, with the caret at its end.
        const int limit = edit_.max_length() > 0 ? edit_.max_length() : 32767;
        if (line_->maxLength() != limit) line_->setMaxLength(limit);
    }
    line_->setReadOnly(edit_.read_only());
    line_->setAlignment(qt_alignment(edit_.alignment()) | Qt::AlignVCenter);
    show_text(to_qt(edit_.text()));

    if (label_ != nullptr) {
        const auto& labelled = static_cast<forms::LabeledEdit&>(edit_);
        apply_font(label_, edit_);
        const int h = QFontMetrics(label_->font()).height();
        const QRect edit_rect = line_->geometry();
        label_->setHidden(!edit_.visible());
        label_->setEnabled(edit_.enabled());
        // As wide as its caption, ending just before the edit; a caption with no room for it
        // there steps down and is elided (caption_fit.h).
        set_caption_design(label_, {QRect(edit_rect.x() - labelled.label_spacing(),
                                          edit_rect.y() + (edit_rect.height() - h) / 2, 0, h),
                                    Qt::AlignRight, label_->font(), to_qt(labelled.caption()), QString()});
        fit_captions(label_->parentWidget());
    }
}

void EditBinder::user_edited() {
    run([this] {
        std::string bytes;
        try {
            bytes = from_qt(shown_text());
        } catch (const text::EncodingError&) {
            // The validator lets no such character in; should one come through all the same,
            // back to what the core holds before the message box says why.
            show_text(to_qt(edit_.text()));
            throw;
        }
        edit_.set_text(std::move(bytes));
    });
}

}  // namespace ijken::gui
