#pragma once
#include <functional>

#include "core/forms/control.h"
#include "core/forms/painter.h"

namespace ijken::forms {

// A printed page shown on screen at one pixel per unit: a white sheet of page_width x
// page_height that scrolls inside the control when it is larger. paint draws the page's content
// with the page's top left corner at (0, 0); the window calls it whenever the sheet needs drawing.
class ReportPreview : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::report_preview;

    ReportPreview(std::string name, Control* parent, Rect geometry);

    int page_width() const { return page_width_; }
    int page_height() const { return page_height_; }
    void set_page_size(int width, int height);

    // Draws the page (nothing when paint is empty).
    void render(Painter& painter) const {
        if (paint) paint(painter);
    }
    // Asks the window to draw the page again (after its content changed).
    void repaint() { notify(); }

    std::function<void(Painter&)> paint;

  private:
    int page_width_ = 0;
    int page_height_ = 0;
};

}  // namespace ijken::forms
