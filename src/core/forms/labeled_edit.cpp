#include "core/forms/labeled_edit.h"

namespace ijken::forms {

LabeledEdit::LabeledEdit(std::string name, Control* parent, Rect geometry, std::string label_caption,
                         std::string text)
    : Edit(static_kind, std::move(name), parent, geometry) {
    init_text(std::move(text));
    set_caption(std::move(label_caption));
}

}  // namespace ijken::forms
