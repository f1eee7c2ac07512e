// The report's components: arrangement, the bytes they print, their preview, the report's states.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/pdf/pdf_exceptions.h"
#include "core/report/pr_label.h"
#include "core/report/pr_page.h"
#include "core/report/pr_rect.h"
#include "core/report/pr_report.h"
#include "pdf/pdf_test_util.h"

namespace ijken::report {
namespace {

using pdf::Alignment;

// The survey report's page: 546 x 842, margins 15, 15, 17, 15, one layout panel filling it.
class PageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        page.SetBounds(0, 0, 546, 842);
        page.SetMarginTop(15);
        page.SetMarginLeft(15);
        page.SetMarginRight(17);
        page.SetMarginBottom(15);
        body.SetAlign(Align::alClient);
        doc.SetClock([] { return pdf::testing::kFixedDate; });
        doc.BeginDocument();
        doc.AddPage();
        canvas.SetPdfCanvas(&doc.GetCanvas());
    }

    template <class T>
    T& item(const std::string& name, int x, int y, int w, int h) {
        auto& t = body.Add<T>(name);
        t.SetBounds(x, y, w, h);
        return t;
    }
    // The bytes that printing the page writes after the new page's own font line.
    std::string printed() {
        page.Print(canvas);
        const std::string& all =
            static_cast<pdf::PdfStream*>(doc.GetCanvas().GetPage()->Find("Contents"))->Data();
        return all.substr(std::string("/F0 10 Tf\n").size());
    }

    PRPage page{"PRPage1"};
    PRLayoutPanel& body = page.Add<PRLayoutPanel>("body");
    pdf::PdfDoc doc;
    PRCanvas canvas;
};

TEST_F(PageTest, ArrangesAlignedChildrenInsideFrameAndMargins) {
    EXPECT_EQ(body.BoundsRect(), (Rect{16, 16, 528, 826}));
    // Top parts stack in the order they were put on; one of height 0 takes no room.
    auto& a = body.Add<PRLayoutPanel>("a");
    a.SetHeight(20);
    a.SetAlign(Align::alTop);
    auto& hidden = body.Add<PRLayoutPanel>("hidden");
    hidden.SetHeight(20);
    hidden.SetAlign(Align::alTop);
    auto& b = body.Add<PRLayoutPanel>("b");
    b.SetHeight(8);
    b.SetAlign(Align::alTop);
    auto& rest = body.Add<PRLayoutPanel>("rest");
    rest.SetAlign(Align::alClient);
    auto& left = rest.Add<PRLayoutPanel>("left");
    left.SetWidth(281);
    left.SetAlign(Align::alLeft);
    auto& right = rest.Add<PRLayoutPanel>("right");
    right.SetAlign(Align::alClient);
    EXPECT_EQ(b.BoundsRect(), (Rect{0, 40, 512, 48}));
    hidden.SetHeight(0);
    EXPECT_EQ(hidden.BoundsRect(), (Rect{0, 20, 512, 20}));
    EXPECT_EQ(b.BoundsRect(), (Rect{0, 20, 512, 28}));
    EXPECT_EQ(rest.BoundsRect(), (Rect{0, 28, 512, 810}));
    EXPECT_EQ(left.BoundsRect(), (Rect{0, 0, 281, 782}));
    EXPECT_EQ(right.BoundsRect(), (Rect{281, 0, 512, 782}));
    // Growing again puts it back in its place.
    hidden.SetHeight(5);
    EXPECT_EQ(b.BoundsRect(), (Rect{0, 25, 512, 33}));
}

TEST(PageMargins, AreMeasuredAgainstHalfTheWidth) {
    PRPage page;  // 596 x 842, margins 32
    auto& body = page.Add<PRLayoutPanel>("body");
    body.SetAlign(Align::alClient);
    page.SetMarginLeft(300);  // not less than 298
    page.SetMarginRight(-1);
    page.SetMarginTop(297);  // accepted, whatever the height
    EXPECT_EQ(page.MarginLeft(), 32);
    EXPECT_EQ(page.MarginRight(), 32);
    EXPECT_EQ(page.MarginTop(), 297);
    EXPECT_EQ(body.BoundsRect(), (Rect{33, 298, 563, 809}));
}

TEST(ComponentParents, RefuseTheWrongParentAndStayWithTheCaller) {
    PRPage page;
    auto& panel = page.Add<PRPanel>("panel");
    auto& label = panel.Add<PRLabel>("label");
    std::unique_ptr<PRControl> item = std::make_unique<PRRect>("rect");
    try {
        page.Insert(item);
        FAIL() << "an item went onto a page";
    } catch (const ParentError& e) {
        EXPECT_STREQ(e.what(), "this component must set on TPRPanel");
    }
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Parent(), nullptr);
    std::unique_ptr<PRControl> layout = std::make_unique<PRLayoutPanel>("layout");
    try {
        label.Insert(layout);
        FAIL() << "a layout panel went onto a label";
    } catch (const ParentError& e) {
        EXPECT_STREQ(e.what(), "TPRPage can not set on TPRLabel");
    }
    EXPECT_EQ(layout->Parent(), nullptr);
    PRControl& inserted = panel.Insert(layout);
    EXPECT_EQ(&inserted, page.Find("layout"));
}

// ---- labels ----------------------------------------------------------------------------------

TEST_F(PageTest, LabelsPrintFontSetupThenTextAtTheirAlignment) {
    // "212.0 CM" measures 52.02 at Arial 12; "Leeg" 26.688.
    item<PRLabel>("right", 204, 276, 65, 15).SetCaption("212.0 CM");
    auto& right = body.Get<PRLabel>("right");
    right.SetAlignment(Alignment::taRightJustify);
    auto& left = item<PRLabel>("left", 204, 276, 80, 15);
    left.SetCaption("Leeg");
    auto& centre = item<PRLabel>("centre", 204, 276, 80, 15);
    centre.SetCaption("Leeg");
    centre.SetAlignment(Alignment::taCenter);
    centre.SetFontColor(clGray);
    item<PRLabel>("empty", 0, 0, 80, 15);
    EXPECT_EQ(right.GetTextWidth(), 52);
    EXPECT_EQ(body.Get<PRLabel>("empty").GetTextWidth(), 0);
    // Page y 292: baseline 842 - 292 - 10.2 = 539.8. The font line is written once, the colour
    // each time; the empty label prints nothing.
    EXPECT_EQ(printed(),
              "/F0 12 Tf\n0 0 0 rg\nBT\n233 539.8 Td\n(212.0 CM) Tj\nET\n"
              "0 0 0 rg\nBT\n220 539.8 Td\n(Leeg) Tj\nET\n"
              "0.5 0.5 0.5 rg\nBT\n247 539.8 Td\n(Leeg) Tj\nET\n");
}

TEST_F(PageTest, JustifiedLabelsShareOutTheSpareWidth) {
    auto& five = item<PRLabel>("five", 0, 0, 100, 15);
    five.SetCaption("00000");  // 55.6 at size 20
    five.SetFontSize(20);
    five.SetAlignJustified(true);
    auto& ten = item<PRLabel>("ten", 0, 20, 100, 15);
    ten.SetCaption("0000000000");  // 111.2: no room to share
    ten.SetFontSize(20);
    ten.SetAlignJustified(true);
    EXPECT_EQ(five.GetTextWidth(), 100);
    EXPECT_EQ(ten.GetTextWidth(), 111);
    const std::string bytes = printed();
    EXPECT_NE(bytes.find("11.1 Tc\nBT\n16 809 Td\n(00000) Tj"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("0 Tc\nBT\n16 789 Td\n(0000000000) Tj"), std::string::npos) << bytes;
}

TEST(LabelColour, RefusesColoursBeyondTheRgbRange) {
    PRLabel label;
    label.SetFontColor(-16);  // a system colour
    try {
        label.SetFontColor(0x10000000);
        FAIL();
    } catch (const pdf::PdfInvalidValue& e) {
        EXPECT_STREQ(e.what(), "the color you selected is not allowed.");
    }
    EXPECT_EQ(label.FontColor(), -16);
    label.SetFontSize(0);
    label.SetWordSpace(-1);
    EXPECT_EQ(label.FontSize(), 12);
    EXPECT_EQ(label.WordSpace(), 0);
}

TEST_F(PageTest, LabelPreviewPlacesEachCharacterAtItsPdfAdvance) {
    auto& centre = item<PRLabel>("centre", 204, 276, 80, 15);
    centre.SetCaption("Leeg\r\n");
    centre.SetAlignment(Alignment::taCenter);
    auto& bold = item<PRLabel>("bold", 0, 0, 100, 30);
    bold.SetCaption("A");
    bold.SetFontBold(true);
    bold.SetFontSize(25);
    bold.SetFontColor(-5);
    bold.SetPrintable(false);
    forms::RecordingPainter painter;
    page.PaintPage(painter);
    const std::vector<std::string> expected = {
        "pen 536870911 1", "brush 16777215", "rect 0 0 546 842",    // the page
        "pen 536870911 1", "brush 16777215", "rect 16 16 512 810",  // the panel
        // Each letter of "Leeg" advances 6.672; the final line break is not drawn.
        "fontface Arial -12 0 0", "pen 0 1", "text 247 292 L", "text 254 292 e", "text 260 292 e",
        "text 267 292 g",
        // Size 25 shows at 19 points, 25 pixels; a system colour as black; drawn though not printed.
        "fontface Arial -25 1 0", "pen 0 1", "text 16 16 A"};
    EXPECT_EQ(painter.calls(), expected);
    EXPECT_EQ(printed().find("(A)"), std::string::npos);
}

// ---- text blocks -------------------------------------------------------------------------------

TEST_F(PageTest, TextBlocksPrintTrimmedButPreviewEveryLine) {
    auto& text = item<PRText>("text", 0, 0, 200, 85);
    text.SetLines({" ", ": Grain Coop 3", ": Melun"});
    EXPECT_EQ(text.Text(), ": Grain Coop 3\r\n: Melun");
    EXPECT_EQ(printed(),
              "/F0 12 Tf\n0 0 0 rg\n14 TL\nBT\n16 815.8 Td\n(: Grain Coop 3) Tj\nT*\n(: Melun) Tj\nET\n");

    forms::RecordingPainter painter;
    page.PaintPage(painter);
    std::vector<std::string> colons;
    for (const std::string& call : painter.calls()) {
        if (call.ends_with(" :")) colons.push_back(call);
    }
    EXPECT_EQ(colons, (std::vector<std::string>{"text 16 30 :", "text 16 44 :"}));
}

TEST(TextBlockText, SplitsAtEveryKindOfLineBreak) {
    PRText text;
    text.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(text.Lines(), (std::vector<std::string>{"a", "b", "c", "d"}));
    text.SetText("");
    EXPECT_TRUE(text.Lines().empty());
}

// ---- rectangles -------------------------------------------------------------------------------

struct RectCase {
    const char* label;
    int w, h;
    Color line;
    PenStyle style;
    Color fill;
    const char* expected;
};
class RectPrinting : public PageTest, public ::testing::WithParamInterface<RectCase> {};

TEST_P(RectPrinting, BuildsAndPaintsItsPath) {
    const RectCase& c = GetParam();
    auto& rect = item<PRRect>("rect", 0, 121, c.w, c.h);  // page (16, 137)
    rect.SetLineColor(c.line);
    rect.SetLineStyle(c.style);
    rect.SetFillColor(c.fill);
    EXPECT_EQ(printed(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RectPrinting,
    ::testing::Values(
        RectCase{"ReportRule", 512, 2, clBlack, PenStyle::psSolid, clNone,
                 "[] 0 d\n16 705 m\n527 705 l\n527 704 l\n16 704 l\n0 0 0 RG\n0 w\ns\n"},
        RectCase{"OneByOne", 1, 1, clBlack, PenStyle::psSolid, clNone, ""},
        RectCase{"Line", 100, 1, clBlack, PenStyle::psSolid, clNone,
                 "[] 0 d\n16 705 m\n115 705 l\n0 0 0 RG\n0 w\nS\nn\n"},
        RectCase{"LineWithoutColour", 100, 1, clNone, PenStyle::psSolid, clNone, ""},
        RectCase{"HollowWithoutColour", 100, 50, clNone, PenStyle::psSolid, clNone,
                 "[] 0 d\n16 705 m\n115 705 l\n115 656 l\n16 656 l\nn\n"},
        RectCase{"DashedAndFilled", 100, 50, clBlack, PenStyle::psDash, 0x0000FF,
                 "[16 8 ] 0 d\n16 705 m\n115 705 l\n115 656 l\n16 656 l\n1 0 0 rg\n0 0 0 RG\n0 w\nb\n"},
        RectCase{"FilledWithoutOutline", 100, 50, clBlack, PenStyle::psClear, 0x0000FF,
                 "16 705 m\n115 705 l\n115 656 l\n16 656 l\n1 0 0 rg\n0 0 0 RG\n0 w\nh\nf\n"}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- layout panels -------------------------------------------------------------------------------

TEST_F(PageTest, LayoutPanelOfNoHeightPrintsNoChildrenButStillReportsItsEvents) {
    auto& row = body.Add<PRLayoutPanel>("row");
    row.SetHeight(20);
    row.SetAlign(Align::alTop);
    auto& shaft = row.Add<PRLabel>("shaft");
    shaft.SetCaption("|");
    std::vector<std::string> events;
    row.BeforePrint = [&](PRLayoutPanel&, PRCanvas&, Rect r) {
        events.push_back("before " + std::to_string(r.Bottom - r.Top));
    };
    row.AfterPrint = [&](PRLayoutPanel&, PRCanvas&, Rect r) {
        events.push_back("after " + std::to_string(r.Top));
    };
    row.SetHeight(0);
    EXPECT_EQ(printed(), "");
    EXPECT_EQ(events, (std::vector<std::string>{"before 0", "after 16"}));
}

// ---- the report --------------------------------------------------------------------------------------

TEST(Report, RefusesDocumentPropertiesWhileADocumentIsOpen) {
    PReport report;
    report.SetClock([] { return pdf::testing::kFixedDate; });
    report.SetNonFullScreenPageMode(pdf::PdfPageMode::pmFullScreen);
    EXPECT_EQ(report.NonFullScreenPageMode(), pdf::PdfPageMode::pmUseNone);
    report.SetAuthor("skipper");
    report.StartDocument();
    const std::vector<std::pair<std::string, std::function<void()>>> setters = {
        {"SetAuthor", [&] { report.SetAuthor("x"); }},
        {"SetCreationDate", [&] { report.SetCreationDate(1); }},
        {"SetCreator", [&] { report.SetCreator("x"); }},
        {"SetKeyWords", [&] { report.SetKeywords("x"); }},
        {"SetModDate", [&] { report.SetModDate(1); }},
        {"SetSubject", [&] { report.SetSubject("x"); }},
        {"SetTitle", [&] { report.SetTitle("x"); }},
        {"SetPageLayout", [&] { report.SetPageLayout(pdf::PdfPageLayout::plOneColumn); }},
        {"SetPageMode", [&] { report.SetPageMode(pdf::PdfPageMode::pmUseThumbs); }},
        {"SetNonFullScreenPageMode", [&] { report.SetNonFullScreenPageMode(pdf::PdfPageMode::pmUseThumbs); }},
        {"SetUseOutlines", [&] { report.SetUseOutlines(true); }},
        {"SetViewerPreference", [&] { report.SetViewerPreference({pdf::PdfViewerPreference::vpFitWindow}); }},
    };
    for (const auto& [name, set] : setters) {
        try {
            set();
            ADD_FAILURE() << name << " was accepted";
        } catch (const pdf::PdfInvalidOperation& e) {
            EXPECT_EQ(std::string(e.what()), name + " --invalid operation.");
        }
    }
    EXPECT_EQ(report.Author(), "skipper");
    EXPECT_FALSE(report.UseOutlines());
    report.SetFileName("other.pdf");
    report.SetCompressionMethod(pdf::PdfCompressionMethod::cmFlateDecode);
    EXPECT_EQ(report.FileName(), "other.pdf");
    report.DiscardDocument();
    try {
        report.EndDocument();
        FAIL();
    } catch (const InvalidOperation& e) {
        EXPECT_STREQ(e.what(), "document is null..");
    }
}

TEST(Report, WritesOnePagePerPrintPageAndDiscardsAnUnfinishedDocument) {
    ijken::testing::TempDir dir;
    PReport report;
    report.SetClock([] { return pdf::testing::kFixedDate; });
    report.SetFileName(dir.dir() + "first.pdf");
    PRPage page;
    report.StartDocument();
    report.PrintPage(page);
    report.StartDocument();  // the first document goes unwritten
    report.PrintPage(page);
    report.PrintPage(page);
    EXPECT_EQ(report.PageCount(), 2);
    report.SetFileName(dir.dir() + "second.pdf");
    report.EndDocument();
    EXPECT_FALSE(report.Printing());
    EXPECT_FALSE(std::filesystem::exists(dir.dir() + "first.pdf"));
    std::ifstream in(dir.dir() + "second.pdf", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(pdf::testing::qpdf_problems(bytes), "");
    EXPECT_NE(bytes.find("/Count 2"), std::string::npos);
    EXPECT_NE(bytes.find("/MediaBox [0 0 596 842 ]"), std::string::npos);
    EXPECT_EQ(bytes.find("NonFullScreenPageMode"), std::string::npos);
}

TEST(Report, AFileThatCannotBeWrittenLeavesTheDocumentOpenAndNoFile) {
    ijken::testing::TempDir dir;
    PReport report;
    PRPage page;
    report.SetFileName(dir.dir() + "missing/report.pdf");
    report.StartDocument();
    report.PrintPage(page);
    EXPECT_THROW(report.EndDocument(), std::system_error);
    EXPECT_TRUE(report.Printing());
    report.SetFileName(dir.dir() + "report.pdf");
    report.EndDocument();
    EXPECT_TRUE(std::filesystem::exists(dir.dir() + "report.pdf"));
}

}  // namespace
}  // namespace ijken::report
