#include <gtest/gtest.h>

#include "core/pdf/pdf_canvas.h"
#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_images.h"
#include "pdf_test_util.h"

namespace ijken::pdf {
namespace {

Bitmap two_colour_bitmap() {
    Bitmap b;
    b.width = 10;
    b.height = 2;
    b.bits_per_pixel = 1;
    b.palette = {{0, 0, 0}, {0xFF, 0x80, 0x0A}};
    b.pixels = {0b10100000, 0b01000000, 0xFF, 0xC0};  // two bytes a row
    return b;
}

TEST(PdfBitmapImage, PaletteBitmapBecomesAnIndexedImage) {
    auto image = CreateImageCreator("Pdf-Bitmap")->CreateImage(two_colour_bitmap(), nullptr);
    EXPECT_EQ(image->Data(), std::string("\1\0\1\0\0\0\0\0\0\1" "\1\1\1\1\1\1\1\1\1\1", 20));
    const PdfArray* cs = image->Attributes().FindArray("ColorSpace");
    ASSERT_NE(cs, nullptr);
    MemoryStream out;
    cs->ItemAt(3)->WriteTo(out);
    ASSERT_EQ(out.data().size(), 1 + 256 * 7 + 1);
    EXPECT_EQ(out.data().substr(0, 15), "<000000 FF800A ");
    EXPECT_EQ(out.data().substr(out.data().size() - 9), " 000000 >");
    EXPECT_TRUE(image->Attributes().FindArray("Filter")->ContainsName("FlateDecode"));
    EXPECT_EQ(image->Attributes().FindNumber("BitsPerComponent")->Value(), 8);
}

TEST(PdfBitmapImage, PlacedOnAPageTheFilePassesTheCheck) {
    PdfDoc doc;
    doc.SetClock([] { return testing::kFixedDate; });
    doc.BeginDocument();
    doc.AddPage();
    Bitmap rgb;
    rgb.width = 2;
    rgb.height = 1;
    rgb.bits_per_pixel = 32;
    rgb.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    auto* colour = doc.ObjectMgr()->Add(PdfBitmapImage().CreateImage(rgb, doc.ObjectMgr()));
    EXPECT_EQ(colour->Data(), std::string("\1\2\3\4\5\6"));
    EXPECT_EQ(colour->Attributes().FindName("ColorSpace")->Value(), "DeviceRGB");
    auto* indexed = doc.ObjectMgr()->Add(PdfBitmapImage().CreateImage(two_colour_bitmap(), doc.ObjectMgr()));
    PdfDictionary* xobjects = doc.GetCanvas().GetPage()->FindDictionary("Resources")->FindDictionary("XObject");
    xobjects->Put("Im0", *colour);
    xobjects->Put("Im1", *indexed);
    EXPECT_EQ(testing::qpdf_problems(testing::save_to_string(doc)), "");
}

struct BadBitmap {
    const char* label;
    Bitmap bitmap;
    const char* message;
};
class PdfBitmapImageErrors : public ::testing::TestWithParam<BadBitmap> {};

TEST_P(PdfBitmapImageErrors, AreInvalidImageFormat) {
    try {
        PdfBitmapImage().CreateImage(GetParam().bitmap, nullptr);
        FAIL() << "no exception";
    } catch (const PdfInvalidImageFormat& e) {
        EXPECT_STREQ(e.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bitmaps, PdfBitmapImageErrors,
    ::testing::Values(BadBitmap{"NoPalette", Bitmap{1, 1, 8, {}, {0}}, "failed to get Palette.."},
                      BadBitmap{"ShortData", Bitmap{4, 4, 24, {}, {1, 2, 3}}, "bitmap data too short."},
                      BadBitmap{"Empty", Bitmap{0, 4, 24, {}, {}}, "empty bitmap."},
                      BadBitmap{"SixteenBits", Bitmap{1, 1, 16, {}, {0, 0}}, "unsupported bitmap format."}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace ijken::pdf
