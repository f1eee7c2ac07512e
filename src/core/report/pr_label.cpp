#include "core/report/pr_label.h"

#include "core/pdf/pdf_exceptions.h"
#include "core/report/pr_page.h"
#include "core/text/numbers.h"

namespace ijken::report {

namespace {

// The height of the page the item stands on; without one, the canvas's page height.
int page_height(const PRControl& item, pdf::PdfCanvas& canvas) {
    const PRPage* page = item.Page();
    return page != nullptr ? page->Height() : canvas.MediaHeight();
}

pdf::PdfCanvas& measuring_canvas_of(const PRControl& item) {
    PRPage* page = const_cast<PRControl&>(item).Page();
    if (page == nullptr) {
        throw pdf::PdfInvalidOperation("GetTextWidth --" + item.Name() + " stands on no page.");
    }
    return page->MeasuringCanvas();
}

}  // namespace

// ---- label --------------------------------------------------------------------------------------

PRLabel::PRLabel(std::string name) : PRCustomLabel(std::move(name)) {}

pdf::PdfCanvas& PRLabel::measuring_canvas() const {
    return measuring_canvas_of(*this);
}

void PRLabel::font_setup(pdf::PdfCanvas& canvas, bool colour) const {
    canvas.SelectFont(PdfFontName(), FontSize());
    if (colour) canvas.SetFillColor(FontColor());
    canvas.SetWordSpace(WordSpace());
    if (!align_justified_) {
        canvas.SetCharSpace(CharSpace());
        return;
    }
    canvas.SetCharSpace(0);
    const float w = canvas.MeasureWidth(caption_);
    const int n = static_cast<int>(caption_.size());
    if (n >= 2) {
        const float spare = (static_cast<float>(Width()) - w) / static_cast<float>(n - 1);
        if (spare > 0) canvas.SetCharSpace(spare);
    }
}

int PRLabel::GetTextWidth() {
    pdf::PdfCanvas& canvas = measuring_canvas();
    font_setup(canvas, false);
    return static_cast<int>(text::round_half_even(canvas.MeasureWidth(caption_)));
}

void PRLabel::Print(PRCanvas& canvas, const Rect& r) {
    if (caption_.empty()) return;
    font_setup(canvas.PdfCanvas());
    canvas.DrawTextInRect(r, caption_, alignment_, clipping_);
}

void PRLabel::Paint(forms::Painter& painter, int x, int y) const {
    if (caption_.empty()) return;
    pdf::PdfCanvas& canvas = measuring_canvas();
    font_setup(canvas);
    const float w = canvas.MeasureWidth(caption_);
    float offset = 0;
    if (alignment_ == pdf::Alignment::taRightJustify) {
        offset = static_cast<float>(Width() - text::round_half_even(w));
    } else if (alignment_ == pdf::Alignment::taCenter) {
        offset = static_cast<float>(text::round_half_even((static_cast<float>(Width()) - w) / 2));
    }
    std::string_view shown = caption_;
    if (shown.size() >= 2 && shown.substr(shown.size() - 2) == "\r\n") shown.remove_suffix(2);
    set_screen_font(painter);
    paint_text(painter, static_cast<float>(x) + offset, y, shown, canvas);
}

// ---- text block -----------------------------------------------------------------------------------

PRText::PRText(std::string name) : PRCustomLabel(std::move(name)) {}

std::string PRText::Text() const {
    std::string joined;
    for (const std::string& line : lines_) {
        joined += line;
        joined += "\r\n";
    }
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = joined.size();
    while (begin < end && blank(joined[begin])) ++begin;
    while (end > begin && blank(joined[end - 1])) --end;
    return joined.substr(begin, end - begin);
}

void PRText::SetText(std::string_view text) {
    lines_.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines_.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines_.emplace_back(text.substr(start));
}

void PRText::SetLeading(float value) {
    if (value >= 0) leading_ = value;
}

void PRText::font_setup(pdf::PdfCanvas& canvas) const {
    canvas.SelectFont(PdfFontName(), FontSize());
    canvas.SetFillColor(FontColor());
    canvas.SetCharSpace(CharSpace());
    canvas.SetWordSpace(WordSpace());
    canvas.SetLeading(leading_);
}

void PRText::Print(PRCanvas& canvas, const Rect& r) {
    pdf::PdfCanvas& pdf_canvas = canvas.PdfCanvas();
    font_setup(pdf_canvas);
    pdf_canvas.DrawWrappedText(to_pdf(r, page_height(*this, pdf_canvas)), Text(), word_wrap_);
}

void PRText::Paint(forms::Painter& painter, int x, int y) const {
    pdf::PdfCanvas& canvas = measuring_canvas_of(*this);
    font_setup(canvas);
    // The lines as shown: each of Lines, broken further at the right edge with word wrap.
    std::vector<std::string> shown;
    for (const std::string& line : lines_) {
        if (!word_wrap_) {
            shown.push_back(line);
            continue;
        }
        std::string current;
        float width = 0;
        std::size_t p = 0;
        while (p < line.size()) {
            std::size_t end = line.find(' ', p);
            end = end == std::string::npos ? line.size() : end + 1;
            const std::string word = line.substr(p, end - p);
            const float ww = canvas.MeasureWidth(word);
            if (!current.empty() && width + ww > static_cast<float>(Width())) {
                shown.push_back(current);
                current.clear();
                width = 0;
            }
            current += word;
            width = width + ww;
            if (word.back() == ' ') width = width + canvas.Attribute().WordSpace();
            p = end;
        }
        shown.push_back(current);
    }
    set_screen_font(painter);
    const int step = static_cast<int>(text::round_half_even(leading_));
    int top = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (i > 0) {
            top += step;
            if (static_cast<float>(top) > static_cast<float>(Height()) - FontSize()) break;
        }
        paint_text(painter, static_cast<float>(x), y + top, shown[i], canvas);
    }
}

}  // namespace ijken::report
