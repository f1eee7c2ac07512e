#pragma once
// A picture held as pixels in memory: the strips of the animated pictures, and the frame such a
// control paints from them. Each pixel is a colour 0x00BBGGRR; colour_none marks a pixel that
// shows whatever lies beneath (the window's background) when the bitmap is painted.
#include <vector>

#include "core/forms/geometry.h"

namespace ijken::forms {

class Bitmap {
  public:
    // The empty bitmap: 0 x 0.
    Bitmap() = default;
    // width x height pixels of one colour; a size of 0 or less in either direction gives the
    // empty bitmap.
    Bitmap(int width, int height, int colour = colour_white);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0; }

    // The pixel at (x, y); colour_none outside the bitmap.
    int pixel(int x, int y) const;
    // Outside the bitmap: nothing.
    void set_pixel(int x, int y, int colour);
    void fill(int colour);

    // Copies the rectangle `source` of `from` to `to` in this bitmap. Only the part inside both
    // bitmaps is copied; the rest of the target keeps its pixels.
    void copy(const Bitmap& from, const Rect& source, Point to);
    // The same, writing `replacement` for every source pixel of colour `key`.
    void copy_keyed(const Bitmap& from, const Rect& source, Point to, int key, int replacement);

    // Row by row from the top left.
    const std::vector<int>& pixels() const { return pixels_; }

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

  private:
    template <class Write>
    void copy_with(const Bitmap& from, const Rect& source, Point to, Write write);

    int width_ = 0;
    int height_ = 0;
    std::vector<int> pixels_;
};

}  // namespace ijken::forms
