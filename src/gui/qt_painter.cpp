#include "gui/qt_painter.h"

#include <QPolygon>
#include <cstdlib>

#include "gui/qt_text.h"

namespace ijken::gui {

QtPainter::QtPainter(QPainter& painter) : painter_(painter) {
    painter_.setPen(QPen(Qt::black, 1));
    painter_.setBrush(Qt::NoBrush);
}

void QtPainter::set_pen(int colour, int width) {
    const auto c = qt_colour(colour);
    if (!c) {
        painter_.setPen(Qt::NoPen);
        return;
    }
    QPen pen(*c, width < 1 ? 1 : width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
}

void QtPainter::set_brush(int colour) {
    const auto c = qt_colour(colour);
    painter_.setBrush(c ? QBrush(*c) : QBrush(Qt::NoBrush));
}

void QtPainter::set_font(int height, bool bold) {
    QFont font = painter_.font();
    if (height != 0) font.setPixelSize(std::abs(height));
    font.setBold(bold);
    painter_.setFont(font);
}

void QtPainter::draw_line(forms::Point from, forms::Point to) {
    painter_.drawLine(from.x, from.y, to.x, to.y);
}

// Rectangles and ellipses cover r.w x r.h pixels, outline included, as the designed pictures do;
// QPainter draws a pen's outline around the rectangle, one pixel larger.
void QtPainter::draw_rect(const forms::Rect& r) {
    painter_.drawRect(r.x, r.y, r.w - 1, r.h - 1);
}

void QtPainter::draw_ellipse(const forms::Rect& r) {
    painter_.drawEllipse(r.x, r.y, r.w - 1, r.h - 1);
}

void QtPainter::draw_polygon(const std::vector<forms::Point>& points) {
    QPolygon polygon;
    for (const forms::Point& p : points) polygon << QPoint(p.x, p.y);
    painter_.drawPolygon(polygon);
}

void QtPainter::draw_text(int x, int y, const std::string& text) {
    const QFontMetrics metrics(painter_.font());
    painter_.drawText(x, y + metrics.ascent(), to_qt(text));
}

void QtPainter::set_pen_style(forms::PenStyle style) {
    QPen pen = painter_.pen();
    if (pen.style() == Qt::NoPen) return;
    switch (style) {
        case forms::PenStyle::dash:
            pen.setStyle(Qt::DashLine);
            break;
        case forms::PenStyle::dot:
            pen.setStyle(Qt::DotLine);
            break;
        case forms::PenStyle::dash_dot:
            pen.setStyle(Qt::DashDotLine);
            break;
        case forms::PenStyle::dash_dot_dot:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        case forms::PenStyle::solid:
            pen.setStyle(Qt::SolidLine);
            break;
    }
    painter_.setPen(pen);
}

void QtPainter::set_font_face(const std::string& family, int height, bool bold, bool italic) {
    QFont font = painter_.font();
    if (!family.empty()) font.setFamily(to_qt(family));
    if (height != 0) font.setPixelSize(std::abs(height));
    font.setBold(bold);
    font.setItalic(italic);
    painter_.setFont(font);
}

void QtPainter::draw_bitmap(const forms::Bitmap& bitmap, forms::Point at) {
    if (bitmap.empty()) return;
    painter_.drawImage(at.x, at.y, to_qimage(bitmap));
}

QImage to_qimage(const forms::Bitmap& bitmap) {
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            const int c = bitmap.pixel(x, y);
            line[x] = c == forms::colour_none ? qRgba(0, 0, 0, 0)
                      : c < 0                 ? qRgb(0, 0, 0)
                                              : qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    }
    return image;
}

forms::Bitmap from_qimage(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    forms::Bitmap bitmap(argb.width(), argb.height());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = line[x];
            bitmap.set_pixel(
                x, y, qAlpha(p) < 128 ? forms::colour_none : qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
        }
    }
    return bitmap;
}

}  // namespace ijken::gui
