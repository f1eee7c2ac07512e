#pragma once
// Drawing on a page: every operation appends its content-stream operator, one line ended by LF, to
// the current page's contents. The canvas also keeps the text state and measures text with the
// same font widths that the page will be printed with.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/pdf/pdf_doc.h"

namespace ijken::pdf {

class PdfFont;

enum class Alignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// Left, top, right, bottom in PDF units (y upward, so top > bottom).
struct PdfRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
};

// A colour 0x00BBGGRR; 0 and negative values (system colours) print as black.
using PdfColor = std::int32_t;

// The real-number rule of the content stream: two decimals, rounded half up, in the general form
// (12 -> "12", 12.345 -> "12.35", 0.004 -> "0", -1.236 -> "-1.23").
std::string format_operand(double value);

// The text state of the canvas. Values outside the accepted range raise PdfInvalidValue and
// leave the stored value as it was; setting the current value does nothing.
class PdfCanvasAttribute {
public:
    float WordSpace() const { return word_space_; }
    float CharSpace() const { return char_space_; }
    float FontSize() const { return font_size_; }
    float Leading() const { return leading_; }
    std::uint16_t HorizontalScaling() const { return horizontal_scaling_; }
    PdfFont* Font() const { return font_; }

    void SetWordSpace(float value);           // >= 0
    void SetCharSpace(float value);           // -30 .. 300
    void SetFontSize(float value);            // 0 .. 300
    void SetLeading(float value);             // 0 .. 300
    void SetHorizontalScaling(std::uint16_t value);  // 10 .. 300
    void SetFont(PdfFont* font) { font_ = font; }

    // The width of a text and the number of its leading characters that fit a width.
    float TextWidth(std::string_view text) const;
    int MeasureText(std::string_view text, float width) const;

private:
    float char_advance(std::string_view text, int index) const;

    float word_space_ = 0;
    float char_space_ = 0;
    float font_size_ = 10;
    float leading_ = 0;
    std::uint16_t horizontal_scaling_ = 100;
    PdfFont* font_ = nullptr;
};

class PdfCanvas {
public:
    explicit PdfCanvas(PdfDoc& doc) : doc_(&doc) {}
    PdfCanvas(const PdfCanvas&) = delete;
    PdfCanvas& operator=(const PdfCanvas&) = delete;

    // ---- graphics state and paths
    void SaveState();
    void RestoreState();
    void SetDashPattern(const std::vector<std::uint8_t>& dash_array, std::uint8_t phase);
    void SetLineWidth(float width);
    void MovePenTo(float x, float y);
    void LineTo(float x, float y);
    void ClosePath();
    void EndPath();
    void StrokePath();
    void CloseAndStroke();
    void FillPath();
    void CloseFillAndStroke();
    void ClipPath();
    void SetFillColor(PdfColor color);
    void SetStrokeColor(PdfColor color);

    // ---- text
    void StartText();
    void EndText();
    void MoveTextTo(float x, float y);
    void NextTextLine();
    void ShowString(std::string_view text);
    void SetFontAndSize(std::string_view font_name, float size);
    void SetCharSpace(float value);
    void SetWordSpace(float value);
    void SetLeading(float value);
    void SelectFont(std::string_view name, float size);

    float MeasureWidth(std::string_view text) const { return attribute_.TextWidth(text); }
    int FitCount(std::string_view text, float width) const { return attribute_.MeasureText(text, width); }
    void DrawTextInRect(PdfRect rect, std::string_view text, Alignment alignment, bool clipping);
    void DrawWrappedText(PdfRect rect, std::string_view text, bool word_wrap);

    // ---- page
    void SwitchPage(PdfDictionary* page);
    PdfDictionary* GetPage() const;
    bool HasPage() const { return page_ != nullptr; }
    int MediaHeight() const;
    void SetMediaWidth(int value);
    void SetMediaHeight(int value);

    const PdfCanvasAttribute& Attribute() const { return attribute_; }
    PdfDoc& Doc() const { return *doc_; }
    bool NoOutput() const { return no_output_; }
    void SetNoOutput(bool value) { no_output_ = value; }

private:
    void write(std::string_view bytes);
    PdfArray& media_box();

    PdfStream* contents_ = nullptr;
    PdfDictionary* page_ = nullptr;
    PdfDoc* doc_;
    PdfCanvasAttribute attribute_;
    bool no_output_ = false;
};

}  // namespace ijken::pdf
