#include "core/report/pr_canvas.h"

#include "core/pdf/pdf_exceptions.h"

namespace ijken::report {

pdf::PdfCanvas& PRCanvas::PdfCanvas() const {
    if (canvas_ == nullptr) throw pdf::PdfInvalidOperation("PdfCanvas --no page is being printed.");
    return *canvas_;
}

void PRCanvas::DrawTextInRect(const Rect& r, std::string_view text, pdf::Alignment alignment, bool clipping) {
    pdf::PdfCanvas& canvas = PdfCanvas();
    canvas.DrawTextInRect(to_pdf(r, canvas.MediaHeight()), text, alignment, clipping);
}

}  // namespace ijken::report
