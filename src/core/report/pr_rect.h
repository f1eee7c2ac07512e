#pragma once
// Shapes: line and fill properties, and the rectangle (which, one unit high or wide, is a line).
#include <cstdint>
#include <vector>

#include "core/report/pr_item.h"

namespace ijken::report {

enum class PenStyle : std::uint8_t {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame
};

// The PDF dash array of a line style (a single 0 is a solid line); empty for psClear, which sets
// no dash at all.
std::vector<std::uint8_t> dash_array(PenStyle style);

class PRShape : public PRItem {
  public:
    explicit PRShape(std::string name);

    float LineWidth() const { return line_width_; }
    // Only 0 or more; others are ignored.
    void SetLineWidth(float value);
    Color LineColor() const { return line_color_; }
    void SetLineColor(Color value) { line_color_ = value; }
    PenStyle LineStyle() const { return line_style_; }
    void SetLineStyle(PenStyle value) { line_style_ = value; }
    Color FillColor() const { return fill_color_; }
    void SetFillColor(Color value) { fill_color_ = value; }

  private:
    float line_width_ = 0;
    Color line_color_ = clBlack;
    PenStyle line_style_ = PenStyle::psSolid;
    Color fill_color_ = clNone;
};

class PRRect : public PRShape {
  public:
    explicit PRRect(std::string name = "PRRect");

    std::string_view ClassName() const override { return "TPRRect"; }

    void Print(PRCanvas& canvas, const Rect& r) override;

  protected:
    void Paint(forms::Painter& painter, int x, int y) const override;
};

}  // namespace ijken::report
