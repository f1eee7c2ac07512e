#pragma once
// Labels (one line of text) and text blocks (several lines).
#include <string>
#include <vector>

#include "core/report/pr_item.h"

namespace ijken::report {

class PRLabel : public PRCustomLabel {
  public:
    explicit PRLabel(std::string name = "PRLabel");

    std::string_view ClassName() const override { return "TPRLabel"; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string value) { caption_ = std::move(value); }
    pdf::Alignment Alignment() const { return alignment_; }
    void SetAlignment(pdf::Alignment value) { alignment_ = value; }
    bool Clipping() const { return clipping_; }
    void SetClipping(bool value) { clipping_ = value; }
    // Shares the spare width out between the characters.
    bool AlignJustified() const { return align_justified_; }
    void SetAlignJustified(bool value) { align_justified_ = value; }

    // The caption's width as the label prints it, rounded to whole units (halves to even). Needs
    // the label to stand on a page.
    int GetTextWidth();

    void Print(PRCanvas& canvas, const Rect& r) override;

  protected:
    void Paint(forms::Painter& painter, int x, int y) const override;

  private:
    // Font, colour and spacing of the label on a canvas (for printing and for measuring alike).
    // Measuring may leave the colour out: it changes no width, and formatting it is a good part of
    // the cost of a measurement.
    void font_setup(pdf::PdfCanvas& canvas, bool colour = true) const;
    pdf::PdfCanvas& measuring_canvas() const;

    std::string caption_;
    pdf::Alignment alignment_ = pdf::Alignment::taLeftJustify;
    bool clipping_ = false;
    bool align_justified_ = false;
};

class PRText : public PRCustomLabel {
  public:
    explicit PRText(std::string name = "PRText");

    std::string_view ClassName() const override { return "TPRText"; }

    const std::vector<std::string>& Lines() const { return lines_; }
    void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
    // The lines as one text: each followed by CR LF, then trimmed of leading and trailing
    // characters up to code 32 (so a blank first line is dropped).
    std::string Text() const;
    // Splits a text into lines at CR LF, LF or CR; an empty text empties the list.
    void SetText(std::string_view text);

    float Leading() const { return leading_; }
    // Only 0 or more; others are ignored.
    void SetLeading(float value);
    bool WordWrap() const { return word_wrap_; }
    void SetWordWrap(bool value) { word_wrap_ = value; }

    void Print(PRCanvas& canvas, const Rect& r) override;

  protected:
    void Paint(forms::Painter& painter, int x, int y) const override;

  private:
    void font_setup(pdf::PdfCanvas& canvas) const;

    std::vector<std::string> lines_;
    float leading_ = 14;
    bool word_wrap_ = false;
};

}  // namespace ijken::report
