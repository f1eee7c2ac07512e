#pragma once
#include <functional>

#include "core/forms/control.h"

namespace ijken::forms {

// A track bar. A vertical one has its minimum at the top.
class Slider : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::slider;

    Slider(std::string name, Control* parent, Rect geometry, int minimum = 0, int maximum = 10,
           int position = 0);

    bool vertical() const { return vertical_; }
    void set_vertical(bool value) { assign(vertical_, value); }

    bool tick_marks() const { return tick_marks_; }
    void set_tick_marks(bool value) { assign(tick_marks_, value); }

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int position() const { return position_; }

    // Setting a bound that leaves the position outside the range moves the position to the nearest
    // bound, which is a change of position. A maximum below the minimum (or the reverse) throws
    // std::invalid_argument and changes nothing.
    void set_minimum(int minimum);
    void set_maximum(int maximum);
    void set_range(int minimum, int maximum);

    // Moves the position, clamped to the range. on_change runs when it really changes, whether the
    // user or the program moved it.
    void set_position(int position);

    std::function<void()> on_change;

  private:
    bool vertical_ = true;
    bool tick_marks_ = false;
    int minimum_;
    int maximum_;
    int position_;
};

}  // namespace ijken::forms
