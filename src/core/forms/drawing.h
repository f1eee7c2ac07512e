#pragma once
#include <functional>

#include "core/forms/control.h"
#include "core/forms/painter.h"

namespace ijken::forms {

// A picture whose content is a vector drawing: paint is called with a painter and the size to
// fill whenever the window needs the picture.
//
// A stretched drawing fills the control: paint gets the control's size. Otherwise it gets the
// picture's own size (picture_width x picture_height, the control's size when those are 0) and is
// drawn at the top left, clipped to the control.
class Drawing : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::drawing;

    Drawing(std::string name, Control* parent, Rect geometry);

    bool stretch() const { return stretch_; }
    void set_stretch(bool value) { assign(stretch_, value); }

    int picture_width() const { return picture_width_; }
    int picture_height() const { return picture_height_; }
    void set_picture_size(int width, int height);

    // The size paint is called with, by the rule above.
    int paint_width() const;
    int paint_height() const;

    // Paints the drawing at paint size (nothing when paint is empty).
    void render(Painter& painter) const;

    // Asks the window to paint again (after the drawing's data changed).
    void repaint() { notify(); }

    std::function<void(Painter&, int width, int height)> paint;

  private:
    bool stretch_ = false;
    int picture_width_ = 0;
    int picture_height_ = 0;
};

}  // namespace ijken::forms
