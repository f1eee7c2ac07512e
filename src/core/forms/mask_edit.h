#pragma once
#include "core/forms/edit.h"
#include "core/forms/edit_mask.h"

namespace ijken::forms {

// An edit whose text follows an input mask (see EditMask): every text it holds, set by the
// program or typed, is fitted to the mask first, so it always shows the literals and the blank in
// unfilled positions. on_change runs only when the fitted text changes.
class MaskEdit : public Edit {
  public:
    static constexpr ControlKind static_kind = ControlKind::mask_edit;

    MaskEdit(std::string name, Control* parent, Rect geometry, std::string mask, std::string text = {});

    const EditMask& mask() const { return mask_; }
    // A new mask refits the text held (which may fire on_change).
    void set_mask(std::string mask);

  protected:
    std::string normalise(std::string text) const override;

  private:
    EditMask mask_;
};

}  // namespace ijken::forms
