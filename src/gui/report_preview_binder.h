#pragma once
#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <string>

#include "core/forms/report_preview.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// The sheet of a ReportPreview: a white page of the page's size, painted through a QtPainter. A
// paint that throws leaves the rest of the sheet undrawn; its message goes to report once, after
// the paint event, until a paint succeeds again.
class PreviewSheet : public QWidget {
  public:
    PreviewSheet(const forms::ReportPreview& preview, std::function<void(const std::string&)> report,
                 QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const forms::ReportPreview& preview_;
    std::function<void(const std::string&)> report_;
    bool failing_ = false;
};

// The scroll area of a preview: besides the arrow and page keys of every scroll area, Home and End
// go to the top and the bottom of the page.
class PreviewArea : public QScrollArea {
  public:
    using QScrollArea::QScrollArea;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A ReportPreview -> a QScrollArea holding the sheet, on a grey ground; the arrow and page keys
// scroll it once it has the focus.
class ReportPreviewBinder : public ControlBinder {
  public:
    ReportPreviewBinder(forms::ReportPreview& preview, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return area_; }
    std::vector<QWidget*> focus_chain() const override { return {area_}; }
    PreviewSheet* sheet() const { return sheet_; }

  protected:
    void refresh_kind() override;

  private:
    forms::ReportPreview& preview_;
    QScrollArea* area_;
    PreviewSheet* sheet_;
};

}  // namespace ijken::gui
