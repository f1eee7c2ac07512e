#include "core/forms/bitmap.h"

#include <algorithm>

namespace ijken::forms {

Bitmap::Bitmap(int width, int height, int colour) {
    if (width <= 0 || height <= 0) return;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour);
}

int Bitmap::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return colour_none;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void Bitmap::set_pixel(int x, int y, int colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] =
        colour;
}

void Bitmap::fill(int colour) {
    std::fill(pixels_.begin(), pixels_.end(), colour);
}

template <class Write>
void Bitmap::copy_with(const Bitmap& from, const Rect& source, Point to, Write write) {
    // Clip the source rectangle to the source bitmap, moving the target point along, then to the
    // target bitmap. Coordinates are widened so that no designed size can overflow.
    long long sx = source.x, sy = source.y, tx = to.x, ty = to.y;
    long long w = source.w, h = source.h;
    auto clip = [](long long& start, long long& other, long long& length, long long limit) {
        if (start < 0) {
            length += start;
            other -= start;
            start = 0;
        }
        if (start + length > limit) length = limit - start;
    };
    clip(sx, tx, w, from.width_);
    clip(sy, ty, h, from.height_);
    clip(tx, sx, w, width_);
    clip(ty, sy, h, height_);
    if (w <= 0 || h <= 0) return;
    for (long long row = 0; row < h; ++row) {
        const int* in = &from.pixels_[static_cast<std::size_t>((sy + row) * from.width_ + sx)];
        int* out = &pixels_[static_cast<std::size_t>((ty + row) * width_ + tx)];
        for (long long col = 0; col < w; ++col) out[col] = write(in[col]);
    }
}

void Bitmap::copy(const Bitmap& from, const Rect& source, Point to) {
    if (&from == this) {
        const Bitmap original = from;  // source and target may overlap
        copy(original, source, to);
        return;
    }
    copy_with(from, source, to, [](int colour) { return colour; });
}

void Bitmap::copy_keyed(const Bitmap& from, const Rect& source, Point to, int key, int replacement) {
    if (&from == this) {
        const Bitmap original = from;
        copy_keyed(original, source, to, key, replacement);
        return;
    }
    copy_with(from, source, to,
              [key, replacement](int colour) { return colour == key ? replacement : colour; });
}

}  // namespace ijken::forms
