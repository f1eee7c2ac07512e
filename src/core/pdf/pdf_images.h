#pragma once
// Image objects. The canvas has no operator that places an image, so the report never makes one;
// the conversion from a bitmap is kept for completeness.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "core/pdf/pdf_objects.h"

namespace ijken::pdf {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// A device-independent bitmap: rows from top to bottom, each row packed to
// ceil(width * bits_per_pixel / 8) bytes (no padding). 1, 4 and 8 bits per pixel index the
// palette, the high bits first; 24 bits are red, green, blue; 32 bits are red, green, blue and
// an unused byte.
struct Bitmap {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 24;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> pixels;
};

class PdfXObject : public PdfStream {
public:
    using PdfStream::PdfStream;
};

class PdfImage : public PdfXObject {
public:
    using PdfXObject::PdfXObject;
};

class PdfImageCreator {
public:
    virtual ~PdfImageCreator() = default;
    virtual std::unique_ptr<PdfImage> CreateImage(const Bitmap& bitmap, PdfObjectMgr* object_mgr) = 0;
};

// Palette bitmaps become 8-bit indexed images, all others 24-bit RGB; the data are compressed.
class PdfBitmapImage : public PdfImageCreator {
public:
    std::unique_ptr<PdfImage> CreateImage(const Bitmap& bitmap, PdfObjectMgr* object_mgr) override;
};

using PdfImageCreatorFactory = std::function<std::unique_ptr<PdfImageCreator>()>;
// "Pdf-Bitmap" is registered from the start.
void RegisterImageCreator(std::string_view name, PdfImageCreatorFactory factory);
std::unique_ptr<PdfImageCreator> CreateImageCreator(std::string_view name);

}  // namespace ijken::pdf
