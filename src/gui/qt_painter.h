#pragma once
#include <QImage>
#include <QPainter>

#include "core/forms/painter.h"

namespace ijken::gui {

// The forms' Painter over a QPainter that the caller set up (and ends).
class QtPainter : public forms::Painter {
  public:
    explicit QtPainter(QPainter& painter);

    void set_pen(int colour, int width = 1) override;
    void set_brush(int colour) override;
    void set_font(int height, bool bold = false) override;
    void draw_line(forms::Point from, forms::Point to) override;
    void draw_rect(const forms::Rect& r) override;
    void draw_ellipse(const forms::Rect& r) override;
    void draw_polygon(const std::vector<forms::Point>& points) override;
    void draw_text(int x, int y, const std::string& text) override;
    void set_pen_style(forms::PenStyle style) override;
    void set_font_face(const std::string& family, int height, bool bold, bool italic) override;
    void draw_bitmap(const forms::Bitmap& bitmap, forms::Point at) override;

  private:
    QPainter& painter_;
};

// A bitmap as a QImage (colour_none pixels transparent), and a QImage as a bitmap (pixels mostly
// transparent become colour_none).
QImage to_qimage(const forms::Bitmap& bitmap);
forms::Bitmap from_qimage(const QImage& image);

}  // namespace ijken::gui
