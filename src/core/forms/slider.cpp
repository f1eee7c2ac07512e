#include "core/forms/slider.h"

#include <algorithm>
#include <stdexcept>
#include "core/text/numbers.h"

namespace ijken::forms {

namespace {

void check_range(const std::string& name, int minimum, int maximum) {
    if (maximum < minimum) {
        throw std::invalid_argument("Slider \"" + name + "\": maximum " + text::format_int(maximum) +
                                    " below minimum " + text::format_int(minimum));
    }
}

}  // namespace

Slider::Slider(std::string name, Control* parent, Rect geometry, int minimum, int maximum, int position)
    : Control(static_kind, std::move(name), parent, geometry), minimum_(minimum), maximum_(maximum) {
    check_range(this->name(), minimum, maximum);
    position_ = std::clamp(position, minimum, maximum);
}

void Slider::set_minimum(int minimum) {
    set_range(minimum, maximum_);
}

void Slider::set_maximum(int maximum) {
    set_range(minimum_, maximum);
}

void Slider::set_range(int minimum, int maximum) {
    check_range(name(), minimum, maximum);
    if (minimum == minimum_ && maximum == maximum_) return;
    minimum_ = minimum;
    maximum_ = maximum;
    notify();
    set_position(position_);
}

void Slider::set_position(int position) {
    if (!assign(position_, std::clamp(position, minimum_, maximum_))) return;
    if (auto handler = on_change) handler();
}

}  // namespace ijken::forms
