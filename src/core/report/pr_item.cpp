#include "core/report/pr_item.h"

#include "core/pdf/pdf_exceptions.h"
#include "core/report/pr_page.h"
#include "core/text/numbers.h"

namespace ijken::report {

// ---- item ---------------------------------------------------------------------------------------

PRItem::PRItem(std::string name) : PRControl(std::move(name), 100, 30) {}

void PRItem::CheckParent(const PRControl& parent) const {
    if (dynamic_cast<const PRPanel*>(&parent) == nullptr)
        throw ParentError("this component must set on TPRPanel");
}

void PRItem::Print(PRCanvas&, const Rect&) {}

// ---- font properties ------------------------------------------------------------------------------

PRCustomLabel::PRCustomLabel(std::string name) : PRItem(std::move(name)) {}

void PRCustomLabel::SetFontColor(Color value) {
    if (value > 0x0FFFFFFF) throw pdf::PdfInvalidValue("the color you selected is not allowed.");
    font_color_ = value;
}

void PRCustomLabel::SetFontSize(float value) {
    if (value > 0) font_size_ = value;
}

void PRCustomLabel::SetWordSpace(float value) {
    if (value >= 0) word_space_ = value;
}

std::string_view PRCustomLabel::PdfFontName() const {
    static constexpr std::string_view names[3][4] = {
        {"FixedWidth", "FixedWidth-Bold", "FixedWidth-Italic", "FixedWidth-BoldItalic"},
        {"Arial", "Arial-Bold", "Arial-Italic", "Arial-BoldItalic"},
        {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic"},
    };
    return names[static_cast<int>(font_name_)][(font_bold_ ? 1 : 0) + (font_italic_ ? 2 : 0)];
}

std::string_view PRCustomLabel::PreviewFontName() const {
    switch (font_name_) {
        case PRFontName::fnFixedWidth:
            return "Courier New";
        case PRFontName::fnTimesRoman:
            return "Times New Roman";
        case PRFontName::fnArial:
            break;
    }
    return "Arial";
}

int PRCustomLabel::ScreenFontHeight() const {
    const long long points = text::round_half_even(static_cast<long double>(font_size_) * 0.75L);
    // Points to pixels at 96 dpi, rounded to the nearest pixel (a third never ties).
    return -static_cast<int>(text::round_half_even(static_cast<long double>(points) * 96 / 72));
}

void PRCustomLabel::set_screen_font(forms::Painter& painter) const {
    painter.set_font_face(std::string(PreviewFontName()), ScreenFontHeight(), font_bold_, font_italic_);
    painter.set_pen(font_color_ < 0 ? clBlack : font_color_);
}

void PRCustomLabel::paint_text(forms::Painter& painter, float x, int y, std::string_view text,
                               const pdf::PdfCanvas& canvas) const {
    const pdf::PdfCanvasAttribute& state = canvas.Attribute();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view c = text.substr(i, 1);
        painter.draw_text(static_cast<int>(text::round_half_even(x)), y, std::string(c));
        // A one-character width is the glyph less one character spacing (0 less it for a glyph
        // without width), so adding the spacing back gives the character's advance.
        x = x + canvas.MeasureWidth(c) + state.CharSpace();
        if (c[0] == ' ') x = x + state.WordSpace();
    }
}

}  // namespace ijken::report
