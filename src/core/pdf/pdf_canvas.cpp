#include "core/pdf/pdf_canvas.h"

#include <cmath>

#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_fonts.h"
#include "core/text/numbers.h"

namespace ijken::pdf {

std::string format_operand(double value) {
    if (!std::isfinite(value)) throw PdfInvalidValue("invalid number in page content.");
    const long double hundredths = std::trunc(static_cast<long double>(value) * 100.0L + 0.5L);
    if (hundredths == 0) return "0";  // never "-0"
    return real_text(static_cast<double>(hundredths / 100.0L));
}

// ---- text state -------------------------------------------------------------------------------

namespace {
// Written as "not inside" so that a NaN is refused as well.
bool outside(float value, float low, float high) { return !(value >= low && value <= high); }
}  // namespace

void PdfCanvasAttribute::SetWordSpace(float value) {
    if (value == word_space_) return;
    if (!(value >= 0) || std::isinf(value)) throw PdfInvalidValue("SetWordSpace --invalid word space");
    word_space_ = value;
}

void PdfCanvasAttribute::SetCharSpace(float value) {
    if (value == char_space_) return;
    if (outside(value, -30, 300)) throw PdfInvalidValue("SetCharSpace --invalid char space");
    char_space_ = value;
}

void PdfCanvasAttribute::SetFontSize(float value) {
    if (value == font_size_) return;
    if (outside(value, 0, 300)) throw PdfInvalidValue("SetCharSpace --invalid font size");
    font_size_ = value;
}

void PdfCanvasAttribute::SetLeading(float value) {
    if (value == leading_) return;
    if (outside(value, 0, 300)) throw PdfInvalidValue("SetLeading --invalid font size");
    leading_ = value;
}

void PdfCanvasAttribute::SetHorizontalScaling(std::uint16_t value) {
    if (value == horizontal_scaling_) return;
    if (value < 10 || value > 300) throw PdfInvalidValue("SetHorizontalScaling --invalid font size");
    horizontal_scaling_ = value;
}

// The advance of the character at the 1-based index, in single precision throughout: its glyph
// width plus the character spacing (nothing at all for a glyph without width), and the word
// spacing after a blank that is not the last character.
float PdfCanvasAttribute::char_advance(std::string_view text, int index) const {
    float w = 0;
    if (font_) {
        w = static_cast<float>(font_->CharWidth(text, index)) * font_size_;
        w = w / 1000.0f;
    }
    if (horizontal_scaling_ != 100) {
        w = static_cast<float>(horizontal_scaling_) * w;
        w = w / 100.0f;
    }
    float advance = w > 0 ? char_space_ + w : 0.0f;
    if (text[index - 1] == ' ' && word_space_ > 0 && index != static_cast<int>(text.size())) {
        advance = advance + word_space_;
    }
    return advance;
}

float PdfCanvasAttribute::TextWidth(std::string_view text) const {
    float sum = 0;
    for (int i = 1; i <= static_cast<int>(text.size()); ++i) sum = sum + char_advance(text, i);
    return sum - char_space_;
}

int PdfCanvasAttribute::MeasureText(std::string_view text, float width) const {
    float sum = 0;
    for (int i = 1; i <= static_cast<int>(text.size()); ++i) {
        sum = sum + char_advance(text, i);
        if (sum > width) return i - 1;
    }
    return static_cast<int>(text.size());
}

// ---- canvas -------------------------------------------------------------------------------------

void PdfCanvas::write(std::string_view bytes) {
    if (no_output_ || !contents_) return;
    contents_->Data().append(bytes);
}

void PdfCanvas::SaveState() { write("q\n"); }
void PdfCanvas::RestoreState() { write("Q\n"); }

void PdfCanvas::SetDashPattern(const std::vector<std::uint8_t>& dash_array, std::uint8_t phase) {
    std::string s = "[";
    if (!dash_array.empty() && dash_array.front() != 0) {
        for (std::uint8_t v : dash_array) {
            s += text::format_int(v);
            s += ' ';
        }
    }
    s += "] ";
    s += text::format_int(phase);
    s += " d\n";
    write(s);
}

void PdfCanvas::SetLineWidth(float width) { write(format_operand(width) + " w\n"); }

void PdfCanvas::MovePenTo(float x, float y) {
    write(format_operand(x) + " " + format_operand(y) + " m\n");
}

void PdfCanvas::LineTo(float x, float y) { write(format_operand(x) + " " + format_operand(y) + " l\n"); }

void PdfCanvas::ClosePath() { write("h\n"); }
void PdfCanvas::EndPath() { write("n\n"); }
void PdfCanvas::StrokePath() { write("S\n"); }
void PdfCanvas::CloseAndStroke() { write("s\n"); }
void PdfCanvas::FillPath() { write("f\n"); }
void PdfCanvas::CloseFillAndStroke() { write("b\n"); }
void PdfCanvas::ClipPath() { write("W\n"); }

namespace {
// "r g b" of a 0x00BBGGRR colour; system colours (negative) print as black.
std::string color_operands(PdfColor color) {
    if (color <= 0) color = 0;
    const int r = color & 0xFF;
    const int g = (color >> 8) & 0xFF;
    const int b = (color >> 16) & 0xFF;
    return format_operand(r / 255.0) + " " + format_operand(g / 255.0) + " " + format_operand(b / 255.0);
}
}  // namespace

void PdfCanvas::SetFillColor(PdfColor color) { write(color_operands(color) + " rg\n"); }
void PdfCanvas::SetStrokeColor(PdfColor color) { write(color_operands(color) + " RG\n"); }

void PdfCanvas::StartText() { write("BT\n"); }
void PdfCanvas::EndText() { write("ET\n"); }

void PdfCanvas::MoveTextTo(float x, float y) {
    write(format_operand(x) + " " + format_operand(y) + " Td\n");
}

void PdfCanvas::NextTextLine() { write("T*\n"); }

void PdfCanvas::ShowString(std::string_view text) {
    // Windows-1252 has no multi-byte characters, so the string is always a literal.
    std::string op = "(";
    op += escape_text(text);
    op += ") Tj\n";
    write(op);
}

void PdfCanvas::SetFontAndSize(std::string_view font_name, float size) {
    write(std::string(font_name) + " " + format_operand(size) + " Tf\n");
}

void PdfCanvas::SetCharSpace(float value) {
    if (value == attribute_.CharSpace()) return;
    attribute_.SetCharSpace(value);
    write(format_operand(value) + " Tc\n");
}

void PdfCanvas::SetWordSpace(float value) {
    if (value == attribute_.WordSpace()) return;
    attribute_.SetWordSpace(value);
    write(format_operand(value) + " Tw\n");
}

void PdfCanvas::SetLeading(float value) {
    if (value == attribute_.Leading()) return;
    attribute_.SetLeading(value);
    write(format_operand(value) + " TL\n");
}

void PdfCanvas::SelectFont(std::string_view name, float size) {
    PdfFont& font = doc_->GetFont(name);
    if (&font == attribute_.Font() && size == attribute_.FontSize()) return;
    const PdfName* resource_name = font.Data()->FindName("Name");
    const std::string key = resource_name ? resource_name->Value() : font.Name();
    if (page_) {
        PdfDictionary* resources = page_->FindDictionary("Resources");
        PdfDictionary* fonts = resources ? resources->FindDictionary("Font") : nullptr;
        if (fonts && !fonts->Find(key)) fonts->Put(key, *font.Data());
    }
    if (contents_) SetFontAndSize("/" + key, size);
    attribute_.SetFont(&font);
    attribute_.SetFontSize(size);
}

void PdfCanvas::DrawTextInRect(PdfRect rect, std::string_view text, Alignment alignment, bool clipping) {
    const float w = MeasureWidth(text);
    const float width = rect.Right - rect.Left;
    float offset = 0;
    if (alignment == Alignment::taRightJustify) {
        offset = width - static_cast<float>(text::round_half_even(w));
    } else if (alignment == Alignment::taCenter) {
        const float spare = width - w;
        offset = static_cast<float>(text::round_half_even(spare / 2.0f));
    }
    if (clipping) {
        SaveState();
        MovePenTo(rect.Left, rect.Top);
        LineTo(rect.Left, rect.Bottom);
        LineTo(rect.Right, rect.Bottom);
        LineTo(rect.Right, rect.Top);
        ClosePath();
        ClipPath();
        EndPath();
    }
    StartText();
    MoveTextTo(rect.Left + offset, static_cast<float>(rect.Top - 0.85 * attribute_.FontSize()));
    ShowString(text);
    EndText();
    if (clipping) RestoreState();
}

namespace {

// The next word from the 0-based position p: up to and including the first blank, or the LF of
// the first CR LF, or the rest of the text.
std::string_view next_word(std::string_view text, std::size_t& p) {
    const std::size_t start = p;
    std::size_t i = p;
    while (i < text.size()) {
        if (text[i] == ' ' || (text[i] == '\n' && i > start && text[i - 1] == '\r')) {
            ++i;
            break;
        }
        ++i;
    }
    p = i;
    return text.substr(start, i - start);
}

bool ends_with_crlf(const std::string& s) {
    return s.size() >= 2 && s[s.size() - 2] == '\r' && s.back() == '\n';
}

}  // namespace

void PdfCanvas::DrawWrappedText(PdfRect rect, std::string_view text, bool word_wrap) {
    auto show_line = [&](const std::string& line) {
        ShowString(std::string_view(line).substr(0, FitCount(line, rect.Right - rect.Left)));
    };
    const float font_size = attribute_.FontSize();
    float top = rect.Top;

    StartText();
    MoveTextTo(rect.Left, static_cast<float>(top - 0.85 * font_size));
    std::size_t p = 0;
    std::string line(next_word(text, p));
    float x = rect.Left + MeasureWidth(line);
    if (!line.empty() && line.back() == ' ') x = x + attribute_.WordSpace();

    while (p < text.size()) {
        bool forced_break = false;
        if (ends_with_crlf(line)) {
            line.resize(line.size() - 2);
            forced_break = true;
        }
        const std::string_view word = next_word(text, p);
        const float ww = MeasureWidth(word);
        if ((word_wrap && x + ww > rect.Right) || forced_break) {
            if (!line.empty()) show_line(line);
            line.clear();
            NextTextLine();
            top = top - attribute_.Leading();
            if (rect.Bottom + font_size > top) break;
            x = rect.Left;
        }
        x = x + ww;
        if (!word.empty() && word.back() == ' ') x = x + attribute_.WordSpace();
        line += word;
    }
    // A text that ends in a line break leaves it on the last line; it is not a character to show.
    if (ends_with_crlf(line)) line.resize(line.size() - 2);
    if (!line.empty()) show_line(line);
    EndText();
}

void PdfCanvas::SwitchPage(PdfDictionary* page) {
    if (page_ && attribute_.Font()) {
        page_->PutHidden("_Font", std::make_unique<PdfName>(attribute_.Font()->Name()));
        page_->PutHidden("_Font_Size", std::make_unique<PdfReal>(attribute_.FontSize()));
        page_->PutHidden("_Word_Space", std::make_unique<PdfReal>(attribute_.WordSpace()));
        page_->PutHidden("_Char_Space", std::make_unique<PdfReal>(attribute_.CharSpace()));
        page_->PutHidden("_HScalling", std::make_unique<PdfNumber>(attribute_.HorizontalScaling()));
        page_->PutHidden("_Leading", std::make_unique<PdfReal>(attribute_.Leading()));
    }
    page_ = page;
    contents_ = page ? dynamic_cast<PdfStream*>(page->Find("Contents")) : nullptr;
    if (!page) {
        attribute_.SetFont(nullptr);  // the fonts go with the document
        return;
    }
    if (const PdfName* font_name = page->FindName("_Font")) {
        attribute_.SetFont(&doc_->GetFont(font_name->Value()));
        auto real = [&](std::string_view key, float fallback) {
            const PdfReal* r = page->FindReal(key);
            return r ? static_cast<float>(r->Value()) : fallback;
        };
        attribute_.SetFontSize(real("_Font_Size", 10));
        attribute_.SetWordSpace(real("_Word_Space", 0));
        attribute_.SetCharSpace(real("_Char_Space", 0));
        const PdfNumber* scaling = page->FindNumber("_HScalling");
        attribute_.SetHorizontalScaling(static_cast<std::uint16_t>(scaling ? scaling->Value() : 100));
        attribute_.SetLeading(real("_Leading", 0));
    } else {
        attribute_.SetFont(nullptr);
        SelectFont("Arial", 10);
        attribute_.SetCharSpace(0);
        attribute_.SetWordSpace(0);
        attribute_.SetHorizontalScaling(100);
        attribute_.SetLeading(0);
    }
}

PdfDictionary* PdfCanvas::GetPage() const {
    if (!page_) throw PdfInvalidOperation("GetPage --the Page is nil");
    return page_;
}

int PdfCanvas::MediaHeight() const {
    const PdfArray* box = GetPage()->FindArray("MediaBox");
    const auto* height = box ? dynamic_cast<const PdfNumber*>(box->ItemAt(3)) : nullptr;
    return height ? height->Value() : doc_->DefaultPageHeight();
}

PdfArray& PdfCanvas::media_box() {
    PdfDictionary* page = GetPage();
    PdfArray* box = page->FindArray("MediaBox");
    bool usable = box && box->Count() == 4;
    for (int i = 0; usable && i < 4; ++i) usable = dynamic_cast<PdfNumber*>(box->ItemAt(i)) != nullptr;
    if (!usable) {
        page->Put("MediaBox", std::make_unique<PdfArray>(
                                  page->ObjectMgr(), std::initializer_list<std::int32_t>{
                                                         0, 0, doc_->DefaultPageWidth(),
                                                         doc_->DefaultPageHeight()}));
        box = page->FindArray("MediaBox");
    }
    return *box;
}

void PdfCanvas::SetMediaWidth(int value) {
    static_cast<PdfNumber*>(media_box().ItemAt(2))->SetValue(value);
}

void PdfCanvas::SetMediaHeight(int value) {
    static_cast<PdfNumber*>(media_box().ItemAt(3))->SetValue(value);
}

}  // namespace ijken::pdf
