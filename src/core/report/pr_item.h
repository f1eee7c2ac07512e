#pragma once
// Printable items: the base of labels, text blocks and shapes, and the font properties that labels
// and text blocks share.
#include <string>
#include <string_view>

#include "core/pdf/pdf_canvas.h"
#include "core/report/pr_canvas.h"
#include "core/report/pr_control.h"

namespace ijken::report {

// An item stands only on a panel; created 100 wide and 30 high.
class PRItem : public PRControl {
  public:
    explicit PRItem(std::string name);

    PRItem* AsItem() override { return this; }

    // Passed over in printing when false; the preview still shows it.
    bool Printable() const { return printable_; }
    void SetPrintable(bool value) { printable_ = value; }

    // Prints the item on the canvas; r is its rectangle in page coordinates. The base prints nothing.
    virtual void Print(PRCanvas& canvas, const Rect& r);

  protected:
    void CheckParent(const PRControl& parent) const override;

  private:
    bool printable_ = true;
};

enum class PRFontName : std::uint8_t { fnFixedWidth, fnArial, fnTimesRoman };

// Font properties of labels and text blocks. Each also has a screen font for the preview, sized so
// that one pixel is one unit.
class PRCustomLabel : public PRItem {
  public:
    explicit PRCustomLabel(std::string name);

    Color FontColor() const { return font_color_; }
    // A colour above 0x0FFFFFFF raises PdfInvalidValue and keeps the old one; system colours
    // (negative) are accepted.
    void SetFontColor(Color value);
    PRFontName FontName() const { return font_name_; }
    void SetFontName(PRFontName value) { font_name_ = value; }
    float FontSize() const { return font_size_; }
    // Only sizes above 0; others are ignored.
    void SetFontSize(float value);
    bool FontBold() const { return font_bold_; }
    void SetFontBold(bool value) { font_bold_ = value; }
    bool FontItalic() const { return font_italic_; }
    void SetFontItalic(bool value) { font_italic_ = value; }
    float CharSpace() const { return char_space_; }
    void SetCharSpace(float value) { char_space_ = value; }
    float WordSpace() const { return word_space_; }
    // Only 0 or more; others are ignored.
    void SetWordSpace(float value);

    // The PDF font by name, boldness and slant ("Arial-Bold").
    std::string_view PdfFontName() const;
    // The preview's font family ("Arial", "Courier New", "Times New Roman").
    std::string_view PreviewFontName() const;
    // The preview font's height in pixels, negative (character height): the font size at 0.75
    // (points at 96 dpi), rounded, in pixels.
    int ScreenFontHeight() const;

  protected:
    // Draws one line of text for the preview, character by character from (x, y), each advancing
    // by its PDF width and spacing as measured on canvas (whose font is set up already).
    void paint_text(forms::Painter& painter, float x, int y, std::string_view text,
                    const pdf::PdfCanvas& canvas) const;
    // Sets the preview font and text colour on the painter.
    void set_screen_font(forms::Painter& painter) const;

  private:
    Color font_color_ = clBlack;
    PRFontName font_name_ = PRFontName::fnArial;
    float font_size_ = 12;
    bool font_bold_ = false;
    bool font_italic_ = false;
    float char_space_ = 0;
    float word_space_ = 0;
};

}  // namespace ijken::report
