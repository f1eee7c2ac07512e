#pragma once
// What vector drawings paint on: the window implements it over the platform's painter, tests
// record the calls. Coordinates in pixels from the top left of the drawing, y downward.
#include <string>
#include <vector>

#include "core/forms/bitmap.h"
#include "core/forms/geometry.h"

namespace ijken::forms {

// Dash patterns of an outline.
enum class PenStyle { solid, dash, dot, dash_dot, dash_dot_dot };

class Painter {
  public:
    virtual ~Painter() = default;

    // Outline colour (0x00BBGGRR) and width in pixels; colour_none draws no outline.
    virtual void set_pen(int colour, int width = 1) = 0;
    // Fill colour; colour_none leaves shapes hollow.
    virtual void set_brush(int colour) = 0;
    // Text font: height in pixels as designed (negative: character height), bold or not.
    virtual void set_font(int height, bool bold = false) = 0;

    virtual void draw_line(Point from, Point to) = 0;
    virtual void draw_rect(const Rect& r) = 0;
    // The ellipse inscribed in r.
    virtual void draw_ellipse(const Rect& r) = 0;
    // A closed polygon through the points.
    virtual void draw_polygon(const std::vector<Point>& points) = 0;
    // Text (Windows-1252) with its top left corner at (x, y), in the pen's colour.
    virtual void draw_text(int x, int y, const std::string& text) = 0;

    // The dash pattern of the outline from now on; a painter that cannot dash draws solid lines.
    virtual void set_pen_style(PenStyle) {}
    // A text font by family name (empty: the default sans serif), height as for set_font, bold
    // and italic. A painter without font families takes the height and boldness alone.
    virtual void set_font_face(const std::string& family, int height, bool bold, bool italic) {
        (void)family;
        (void)italic;
        set_font(height, bold);
    }
    // The bitmap with its top left corner at `at`, pixel for pixel; a pixel of colour_none leaves
    // what lies beneath. The default paints each row's runs of one colour as rectangles through
    // the pen and brush (which it leaves changed); a painter that can copy pixels does better.
    virtual void draw_bitmap(const Bitmap& bitmap, Point at);
};

// Records every call as a line of text ("pen 255 2", "rect 0 0 10 20", ...) for tests.
class RecordingPainter : public Painter {
  public:
    void set_pen(int colour, int width = 1) override;
    void set_brush(int colour) override;
    void set_font(int height, bool bold = false) override;
    void draw_line(Point from, Point to) override;
    void draw_rect(const Rect& r) override;
    void draw_ellipse(const Rect& r) override;
    void draw_polygon(const std::vector<Point>& points) override;
    void draw_text(int x, int y, const std::string& text) override;
    void set_pen_style(PenStyle style) override;
    void set_font_face(const std::string& family, int height, bool bold, bool italic) override;
    // "bitmap x y w h": where and how large; the pixels are the caller's to check.
    void draw_bitmap(const Bitmap& bitmap, Point at) override;

    const std::vector<std::string>& calls() const { return calls_; }

  private:
    std::vector<std::string> calls_;
};

}  // namespace ijken::forms
