#pragma once
// The page and the panels of a report.
#include <functional>
#include <memory>

#include "core/pdf/pdf_doc.h"
#include "core/report/pr_canvas.h"
#include "core/report/pr_control.h"

namespace ijken::report {

class PRPage;

using PRPrintPageEvent = std::function<void(PRPage& sender, PRCanvas& canvas)>;

// A page: 596 x 842 (A4 in points) with margins of 32 unless set otherwise. Its aligned children
// are arranged inside its one-unit frame and the margins. Each page keeps a measuring document of
// its own, so that its labels measure text with the very font metrics the PDF is printed with.
class PRPage : public PRControl {
  public:
    explicit PRPage(std::string name = "PRPage");
    ~PRPage() override;

    std::string_view ClassName() const override { return "TPRPage"; }
    bool IsContainer() const override { return true; }
    PRPage* AsPage() override { return this; }

    int MarginTop() const { return margin_top_; }
    int MarginLeft() const { return margin_left_; }
    int MarginRight() const { return margin_right_; }
    int MarginBottom() const { return margin_bottom_; }
    // A margin that is negative, or not less than half the width (for all four margins), is
    // ignored.
    void SetMarginTop(int value) { set_margin(margin_top_, value); }
    void SetMarginLeft(int value) { set_margin(margin_left_, value); }
    void SetMarginRight(int value) { set_margin(margin_right_, value); }
    void SetMarginBottom(int value) { set_margin(margin_bottom_, value); }

    bool Visible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }

    PRPrintPageEvent OnPrintPage;

    // The canvas of the measuring document: writes nothing, measures as the PDF prints.
    pdf::PdfCanvas& MeasuringCanvas() { return *measuring_canvas_; }

    // Prints the page on the canvas's current PDF page: media size, OnPrintPage, then every panel
    // among the children in order.
    void Print(PRCanvas& canvas);

    // Draws the whole page, its top left corner at (0, 0).
    void PaintPage(forms::Painter& painter) const { PaintTree(painter, 0, 0); }

  protected:
    Rect AlignArea() const override;
    void Paint(forms::Painter& painter, int x, int y) const override;

  private:
    void set_margin(int& margin, int value);

    int margin_top_ = 32;
    int margin_left_ = 32;
    int margin_right_ = 32;
    int margin_bottom_ = 32;
    bool visible_ = true;
    std::unique_ptr<pdf::PdfDoc> measuring_doc_;
    pdf::PdfCanvas* measuring_canvas_ = nullptr;
};

// A panel: prints and paints its children; unrestricted in where it stands.
class PRPanel : public PRControl {
  public:
    explicit PRPanel(std::string name = "PRPanel");

    std::string_view ClassName() const override { return "TPRPanel"; }
    bool IsContainer() const override { return true; }
    PRPanel* AsPanel() override { return this; }

    // Prints the children onto the canvas; r is this panel's rectangle in page coordinates.
    virtual void Print(PRCanvas& canvas, const Rect& r);

  protected:
    void Paint(forms::Painter& painter, int x, int y) const override;
    void print_children(PRCanvas& canvas, const Rect& r);
};

class PRLayoutPanel;
using PRPrintPanelEvent = std::function<void(PRLayoutPanel& sender, PRCanvas& canvas, Rect r)>;

// A panel that stands only on a page or a panel, with events around its printing. Of height 0 it
// prints none of its children (and takes no room among aligned siblings).
class PRLayoutPanel : public PRPanel {
  public:
    explicit PRLayoutPanel(std::string name = "PRLayoutPanel");

    std::string_view ClassName() const override { return "TPRLayoutPanel"; }

    PRPrintPanelEvent BeforePrint;
    PRPrintPanelEvent AfterPrint;

    void Print(PRCanvas& canvas, const Rect& r) override;

  protected:
    void CheckParent(const PRControl& parent) const override;
};

}  // namespace ijken::report
