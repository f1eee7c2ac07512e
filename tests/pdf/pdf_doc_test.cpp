#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "core/pdf/pdf_canvas.h"
#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_fonts.h"
#include "core/pdf/pdf_outlines.h"
#include "pdf_test_util.h"
#include "support/temp_dir.h"

namespace ijken::pdf {
namespace {

using testing::kFixedDate;
using testing::qpdf_problems;
using testing::save_to_string;

std::unique_ptr<PdfDoc> one_page_doc(PdfCompressionMethod compression = PdfCompressionMethod::cmNone) {
    auto doc = std::make_unique<PdfDoc>();
    doc->SetClock([] { return kFixedDate; });
    doc->SetCompressionMethod(compression);
    doc->BeginDocument();
    doc->AddPage();
    return doc;
}

TEST(PdfDoc, OnePageFileHasTheFixedSkeleton) {
    auto doc = one_page_doc();
    const std::string file = save_to_string(*doc);

    EXPECT_EQ(file.substr(0, 11), "%PDF-1.2 \r\n");
    EXPECT_NE(file.find("1 0 obj\r\n<<\r\n/Type /Catalog\r\n/Pages 3 0 R\r\n>>\r\nendobj\r\n"), std::string::npos);
    EXPECT_NE(file.find("2 0 obj\r\n<<\r\n/Producer (Korvane version 0.9)\r\n"
                        "/CreationDate (D:20241207102030)\r\n/ModDate (D:20241207102030)\r\n>>\r\nendobj\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("3 0 obj\r\n<<\r\n/Type /Pages\r\n/Kids [4 0 R ]\r\n/Count 1\r\n>>\r\nendobj\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("4 0 obj\r\n<<\r\n/Type /Page\r\n/Parent 3 0 R\r\n/MediaBox [0 0 596 842 ]\r\n"
                        "/Resources <<\r\n/Font <<\r\n/F0 6 0 R\r\n>>\r\n/XObject <<\r\n>>\r\n"
                        "/ProcSet [/PDF /Text /ImageC ]\r\n>>\r\n/Contents 5 0 R\r\n>>\r\nendobj\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("5 0 obj\r\n<<\r\n/Length 10\r\n/Filter []\r\n>>\r\nstream\r\n/F0 10 Tf\n\nendstream"
                        "\r\nendobj\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("6 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /Type1\r\n/Encoding /WinAnsiEncoding\r\n"
                        "/FirstChar 32\r\n/LastChar 255\r\n/BaseFont /Helvetica\r\n/Name /F0\r\n>>\r\nendobj\r\n"),
              std::string::npos);
    const std::string trailer = "trailer\r\n<<\r\n/Size 7\r\n/Root 1 0 R\r\n/Info 2 0 R\r\n>>\r\nstartxref\r\n";
    const std::size_t at = file.find(trailer);
    ASSERT_NE(at, std::string::npos);
    const std::size_t xref_at = file.find("xref\r\n0 7\r\n0000000000 65535 f\r\n");
    ASSERT_NE(xref_at, std::string::npos);
    EXPECT_EQ(file.substr(at + trailer.size()), std::to_string(xref_at) + "\r\n%%EOF\r\n");
    EXPECT_EQ(qpdf_problems(file), "");
}

TEST(PdfDoc, EveryXrefOffsetPointsAtItsObject) {
    for (auto compression : {PdfCompressionMethod::cmNone, PdfCompressionMethod::cmFlateDecode}) {
        auto doc = one_page_doc(compression);
        doc->GetCanvas().SelectFont("Times-Bold", 14);
        doc->GetCanvas().DrawTextInRect({20, 800, 300, 780}, "Verlader (a)", Alignment::taLeftJustify, false);
        doc->AddPage();
        const std::string file = save_to_string(*doc);

        const std::size_t xref_at = file.rfind("xref\r\n0 ");
        ASSERT_NE(xref_at, std::string::npos);
        const std::regex line("(\\d{10}) (\\d{5}) ([nf])\r\n");
        auto it = std::sregex_iterator(file.begin() + xref_at, file.end(), line);
        int number = 0;
        for (; it != std::sregex_iterator(); ++it, ++number) {
            if (number == 0) continue;
            const std::size_t offset = std::stoul((*it)[1]);
            const std::string header = std::to_string(number) + " 0 obj\r\n";
            EXPECT_EQ(file.compare(offset, header.size(), header), 0) << "object " << number;
        }
        EXPECT_EQ(number, doc->ObjectMgr()->ItemCount());
        EXPECT_EQ(qpdf_problems(file), "");
    }
}

TEST(PdfDoc, SavingTwiceDiffersOnlyInModDate) {
    DateTime now = kFixedDate;
    PdfDoc doc;
    doc.SetClock([&] { return now; });
    doc.BeginDocument();
    doc.AddPage();
    const std::string first = save_to_string(doc);
    now += 1.0 / 86400;  // one second later
    const std::string second = save_to_string(doc);
    ASSERT_EQ(first.size(), second.size());
    std::string a = first, b = second;
    const std::string mod = "/ModDate (D:";
    a.replace(a.find(mod), mod.size() + 14, "");
    b.replace(b.find(mod), mod.size() + 14, "");
    EXPECT_NE(first, second);
    EXPECT_EQ(a, b);
    EXPECT_NE(second.find("/ModDate (D:20241207102031)"), std::string::npos);
}

TEST(PdfDoc, ShorterDocumentSavedOverALongerOneKeepsNoOldTail) {
    MemoryStream memory;
    auto doc = one_page_doc();
    for (int i = 0; i < 40; ++i) {
        doc->GetCanvas().DrawTextInRect({20, 800.0f - 15 * i, 500, 785.0f - 15 * i}, "Lading regel", Alignment::taLeftJustify, false);
    }
    doc->SaveToStream(memory);
    const std::size_t long_size = memory.data().size();

    auto short_doc = one_page_doc();
    short_doc->SaveToStream(memory);
    EXPECT_LT(memory.data().size(), long_size);
    EXPECT_EQ(memory.data().substr(memory.data().size() - 7), "%%EOF\r\n");
    EXPECT_EQ(qpdf_problems(memory.data()), "");
}

TEST(PdfDoc, OutlinesMakeAnEmptyOutlineTree) {
    PdfDoc doc;
    doc.SetClock([] { return kFixedDate; });
    doc.SetUseOutlines(true);
    doc.BeginDocument();
    doc.AddPage();
    const std::string file = save_to_string(doc);
    EXPECT_NE(file.find("1 0 obj\r\n<<\r\n/Type /Catalog\r\n/Outlines 2 0 R\r\n/Pages 4 0 R\r\n>>"),
              std::string::npos);
    EXPECT_NE(file.find("2 0 obj\r\n<<\r\n/Type /Outlines\r\n/Count 0\r\n>>"), std::string::npos);
    EXPECT_EQ(qpdf_problems(file), "");

    EXPECT_NO_THROW(doc.GetOutlineRoot());
    try {
        PdfOutlineEntry orphan(nullptr);
        FAIL() << "no exception";
    } catch (const PdfException& e) {
        EXPECT_STREQ(e.what(), "CreateEntry --invalid parent.");
    }
}

TEST(PdfCatalog, WritesLayoutModeAndViewerPreferences) {
    auto doc = one_page_doc();
    PdfCatalog& root = doc->GetRoot();
    root.SetPageMode(PdfPageMode::pmUseThumbs);
    root.SetPageLayout(PdfPageLayout::plOneColumn);
    root.SetPageMode(PdfPageMode::pmUseNone);  // changed in place, before the layout
    root.SetNonFullScreenPageMode(PdfPageMode::pmUseOutlines);
    root.SetViewerPreference({PdfViewerPreference::vpHideToolbar, PdfViewerPreference::vpCenterWindow});
    const std::string file = save_to_string(*doc);
    EXPECT_NE(file.find("/PageMode /UseNone\r\n/PageLayout /OneColumn\r\n/ViewerPreferences <<\r\n"
                        "/NonFullScreenPageMode /UseOutlines\r\n/HideToolbar true\r\n/CenterWindow true\r\n>>"),
              std::string::npos);
    EXPECT_EQ(qpdf_problems(file), "");

    root.SetNonFullScreenPageMode(PdfPageMode::pmFullScreen);
    root.SetViewerPreference({});
    EXPECT_NE(save_to_string(*doc).find("/ViewerPreferences <<\r\n>>"), std::string::npos);

    auto fresh = one_page_doc();
    fresh->GetRoot().SetViewerPreference({});
    EXPECT_EQ(save_to_string(*fresh).find("ViewerPreferences"), std::string::npos);
}

struct DateCase {
    DateTime value;
    const char* expected;
};
class PdfDateFormat : public ::testing::TestWithParam<DateCase> {};
TEST_P(PdfDateFormat, FormatsLocalTimeWithoutZone) {
    EXPECT_EQ(format_pdf_date(GetParam().value), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Dates, PdfDateFormat,
    ::testing::Values(DateCase{0, "D:18991230000000"}, DateCase{60, "D:19000228000000"},
                      DateCase{61, "D:19000301000000"}, DateCase{45352.999999999, "D:20240302000000"},
                      DateCase{45351.75, "D:20240229180000"},
                      DateCase{45351 + 59999.0 / 86400000, "D:20240229000059"},
                      DateCase{-1.25, "D:18991229060000"}));

// ---- operations refused in the wrong state ---------------------------------------------------

struct StateCase {
    const char* label;
    std::function<void(PdfDoc&)> call;
    const char* message;
};
class PdfDocClosed : public ::testing::TestWithParam<StateCase> {};

TEST_P(PdfDocClosed, RaisesInvalidOperationWithItsMessage) {
    PdfDoc doc;
    try {
        GetParam().call(doc);
        FAIL() << "no exception";
    } catch (const PdfInvalidOperation& e) {
        EXPECT_STREQ(e.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PdfDocClosed,
    ::testing::Values(
        StateCase{"GetCanvas", [](PdfDoc& d) { d.GetCanvas(); }, "GetCanvas --Document is null"},
        StateCase{"GetInfo", [](PdfDoc& d) { d.GetInfo(); }, "GetInfo --this method can not use this state.."},
        StateCase{"GetRoot", [](PdfDoc& d) { d.GetRoot(); }, "GetRoot --this method can not use this state.."},
        StateCase{"GetOutlineRoot", [](PdfDoc& d) { d.GetOutlineRoot(); }, "GetOutlineRoot --document is null.."},
        StateCase{"GetOutlineRootWithoutOutlines",
                  [](PdfDoc& d) {
                      d.BeginDocument();
                      d.GetOutlineRoot();
                  },
                  "GetOutlineRoot --not use outline mode.."},
        StateCase{"GetFont", [](PdfDoc& d) { d.GetFont("Arial"); }, "GetFont --document is null."},
        StateCase{"AddPage", [](PdfDoc& d) { d.AddPage(); }, "AddPage --current pages null."},
        StateCase{"SaveToStream",
                  [](PdfDoc& d) {
                      MemoryStream out;
                      d.SaveToStream(out);
                  },
                  "SaveToStream --there is no document to save."},
        StateCase{"SaveWithoutPage",
                  [](PdfDoc& d) {
                      d.BeginDocument();
                      MemoryStream out;
                      d.SaveToStream(out);
                  },
                  "GetPage --the Page is nil"},
        StateCase{"AddPageAfterRelease",
                  [](PdfDoc& d) {
                      d.BeginDocument();
                      d.ReleaseDocument();
                      d.AddPage();
                  },
                  "AddPage --current pages null."}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(PdfDoc, UnknownFontNamesItsClass) {
    auto doc = one_page_doc();
    try {
        doc->GetFont("Foo");
        FAIL() << "no exception";
    } catch (const PdfException& e) {
        EXPECT_STREQ(e.what(), "Class Foo not found");
    }
    EXPECT_THROW(doc->GetFont("arial"), PdfException);  // names are case-sensitive
    // The document stays usable.
    EXPECT_EQ(qpdf_problems(save_to_string(*doc)), "");
}

TEST(PdfDoc, MeasuringDocumentWritesNothingAndDoesNotSilenceTheNextOne) {
    PdfDoc doc;
    doc.SetClock([] { return kFixedDate; });
    PdfCanvas& canvas = doc.BeginMeasuringDocument();
    const std::string before = static_cast<PdfStream*>(canvas.GetPage()->Find("Contents"))->Data();
    canvas.SelectFont("Arial", 12);
    canvas.DrawTextInRect({0, 100, 100, 0}, "Leeg", Alignment::taLeftJustify, false);
    EXPECT_FLOAT_EQ(canvas.MeasureWidth("Leeg"), 26.688f);
    EXPECT_EQ(static_cast<PdfStream*>(canvas.GetPage()->Find("Contents"))->Data(), before);

    doc.BeginDocument();
    doc.AddPage();
    doc.GetCanvas().ShowString("x");
    EXPECT_EQ(static_cast<PdfStream*>(doc.GetCanvas().GetPage()->Find("Contents"))->Data(), "/F0 10 Tf\n(x) Tj\n");
}

TEST(PdfDoc, PageSizeAndCompressionTakeEffectPerPage) {
    PdfDoc doc;
    doc.SetClock([] { return kFixedDate; });
    doc.BeginDocument();
    doc.SetDefaultPageWidth(300);
    doc.AddPage();
    doc.SetDefaultPageHeight(400);
    doc.SetCompressionMethod(PdfCompressionMethod::cmFlateDecode);
    doc.AddPage();
    const std::string file = save_to_string(doc);
    EXPECT_NE(file.find("/MediaBox [0 0 300 842 ]"), std::string::npos);
    EXPECT_NE(file.find("/MediaBox [0 0 300 400 ]"), std::string::npos);
    EXPECT_NE(file.find("/Kids [4 0 R 7 0 R ]\r\n/Count 2"), std::string::npos);
    EXPECT_NE(file.find("/Filter []"), std::string::npos);
    EXPECT_NE(file.find("/Filter [/FlateDecode ]"), std::string::npos);
    EXPECT_EQ(qpdf_problems(file), "");
}

}  // namespace
}  // namespace ijken::pdf
