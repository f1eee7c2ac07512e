#include "gui/group_box_binder.h"

#include <QPainter>

#include "gui/qt_text.h"

namespace ijken::gui {

void DesignedGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const QRect frame = rect().adjusted(0, top, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.translated(1, 1));
    const QString caption = title();
    if (caption.isEmpty()) return;
    const QRect text_rect(8, 0, metrics.horizontalAdvance(caption) + 4, metrics.height());
    painter.fillRect(text_rect, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(text_rect, Qt::AlignCenter | Qt::TextShowMnemonic, caption);
}

GroupBoxBinder::GroupBoxBinder(forms::GroupBox& box, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(box, dialogs), box_(box), box_widget_(new DesignedGroupBox(parent)) {
    box_widget_->setObjectName(to_qt(box.name()));
    start();
}

void GroupBoxBinder::refresh_kind() {
    const QString title = to_qt(box_.caption());
    if (box_widget_->title() != title) box_widget_->setTitle(title);
}

}  // namespace ijken::gui
