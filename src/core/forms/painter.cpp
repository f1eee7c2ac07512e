#include "core/forms/painter.h"
#include "core/text/numbers.h"

namespace ijken::forms {

namespace {

std::string join(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += ' ';
        s += text::format_int(v);
    }
    return s;
}

}  // namespace

void Painter::draw_bitmap(const Bitmap& bitmap, Point at) {
    set_pen(colour_none);
    for (int y = 0; y < bitmap.height(); ++y) {
        int x = 0;
        while (x < bitmap.width()) {
            const int colour = bitmap.pixel(x, y);
            int end = x + 1;
            while (end < bitmap.width() && bitmap.pixel(end, y) == colour) ++end;
            if (colour != colour_none) {
                set_brush(colour);
                draw_rect(Rect{at.x + x, at.y + y, end - x, 1});
            }
            x = end;
        }
    }
}

void RecordingPainter::set_pen(int colour, int width) {
    calls_.push_back("pen" + join({colour, width}));
}
void RecordingPainter::set_brush(int colour) {
    calls_.push_back("brush" + join({colour}));
}
void RecordingPainter::set_font(int height, bool bold) {
    calls_.push_back("font" + join({height, bold ? 1 : 0}));
}
void RecordingPainter::draw_line(Point from, Point to) {
    calls_.push_back("line" + join({from.x, from.y, to.x, to.y}));
}
void RecordingPainter::draw_rect(const Rect& r) {
    calls_.push_back("rect" + join({r.x, r.y, r.w, r.h}));
}
void RecordingPainter::draw_ellipse(const Rect& r) {
    calls_.push_back("ellipse" + join({r.x, r.y, r.w, r.h}));
}
void RecordingPainter::draw_polygon(const std::vector<Point>& points) {
    std::string s = "polygon";
    for (const Point& p : points) s += join({p.x, p.y});
    calls_.push_back(s);
}
void RecordingPainter::draw_bitmap(const Bitmap& bitmap, Point at) {
    calls_.push_back("bitmap" + join({at.x, at.y, bitmap.width(), bitmap.height()}));
}
void RecordingPainter::draw_text(int x, int y, const std::string& text) {
    calls_.push_back("text" + join({x, y}) + " " + text);
}

void RecordingPainter::set_pen_style(PenStyle style) {
    calls_.push_back("penstyle" + join({static_cast<int>(style)}));
}
void RecordingPainter::set_font_face(const std::string& family, int height, bool bold, bool italic) {
    calls_.push_back("fontface " + family + join({height, bold ? 1 : 0, italic ? 1 : 0}));
}

}  // namespace ijken::forms
