#include "core/forms/report_preview.h"

namespace ijken::forms {

ReportPreview::ReportPreview(std::string name, Control* parent, Rect geometry)
    : Control(static_kind, std::move(name), parent, geometry) {}

void ReportPreview::set_page_size(int width, int height) {
    if (width == page_width_ && height == page_height_) return;
    page_width_ = width;
    page_height_ = height;
    notify();
}

}  // namespace ijken::forms
