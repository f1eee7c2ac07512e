#include "core/forms/drawing.h"

namespace ijken::forms {

Drawing::Drawing(std::string name, Control* parent, Rect geometry)
    : Control(static_kind, std::move(name), parent, geometry) {}

void Drawing::set_picture_size(int width, int height) {
    if (width == picture_width_ && height == picture_height_) return;
    picture_width_ = width;
    picture_height_ = height;
    notify();
}

int Drawing::paint_width() const {
    return stretch_ || picture_width_ <= 0 ? geometry().w : picture_width_;
}

int Drawing::paint_height() const {
    return stretch_ || picture_height_ <= 0 ? geometry().h : picture_height_;
}

void Drawing::render(Painter& painter) const {
    if (paint) paint(painter, paint_width(), paint_height());
}

}  // namespace ijken::forms
