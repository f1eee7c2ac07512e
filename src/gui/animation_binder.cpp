#include "gui/animation_binder.h"

#include <QPainter>

#include "gui/qt_painter.h"
#include "gui/qt_text.h"

namespace ijken::gui {

AnimationWidget::AnimationWidget(const about::Animation& animation, QWidget* parent)
    : QWidget(parent), animation_(animation) {
    // Opaque: the control paints its whole area, so Qt need not paint what lies beneath first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AnimationWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const auto background = qt_colour(animation_.colour());
    painter.fillRect(rect(), background ? *background : palette().color(QPalette::Window));
    QtPainter adapter(painter);
    animation_.render(adapter);
}

AnimationBinder::AnimationBinder(about::Animation& animation, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(animation, dialogs), widget_(new AnimationWidget(animation, parent)) {
    widget_->setObjectName(to_qt(animation.name()));
    start();
}

}  // namespace ijken::gui
