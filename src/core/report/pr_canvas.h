#pragma once
// What the report's components print on: the PDF canvas of the page being printed, with the
// conversion from page units (y downward from the top) to PDF coordinates (y upward).
#include <string_view>

#include "core/pdf/pdf_canvas.h"
#include "core/report/pr_control.h"

namespace ijken::report {

class PRCanvas {
  public:
    // The canvas of the document being printed; set by the report before each page and valid only
    // while that page prints.
    pdf::PdfCanvas& PdfCanvas() const;
    void SetPdfCanvas(pdf::PdfCanvas* canvas) { canvas_ = canvas; }

    // Draws one line of text in a rectangle of the page, with the canvas's current font.
    void DrawTextInRect(const Rect& r, std::string_view text, pdf::Alignment alignment, bool clipping);

  private:
    pdf::PdfCanvas* canvas_ = nullptr;
};

// A page rectangle as PDF coordinates on a page of height h.
inline pdf::PdfRect to_pdf(const Rect& r, int h) {
    return {static_cast<float>(r.Left), static_cast<float>(h - r.Top), static_cast<float>(r.Right),
            static_cast<float>(h - r.Bottom)};
}

}  // namespace ijken::report
