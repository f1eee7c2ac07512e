#pragma once
#include <QWidget>
#include <functional>
#include <string>

#include "core/forms/drawing.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// The widget of a Drawing: paints the drawing through a QtPainter. A paint handler that throws
// leaves the rest of the picture undrawn; its message goes to report once, after the paint event
// (a message box inside a paint event would paint again), until a paint succeeds again.
class DrawingWidget : public QWidget {
  public:
    DrawingWidget(const forms::Drawing& drawing, std::function<void(const std::string&)> report,
                  QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const forms::Drawing& drawing_;
    std::function<void(const std::string&)> report_;
    bool failing_ = false;
};

class DrawingBinder : public ControlBinder {
  public:
    DrawingBinder(forms::Drawing& drawing, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return widget_; }

  protected:
    void refresh_kind() override { widget_->update(); }

  private:
    DrawingWidget* widget_;
};

}  // namespace ijken::gui
