#include "gui/drawing_binder.h"

#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "gui/qt_painter.h"
#include "gui/qt_text.h"

namespace ijken::gui {

DrawingWidget::DrawingWidget(const forms::Drawing& drawing, std::function<void(const std::string&)> report,
                             QWidget* parent)
    : QWidget(parent), drawing_(drawing), report_(std::move(report)) {}

void DrawingWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(rect());
    QtPainter adapter(painter);
    try {
        drawing_.render(adapter);
        failing_ = false;
    } catch (const std::exception& e) {
        if (failing_) return;
        failing_ = true;
        QTimer::singleShot(0, this, [report = report_, message = std::string(e.what())] { report(message); });
    }
}

DrawingBinder::DrawingBinder(forms::Drawing& drawing, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(drawing, dialogs),
      widget_(new DrawingWidget(
          drawing, [&dialogs](const std::string& message) { dialogs.error(message); }, parent)) {
    widget_->setObjectName(to_qt(drawing.name()));
    start();
}

}  // namespace ijken::gui
