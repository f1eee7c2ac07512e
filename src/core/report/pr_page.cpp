#include "core/report/pr_page.h"

#include "core/report/pr_item.h"

namespace ijken::report {

// ---- page ---------------------------------------------------------------------------------------

PRPage::PRPage(std::string name)
    : PRControl(std::move(name), 596, 842), measuring_doc_(std::make_unique<pdf::PdfDoc>()) {
    measuring_canvas_ = &measuring_doc_->BeginMeasuringDocument();
}

PRPage::~PRPage() = default;

void PRPage::set_margin(int& margin, int value) {
    if (value == margin || value < 0 || value >= Width() / 2) return;
    margin = value;
    Realign();
}

Rect PRPage::AlignArea() const {
    // Inside the page's frame of one unit, then inside the margins.
    return {1 + margin_left_, 1 + margin_top_, Width() - 1 - margin_right_, Height() - 1 - margin_bottom_};
}

void PRPage::Paint(forms::Painter& painter, int x, int y) const {
    painter.set_pen(forms::colour_none);
    painter.set_brush(clWhite);
    painter.draw_rect({x, y, Width(), Height()});
}

void PRPage::Print(PRCanvas& canvas) {
    pdf::PdfCanvas& pdf_canvas = canvas.PdfCanvas();
    pdf_canvas.SetMediaHeight(Height());
    pdf_canvas.SetMediaWidth(Width());
    if (auto handler = OnPrintPage) handler(*this, canvas);
    for (const auto& child : Children()) {
        if (PRPanel* panel = child->AsPanel()) panel->Print(canvas, child->BoundsRect());
    }
}

// ---- panel --------------------------------------------------------------------------------------

PRPanel::PRPanel(std::string name) : PRControl(std::move(name), 185, 100) {}

void PRPanel::Paint(forms::Painter& painter, int x, int y) const {
    painter.set_pen(forms::colour_none);
    painter.set_brush(clWhite);
    painter.draw_rect({x, y, Width(), Height()});
}

void PRPanel::print_children(PRCanvas& canvas, const Rect& r) {
    for (const auto& child : Children()) {
        const Rect own = child->BoundsRect();
        const Rect moved{own.Left + r.Left, own.Top + r.Top, own.Right + r.Left, own.Bottom + r.Top};
        if (PRPanel* panel = child->AsPanel()) {
            panel->Print(canvas, moved);
        } else if (PRItem* item = child->AsItem(); item != nullptr && item->Printable()) {
            item->Print(canvas, moved);
        }
    }
}

void PRPanel::Print(PRCanvas& canvas, const Rect& r) {
    print_children(canvas, r);
}

// ---- layout panel -------------------------------------------------------------------------------

PRLayoutPanel::PRLayoutPanel(std::string name) : PRPanel(std::move(name)) {}

void PRLayoutPanel::CheckParent(const PRControl& parent) const {
    if (dynamic_cast<const PRPage*>(&parent) == nullptr && dynamic_cast<const PRPanel*>(&parent) == nullptr) {
        throw ParentError("TPRPage can not set on " + std::string(parent.ClassName()));
    }
}

void PRLayoutPanel::Print(PRCanvas& canvas, const Rect& r) {
    if (auto handler = BeforePrint) handler(*this, canvas, r);
    if (r.Bottom - r.Top > 0) print_children(canvas, r);
    if (auto handler = AfterPrint) handler(*this, canvas, r);
}

}  // namespace ijken::report
