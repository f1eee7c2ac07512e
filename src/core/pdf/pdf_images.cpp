#include "core/pdf/pdf_images.h"

#include <map>
#include <mutex>
#include <string>

#include "core/pdf/pdf_exceptions.h"

namespace ijken::pdf {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::size_t row_bytes(const Bitmap& bitmap) {
    return (static_cast<std::size_t>(bitmap.width) * bitmap.bits_per_pixel + 7) / 8;
}

// The pixels as one byte per pixel (palette bitmaps) or three (all others), rows top to bottom.
std::string converted_pixels(const Bitmap& bitmap, int& bits) {
    const int bpp = bitmap.bits_per_pixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) {
        throw PdfInvalidImageFormat("unsupported bitmap format.");
    }
    if (bitmap.width <= 0 || bitmap.height <= 0) throw PdfInvalidImageFormat("empty bitmap.");
    const std::size_t stride = row_bytes(bitmap);
    if (bitmap.pixels.size() < stride * static_cast<std::size_t>(bitmap.height)) {
        throw PdfInvalidImageFormat("bitmap data too short.");
    }
    std::string out;
    bits = bpp <= 8 ? 8 : 24;
    out.reserve(static_cast<std::size_t>(bitmap.width) * bitmap.height * (bits / 8));
    for (int y = 0; y < bitmap.height; ++y) {
        const std::uint8_t* row = bitmap.pixels.data() + stride * y;
        for (int x = 0; x < bitmap.width; ++x) {
            switch (bpp) {
                case 1: out += static_cast<char>((row[x / 8] >> (7 - x % 8)) & 1); break;
                case 4: out += static_cast<char>((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F); break;
                case 8: out += static_cast<char>(row[x]); break;
                default: {
                    const std::uint8_t* px = row + static_cast<std::size_t>(x) * (bpp / 8);
                    out += static_cast<char>(px[0]);
                    out += static_cast<char>(px[1]);
                    out += static_cast<char>(px[2]);
                }
            }
        }
    }
    return out;
}

// "<" then 256 entries "RRGGBB " then ">".
std::string palette_text(const Bitmap& bitmap, int bits) {
    if (bits != 8) throw PdfInvalidImageFormat("only 8 bit color image is allowed.");
    if (bitmap.palette.empty() || bitmap.palette.size() > 256) {
        throw PdfInvalidImageFormat("failed to get Palette..");
    }
    std::string s = "<";
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb c = i < bitmap.palette.size() ? bitmap.palette[i] : Rgb{};
        for (std::uint8_t v : {c.r, c.g, c.b}) {
            s += kHexDigits[v >> 4];
            s += kHexDigits[v & 0x0F];
        }
        s += ' ';
    }
    s += '>';
    return s;
}

}  // namespace

std::unique_ptr<PdfImage> PdfBitmapImage::CreateImage(const Bitmap& bitmap, PdfObjectMgr* object_mgr) {
    int bits = 0;
    std::string data = converted_pixels(bitmap, bits);
    auto image = std::make_unique<PdfImage>(object_mgr);
    PdfDictionary& attr = image->Attributes();
    attr.Put("Type", std::make_unique<PdfName>("XObject"));
    attr.Put("Subtype", std::make_unique<PdfName>("Image"));
    if (bits == 8) {
        auto color_space = std::make_unique<PdfArray>(object_mgr);
        color_space->Append(std::make_unique<PdfName>("Indexed"));
        color_space->Append(std::make_unique<PdfName>("DeviceRGB"));
        color_space->Append(std::make_unique<PdfNumber>(255));
        color_space->Append(std::make_unique<PdfBinary>(palette_text(bitmap, bits)));
        attr.Put("ColorSpace", std::move(color_space));
    } else {
        attr.Put("ColorSpace", std::make_unique<PdfName>("DeviceRGB"));
    }
    attr.Put("Width", std::make_unique<PdfNumber>(bitmap.width));
    attr.Put("Height", std::make_unique<PdfNumber>(bitmap.height));
    attr.Put("BitsPerComponent", std::make_unique<PdfNumber>(8));
    if (PdfArray* filter = attr.FindArray("Filter"); filter && !filter->ContainsName("FlateDecode")) {
        filter->Append(std::make_unique<PdfName>("FlateDecode"));
    }
    image->Data() = std::move(data);
    return image;
}

namespace {

struct CreatorRegistry {
    std::mutex mutex;
    std::map<std::string, PdfImageCreatorFactory, std::less<>> classes;
    CreatorRegistry() {
        classes.emplace("Pdf-Bitmap", [] { return std::make_unique<PdfBitmapImage>(); });
    }
};

CreatorRegistry& creators() {
    static CreatorRegistry instance;
    return instance;
}

}  // namespace

void RegisterImageCreator(std::string_view name, PdfImageCreatorFactory factory) {
    CreatorRegistry& r = creators();
    std::lock_guard lock(r.mutex);
    r.classes.insert_or_assign(std::string(name), std::move(factory));
}

std::unique_ptr<PdfImageCreator> CreateImageCreator(std::string_view name) {
    PdfImageCreatorFactory factory;
    {
        CreatorRegistry& r = creators();
        std::lock_guard lock(r.mutex);
        auto it = r.classes.find(name);
        if (it == r.classes.end()) throw PdfException("Class " + std::string(name) + " not found");
        factory = it->second;
    }
    return factory();
}

}  // namespace ijken::pdf
