#include "core/report/pr_rect.h"

#include "core/report/pr_page.h"
#include "core/text/numbers.h"

namespace ijken::report {

std::vector<std::uint8_t> dash_array(PenStyle style) {
    switch (style) {
        case PenStyle::psDash:
            return {16, 8};
        case PenStyle::psDot:
            return {3};
        case PenStyle::psDashDot:
            return {8, 7, 2, 7};
        case PenStyle::psDashDotDot:
            return {8, 4, 2, 4, 2, 4};
        case PenStyle::psClear:
            return {};
        case PenStyle::psSolid:
        case PenStyle::psInsideFrame:
            break;
    }
    return {0};
}

PRShape::PRShape(std::string name) : PRItem(std::move(name)) {}

void PRShape::SetLineWidth(float value) {
    if (value >= 0) line_width_ = value;
}

PRRect::PRRect(std::string name) : PRShape(std::move(name)) {}

void PRRect::Print(PRCanvas& canvas, const Rect& r) {
    pdf::PdfCanvas& pdf = canvas.PdfCanvas();
    const bool wide = Width() > 1;
    const bool tall = Height() > 1;
    const bool line = LineColor() != clNone;
    const bool stroked = line && LineStyle() != PenStyle::psClear;
    const bool filled = FillColor() != clNone && wide && tall;
    if (!wide && !tall) return;
    if (!stroked && (!wide || !tall)) return;

    const PRPage* page = Page();
    const int h = page != nullptr ? page->Height() : pdf.MediaHeight();
    // The path runs along the inside of the rectangle's last column and row, as its outline on
    // screen does.
    const float top = static_cast<float>(h - r.Top);
    const float bottom = static_cast<float>(tall ? h - r.Bottom + 1 : h - r.Bottom);
    const float x1 = static_cast<float>(r.Left);
    const float x2 = static_cast<float>(wide ? r.Right - 1 : r.Right);

    if (LineStyle() != PenStyle::psClear) pdf.SetDashPattern(dash_array(LineStyle()), 0);
    pdf.MovePenTo(x1, top);
    if (wide) {
        pdf.LineTo(x2, top);
        if (tall) pdf.LineTo(x2, bottom);
    }
    if (tall) pdf.LineTo(x1, bottom);
    if (filled) pdf.SetFillColor(FillColor());
    if (line) {
        pdf.SetStrokeColor(LineColor());
        pdf.SetLineWidth(LineWidth());
    }
    if (wide && tall && filled) {
        if (stroked) {
            pdf.CloseFillAndStroke();
        } else {
            pdf.ClosePath();
            pdf.FillPath();
        }
    } else if (wide && tall) {
        if (stroked) {
            pdf.CloseAndStroke();
        } else {
            pdf.EndPath();
        }
    } else {
        pdf.StrokePath();
        pdf.EndPath();
    }
}

void PRRect::Paint(forms::Painter& painter, int x, int y) const {
    const forms::Rect shape{x, y, Width() > 1 ? Width() - 1 : Width(),
                            Height() > 1 ? Height() - 1 : Height()};
    forms::PenStyle style = forms::PenStyle::solid;
    switch (LineStyle()) {
        case PenStyle::psDash:
            style = forms::PenStyle::dash;
            break;
        case PenStyle::psDot:
            style = forms::PenStyle::dot;
            break;
        case PenStyle::psDashDot:
            style = forms::PenStyle::dash_dot;
            break;
        case PenStyle::psDashDotDot:
            style = forms::PenStyle::dash_dot_dot;
            break;
        default:
            break;
    }
    const bool clear = LineStyle() == PenStyle::psClear || LineColor() == clNone;
    painter.set_pen(clear ? forms::colour_none : (LineColor() < 0 ? clBlack : LineColor()),
                    static_cast<int>(text::round_half_even(LineWidth())));
    painter.set_pen_style(style);
    painter.set_brush(FillColor() == clNone ? forms::colour_none : FillColor());
    painter.draw_rect(shape);
    painter.set_pen_style(forms::PenStyle::solid);
}

}  // namespace ijken::report
