#include "core/forms/mask_edit.h"

namespace ijken::forms {

MaskEdit::MaskEdit(std::string name, Control* parent, Rect geometry, std::string mask, std::string text)
    : Edit(static_kind, std::move(name), parent, geometry), mask_(mask) {
    init_text(std::move(text));
}

void MaskEdit::set_mask(std::string mask) {
    if (mask == mask_.text()) return;
    mask_ = EditMask(mask);
    notify();
    set_text(text());
}

std::string MaskEdit::normalise(std::string text) const {
    if (mask_.empty()) return text;
    return mask_.fit(text);
}

}  // namespace ijken::forms
