#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/pdf/pdf_canvas.h"
#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_fonts.h"
#include "pdf_test_util.h"

namespace ijken::pdf {
namespace {

using testing::kFixedDate;

// A document with one page whose content stream the tests read back.
class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.SetClock([] { return kFixedDate; });
        doc.BeginDocument();
        doc.AddPage();
    }
    PdfCanvas& canvas() { return doc.GetCanvas(); }
    std::string& content() { return static_cast<PdfStream*>(canvas().GetPage()->Find("Contents"))->Data(); }
    // The bytes written by the call, leaving the page's earlier content out.
    std::string written_by(const std::function<void(PdfCanvas&)>& call) {
        const std::size_t before = content().size();
        call(canvas());
        return content().substr(before);
    }

    PdfDoc doc;
};

TEST_F(CanvasTest, NewPageStartsWithTheDefaultFont) { EXPECT_EQ(content(), "/F0 10 Tf\n"); }

// ---- operators ------------------------------------------------------------------------------

struct OperatorCase {
    const char* label;
    std::function<void(PdfCanvas&)> call;
    std::string expected;
};
class CanvasOperators : public CanvasTest, public ::testing::WithParamInterface<OperatorCase> {};

TEST_P(CanvasOperators, WritesExactBytes) { EXPECT_EQ(written_by(GetParam().call), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Operators, CanvasOperators,
    ::testing::Values(
        OperatorCase{"SaveRestore", [](PdfCanvas& c) { c.SaveState(); c.RestoreState(); }, "q\nQ\n"},
        OperatorCase{"PathPainting",
                     [](PdfCanvas& c) {
                         c.ClosePath(); c.EndPath(); c.StrokePath(); c.CloseAndStroke();
                         c.FillPath(); c.CloseFillAndStroke(); c.ClipPath();
                     },
                     "h\nn\nS\ns\nf\nb\nW\n"},
        OperatorCase{"Text", [](PdfCanvas& c) { c.StartText(); c.NextTextLine(); c.EndText(); }, "BT\nT*\nET\n"},
        OperatorCase{"MoveAndLine", [](PdfCanvas& c) { c.MovePenTo(16, 705); c.LineTo(527.5f, 704.25f); },
                     "16 705 m\n527.5 704.25 l\n"},
        OperatorCase{"RoundsHalfUp", [](PdfCanvas& c) { c.MoveTextTo(12.345f, 0.004f); }, "12.35 0 Td\n"},
        OperatorCase{"NegativeTruncatesTowardZero", [](PdfCanvas& c) { c.MoveTextTo(-1.236f, -0.006f); },
                     "-1.23 0 Td\n"},
        OperatorCase{"LineWidth", [](PdfCanvas& c) { c.SetLineWidth(0); c.SetLineWidth(0.5f); }, "0 w\n0.5 w\n"},
        OperatorCase{"SolidDash", [](PdfCanvas& c) { c.SetDashPattern({0}, 0); c.SetDashPattern({}, 0); },
                     "[] 0 d\n[] 0 d\n"},
        OperatorCase{"Dash", [](PdfCanvas& c) { c.SetDashPattern({8, 7, 2, 7}, 3); }, "[8 7 2 7 ] 3 d\n"},
        OperatorCase{"FillColor", [](PdfCanvas& c) { c.SetFillColor(0x0000FF); }, "1 0 0 rg\n"},
        OperatorCase{"StrokeGrey", [](PdfCanvas& c) { c.SetStrokeColor(0x808080); }, "0.5 0.5 0.5 RG\n"},
        OperatorCase{"ColourChannels", [](PdfCanvas& c) { c.SetFillColor(0x336699); }, "0.6 0.4 0.2 rg\n"},
        OperatorCase{"SystemColourIsBlack",
                     [](PdfCanvas& c) { c.SetFillColor(static_cast<PdfColor>(0x8000000F)); },
                     "0 0 0 rg\n"},
        OperatorCase{"ShowStringEscapes", [](PdfCanvas& c) { c.ShowString("Vol (t) \\ 5"); },
                     "(Vol \\(t\\) \\\\ 5) Tj\n"},
        OperatorCase{"FontAndSize", [](PdfCanvas& c) { c.SetFontAndSize("/F3", 12.5f); }, "/F3 12.5 Tf\n"},
        OperatorCase{"Spacing",
                     [](PdfCanvas& c) { c.SetCharSpace(1.5f); c.SetWordSpace(2); c.SetLeading(14); },
                     "1.5 Tc\n2 Tw\n14 TL\n"},
        OperatorCase{"SpacingUnchangedWritesNothing",
                     [](PdfCanvas& c) { c.SetCharSpace(0); c.SetWordSpace(0); c.SetLeading(0); }, ""},
        OperatorCase{"SameFontAndSizeWritesNothing", [](PdfCanvas& c) { c.SelectFont("Arial", 10); }, ""},
        OperatorCase{"SameFontOtherSize", [](PdfCanvas& c) { c.SelectFont("Arial", 12); }, "/F0 12 Tf\n"},
        OperatorCase{"SecondFont", [](PdfCanvas& c) { c.SelectFont("Times-Roman", 10); }, "/F1 10 Tf\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CanvasTest, SelectFontAddsTheFontToThePageResourcesOnce) {
    canvas().SelectFont("Arial-Bold", 12);
    canvas().SelectFont("Arial", 12);
    canvas().SelectFont("Arial-Bold", 14);
    const PdfDictionary* fonts = canvas().GetPage()->FindDictionary("Resources")->FindDictionary("Font");
    EXPECT_EQ(fonts->ItemCount(), 2);
    EXPECT_EQ(fonts->FindDictionary("F1"), doc.GetFont("Arial-Bold").Data());
}

// ---- text state ranges ----------------------------------------------------------------------

struct RangeCase {
    const char* label;
    std::function<void(PdfCanvas&)> call;
    const char* message;
};
class CanvasRanges : public CanvasTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(CanvasRanges, RefusesAndKeepsTheValue) {
    canvas().SetCharSpace(2);
    canvas().SetWordSpace(3);
    canvas().SetLeading(14);
    const std::string before = content();
    try {
        GetParam().call(canvas());
        FAIL() << "no exception";
    } catch (const PdfInvalidValue& e) {
        EXPECT_STREQ(e.what(), GetParam().message);
    }
    EXPECT_EQ(content(), before);
    const PdfCanvasAttribute& a = canvas().Attribute();
    EXPECT_EQ(a.CharSpace(), 2);
    EXPECT_EQ(a.WordSpace(), 3);
    EXPECT_EQ(a.Leading(), 14);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, CanvasRanges,
    ::testing::Values(
        RangeCase{"CharSpaceLow", [](PdfCanvas& c) { c.SetCharSpace(-30.01f); }, "SetCharSpace --invalid char space"},
        RangeCase{"CharSpaceHigh", [](PdfCanvas& c) { c.SetCharSpace(300.5f); }, "SetCharSpace --invalid char space"},
        RangeCase{"CharSpaceNaN", [](PdfCanvas& c) { c.SetCharSpace(std::nanf("")); },
                  "SetCharSpace --invalid char space"},
        RangeCase{"WordSpaceNegative", [](PdfCanvas& c) { c.SetWordSpace(-0.5f); }, "SetWordSpace --invalid word space"},
        RangeCase{"LeadingHigh", [](PdfCanvas& c) { c.SetLeading(301); }, "SetLeading --invalid font size"},
        RangeCase{"LeadingNegative", [](PdfCanvas& c) { c.SetLeading(-1); }, "SetLeading --invalid font size"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CanvasTest, RangeBoundsAreInclusive) {
    EXPECT_NO_THROW(canvas().SetCharSpace(-30));
    EXPECT_NO_THROW(canvas().SetCharSpace(300));
    EXPECT_NO_THROW(canvas().SetLeading(300));
    EXPECT_NO_THROW(canvas().SelectFont("Arial", 300));
    EXPECT_NO_THROW(canvas().SelectFont("Arial", 0));
}

TEST_F(CanvasTest, FontSizeOutOfRangeIsWrittenBeforeItIsRefused) {
    try {
        canvas().SelectFont("Times-Roman", 301);
        FAIL() << "no exception";
    } catch (const PdfInvalidValue& e) {
        EXPECT_STREQ(e.what(), "SetCharSpace --invalid font size");
    }
    EXPECT_EQ(content(), "/F0 10 Tf\n/F1 301 Tf\n");
    EXPECT_EQ(canvas().Attribute().FontSize(), 10);
}

// ---- measuring --------------------------------------------------------------------------------

struct WidthCase {
    const char* font;
    float size;
    const char* text;
    float width;
};
class CanvasWidths : public CanvasTest, public ::testing::WithParamInterface<WidthCase> {};

TEST_P(CanvasWidths, MeasuresPublishedWidths) {
    canvas().SelectFont(GetParam().font, GetParam().size);
    EXPECT_FLOAT_EQ(canvas().MeasureWidth(GetParam().text), GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, CanvasWidths,
    ::testing::Values(WidthCase{"Arial", 10, "A", 6.67f}, WidthCase{"Arial", 12, "212.0 CM", 52.02f},
                      WidthCase{"Arial", 12, "Leeg", 26.688f}, WidthCase{"Arial", 12, "----------- +", 54.3f},
                      WidthCase{"Arial-Bold", 10, "AW", 16.66f}, WidthCase{"Times-Roman", 10, "Wa0", 18.88f},
                      WidthCase{"Times-Italic", 10, "A", 6.11f}, WidthCase{"FixedWidth", 10, "iW\x80\xA0", 24.0f},
                      WidthCase{"Arial", 10, "\x80\xA0\xAD\x7F\t", 5.56f}, WidthCase{"Arial", 10, "", 0.0f}));

TEST_F(CanvasTest, CharSpaceIsAddedBetweenCharactersOnly) {
    canvas().SetCharSpace(1);
    EXPECT_FLOAT_EQ(canvas().MeasureWidth("AA"), 2 * 6.67f + 1);
    EXPECT_FLOAT_EQ(canvas().MeasureWidth(""), -1);
    // A character without width gets no spacing either.
    EXPECT_FLOAT_EQ(canvas().MeasureWidth("A\xA0" "A"), 2 * 6.67f + 1);
}

TEST_F(CanvasTest, WordSpaceFollowsInnerBlanksOnly) {
    canvas().SetWordSpace(5);
    const float blank = 2.78f;
    EXPECT_FLOAT_EQ(canvas().MeasureWidth("A A"), 2 * 6.67f + blank + 5);
    EXPECT_FLOAT_EQ(canvas().MeasureWidth("A "), 6.67f + blank);
}

TEST_F(CanvasTest, FitCountStopsBeforeTheCharacterThatOverflows) {
    EXPECT_EQ(canvas().FitCount("AAAA", 20.01f), 3);
    EXPECT_EQ(canvas().FitCount("AAAA", 20.0f), 2);  // three are 20.01 wide
    EXPECT_EQ(canvas().FitCount("AAAA", 100), 4);
    EXPECT_EQ(canvas().FitCount("AAAA", 0), 0);
    canvas().SetCharSpace(10);  // not subtracted at the end
    EXPECT_EQ(canvas().FitCount("AA", 2 * 16.67f - 5), 1);
}

// The width tables agree with the published metrics, with the program's adjustments.
TEST(StandardFonts, WidthTablesMatchTheReferenceData) {
    std::ifstream in(std::string(IJKEN_TEST_DATA_DIR) + "/standard-font-widths.tsv");
    ASSERT_TRUE(in) << "reference data missing";
    const std::pair<const char*, const char*> names[] = {
        {"Courier", "FixedWidth"}, {"Courier-Bold", "FixedWidth-Bold"},
        {"Courier-Oblique", "FixedWidth-Italic"}, {"Courier-BoldOblique", "FixedWidth-BoldItalic"},
        {"Helvetica", "Arial"}, {"Helvetica-Bold", "Arial-Bold"},
        {"Helvetica-Oblique", "Arial-Italic"}, {"Helvetica-BoldOblique", "Arial-BoldItalic"},
        {"Times-Roman", "Times-Roman"}, {"Times-Bold", "Times-Bold"},
        {"Times-Italic", "Times-Italic"}, {"Times-BoldItalic", "Times-BoldItalic"}};
    PdfDoc doc;
    doc.BeginDocument();
    int rows = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::string base = line.substr(0, line.find('\t'));
        std::istringstream numbers(line.substr(line.find('\t') + 1));
        std::vector<int> published((std::istream_iterator<int>(numbers)), std::istream_iterator<int>());
        ASSERT_EQ(published.size(), 224u) << base;
        const char* registered = nullptr;
        for (const auto& [b, r] : names) {
            if (base == b) registered = r;
        }
        ASSERT_NE(registered, nullptr) << base;
        PdfFont& font = doc.GetFont(registered);
        EXPECT_EQ(font.Data()->FindName("BaseFont")->Value(), base);
        const bool courier = base.rfind("Courier", 0) == 0;
        for (int code = 0; code < 256; ++code) {
            int expected;
            if (code < 32) expected = 0;
            else if (courier) expected = 600;
            else if (code == 127 || code == 129 || code == 141 || code == 143 || code == 144 || code == 157 ||
                     code == 160 || code == 173) expected = 0;
            else if (code == 128) expected = published['0' - 32];
            else expected = published[code - 32];
            const std::string ch(1, static_cast<char>(code));
            EXPECT_EQ(font.CharWidth(ch, 1), expected) << base << " code " << code;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 12);
}

// ---- text in a rectangle ----------------------------------------------------------------------

TEST_F(CanvasTest, DrawTextInRectPlacesTheBaseline) {
    canvas().SelectFont("Arial", 12);
    EXPECT_EQ(written_by([](PdfCanvas& c) {
                  c.DrawTextInRect({16, 550, 81, 536}, "Leeg", Alignment::taLeftJustify, false);
              }),
              "BT\n16 539.8 Td\n(Leeg) Tj\nET\n");
}

TEST_F(CanvasTest, CentringRoundsHalvesToEven) {
    canvas().SelectFont("FixedWidth", 10);  // "AA" is 12 points wide
    // (21 - 12) / 2 = 4.5 rounds down to 4, (23 - 12) / 2 = 5.5 up to 6.
    EXPECT_EQ(written_by([](PdfCanvas& c) {
                  c.DrawTextInRect({100, 200, 121, 180}, "AA", Alignment::taCenter, false);
                  c.DrawTextInRect({100, 200, 123, 180}, "AA", Alignment::taCenter, false);
              }),
              "BT\n104 191.5 Td\n(AA) Tj\nET\nBT\n106 191.5 Td\n(AA) Tj\nET\n");
}

TEST_F(CanvasTest, RightAlignmentUsesTheRoundedWidth) {
    canvas().SelectFont("Arial", 12);  // "Leeg" is 26.688 wide, rounded 27
    EXPECT_EQ(written_by([](PdfCanvas& c) {
                  c.DrawTextInRect({10, 100, 75, 80}, "Leeg", Alignment::taRightJustify, false);
              }),
              "BT\n48 89.8 Td\n(Leeg) Tj\nET\n");
}

TEST_F(CanvasTest, ClippingWrapsTheTextInAClipPath) {
    EXPECT_EQ(written_by([](PdfCanvas& c) {
                  c.DrawTextInRect({10, 100, 50, 80}, "Lading", Alignment::taLeftJustify, true);
              }),
              "q\n10 100 m\n10 80 l\n50 80 l\n50 100 l\nh\nW\nn\nBT\n10 91.5 Td\n(Lading) Tj\nET\nQ\n");
}

// ---- wrapped text -----------------------------------------------------------------------------

class WrappedText : public CanvasTest {
protected:
    std::string draw(PdfRect rect, std::string_view text, bool wrap) {
        canvas().SelectFont("FixedWidth", 10);  // 6 points a character
        canvas().SetLeading(12);
        return written_by([&](PdfCanvas& c) { c.DrawWrappedText(rect, text, wrap); });
    }
};

TEST_F(WrappedText, WithoutWrapBreaksOnlyAtLineBreaks) {
    EXPECT_EQ(draw({0, 100, 30, 0}, "een twee\r\ndrie", false),
              "BT\n0 91.5 Td\n(een t) Tj\nT*\n(drie) Tj\nET\n");
}

TEST_F(WrappedText, WithWrapAWordThatDoesNotFitStartsTheNextLine) {
    EXPECT_EQ(draw({0, 100, 60, 0}, "een twee drie vier", true),
              "BT\n0 91.5 Td\n(een twee ) Tj\nT*\n(drie vier) Tj\nET\n");
}

TEST_F(WrappedText, AWordLongerThanTheRectangleIsCut) {
    EXPECT_EQ(draw({0, 100, 30, 0}, "a scheepvaart", true), "BT\n0 91.5 Td\n(a ) Tj\nT*\n(schee) Tj\nET\n");
}

TEST_F(WrappedText, StopsAtTheFirstLineBelowTheBottom) {
    // Lines at top 100, 88, 76; the third would need bottom + 10 <= 76.
    EXPECT_EQ(draw({0, 100, 200, 70}, "een\r\ntwee\r\ndrie\r\nvier", false),
              "BT\n0 91.5 Td\n(een) Tj\nT*\n(twee) Tj\nT*\nET\n");
}

TEST_F(WrappedText, EmptyLinesAdvanceWithoutShowing) {
    EXPECT_EQ(draw({0, 100, 200, 0}, "een\r\n\r\ntwee\r\n", false),
              "BT\n0 91.5 Td\n(een) Tj\nT*\nT*\n(twee) Tj\nET\n");
}

// ---- pages ------------------------------------------------------------------------------------

TEST_F(CanvasTest, SwitchingPagesCarriesTheTextStateWithThePage) {
    canvas().SelectFont("Times-Bold", 14);
    canvas().SetCharSpace(1);
    canvas().SetLeading(16);
    PdfDictionary* first = canvas().GetPage();
    doc.AddPage();
    EXPECT_EQ(content(), "/F0 10 Tf\n");  // a new page starts from the defaults
    EXPECT_EQ(canvas().Attribute().CharSpace(), 0);
    EXPECT_EQ(canvas().Attribute().Leading(), 0);
    PdfDictionary* second = canvas().GetPage();

    canvas().SwitchPage(first);
    EXPECT_EQ(canvas().Attribute().Font(), &doc.GetFont("Times-Bold"));
    EXPECT_EQ(canvas().Attribute().FontSize(), 14);
    EXPECT_EQ(canvas().Attribute().CharSpace(), 1);
    EXPECT_EQ(canvas().Attribute().Leading(), 16);
    canvas().SwitchPage(second);
    EXPECT_EQ(canvas().Attribute().Font(), &doc.GetFont("Arial"));
    // The stored state is hidden: it never reaches the file.
    EXPECT_EQ(testing::save_to_string(doc).find("_Font"), std::string::npos);
}

TEST_F(CanvasTest, MediaSizeIsReadAndSet) {
    EXPECT_EQ(canvas().MediaHeight(), 842);
    canvas().SetMediaHeight(842);
    canvas().SetMediaWidth(546);
    canvas().GetPage()->Remove("MediaBox");
    EXPECT_EQ(canvas().MediaHeight(), 842);
    doc.SetDefaultPageHeight(500);
    EXPECT_EQ(canvas().MediaHeight(), 500);
    canvas().SetMediaWidth(546);
    EXPECT_EQ(canvas().MediaHeight(), 500);
    EXPECT_NE(testing::save_to_string(doc).find("/MediaBox [0 0 546 500 ]"), std::string::npos);
}

TEST(PdfCanvas, WithoutAPageGetPageFails) {
    PdfDoc doc;
    doc.BeginDocument();
    try {
        doc.GetCanvas().GetPage();
        FAIL() << "no exception";
    } catch (const PdfInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "GetPage --the Page is nil");
    }
}

// ---- a real page, read back by other programs --------------------------------------------------

TEST(PdfPage, TextDrawnIsReadBackAndTheFilePassesTheCheck) {
    PdfDoc doc;
    doc.SetClock([] { return kFixedDate; });
    doc.BeginDocument();
    doc.AddPage();
    PdfCanvas& c = doc.GetCanvas();
    c.SetMediaHeight(842);
    c.SetMediaWidth(546);
    c.SelectFont("Arial-Bold", 16);
    c.DrawTextInRect({16, 810, 528, 790}, "IJKRAPPORT", Alignment::taCenter, false);
    c.SelectFont("Times-Roman", 12);
    c.DrawTextInRect({16, 770, 200, 755}, "Verlader: Jansen (Zwolle)", Alignment::taLeftJustify, true);
    c.SelectFont("FixedWidth", 10);
    c.SetLeading(14);
    c.DrawWrappedText({16, 740, 528, 600}, "Lading: zand\r\nTonnage 212.0", false);
    c.SetDashPattern({0}, 0);
    c.MovePenTo(16, 705);
    c.LineTo(527, 705);
    c.SetStrokeColor(0);
    c.SetLineWidth(0);
    c.StrokePath();
    const std::string file = testing::save_to_string(doc);
    EXPECT_EQ(testing::qpdf_problems(file), "");
    const std::string text = testing::extracted_text(file);
    for (const char* expected : {"IJKRAPPORT", "Verlader: Jansen (Zwolle)", "Lading: zand", "Tonnage 212.0"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " not in:\n" << text;
    }
}

}  // namespace
}  // namespace ijken::pdf
