#include "gui/report_preview_binder.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "gui/qt_painter.h"
#include "gui/qt_text.h"

namespace ijken::gui {

PreviewSheet::PreviewSheet(const forms::ReportPreview& preview,
                           std::function<void(const std::string&)> report, QWidget* parent)
    : QWidget(parent), preview_(preview), report_(std::move(report)) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void PreviewSheet::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QtPainter adapter(painter);
    try {
        preview_.render(adapter);
        failing_ = false;
    } catch (const std::exception& e) {
        if (failing_) return;
        failing_ = true;
        QTimer::singleShot(0, this, [report = report_, message = std::string(e.what())] { report(message); });
    }
}

void PreviewArea::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home) {
        verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    } else if (event->key() == Qt::Key_End) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else {
        QScrollArea::keyPressEvent(event);
    }
}

ReportPreviewBinder::ReportPreviewBinder(forms::ReportPreview& preview, QWidget* parent,
                                         forms::Dialogs& dialogs)
    : ControlBinder(preview, dialogs), preview_(preview), area_(new PreviewArea(parent)) {
    area_->setObjectName(to_qt(preview.name()));
    area_->setAccessibleName("Afdrukvoorbeeld");
    area_->setFocusPolicy(Qt::StrongFocus);
    area_->setBackgroundRole(QPalette::Dark);
    area_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    sheet_ = new PreviewSheet(
        preview, [&dialogs](const std::string& message) { dialogs.error(message); }, area_);
    sheet_->setObjectName("sheet");
    area_->setWidget(sheet_);
    start();
}

void ReportPreviewBinder::refresh_kind() {
    const QSize size(preview_.page_width(), preview_.page_height());
    if (sheet_->size() != size) sheet_->setFixedSize(size);
    sheet_->update();
}

}  // namespace ijken::gui
