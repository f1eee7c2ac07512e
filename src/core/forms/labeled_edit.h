#pragma once
#include "core/forms/edit.h"

namespace ijken::forms {

// An edit with a label attached to its left. The label's text is the control's caption; the
// geometry is the edit's own. The label stands label_spacing pixels left of the edit, vertically
// centred on it.
class LabeledEdit : public Edit {
  public:
    static constexpr ControlKind static_kind = ControlKind::labeled_edit;

    LabeledEdit(std::string name, Control* parent, Rect geometry, std::string label_caption,
                std::string text = {});

    int label_spacing() const { return label_spacing_; }
    void set_label_spacing(int spacing) { assign(label_spacing_, spacing); }

  private:
    int label_spacing_ = 3;
};

}  // namespace ijken::forms
