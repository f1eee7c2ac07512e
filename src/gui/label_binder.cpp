#include "gui/label_binder.h"

#include "gui/caption_fit.h"
#include "gui/qt_text.h"

namespace ijken::gui {

Qt::Alignment qt_alignment(forms::Alignment alignment) {
    switch (alignment) {
        case forms::Alignment::right:
            return Qt::AlignRight;
        case forms::Alignment::center:
            return Qt::AlignHCenter;
        case forms::Alignment::left:
            break;
    }
    return Qt::AlignLeft;
}

LabelBinder::LabelBinder(forms::Label& label, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(label, dialogs), label_(label), label_widget_(new QLabel(parent)) {
    label_widget_->setObjectName(to_qt(label.name()));
    // Captions are text, never markup: a "<" in a caption stays a "<".
    label_widget_->setTextFormat(Qt::PlainText);
    start();
}

void LabelBinder::refresh_kind() {
    const QString text = to_qt(label_.caption());
    // A label named apart from its text (a result cell, "Tonnage, vol") still has to tell its
    // text, the value; a screen reader reads the description after the name. Both carry the
    // whole text, also when the label shows less of it.
    const QString description = label_widget_->accessibleName() == text ? QString() : text;
    if (label_widget_->accessibleDescription() != description)
        label_widget_->setAccessibleDescription(description);
    const Qt::Alignment alignment = qt_alignment(label_.alignment());
    label_widget_->setAlignment(alignment | Qt::AlignTop);
    QRect box = label_widget_->geometry();
    if (label_.auto_size()) box.setWidth(QFontMetrics(label_widget_->font()).horizontalAdvance(text));
    set_caption_design(label_widget_, {box, alignment, label_widget_->font(), text, to_qt(label_.hint())});
    fit_captions(label_widget_->parentWidget());
}

}  // namespace ijken::gui
