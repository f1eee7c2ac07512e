#include "core/forms/up_down.h"

#include <algorithm>
#include <stdexcept>

#include "core/forms/edit.h"
#include "core/text/numbers.h"

namespace ijken::forms {

UpDown::UpDown(std::string name, Control* parent, Rect geometry, Edit* associate, int minimum, int maximum)
    : Control(static_kind, std::move(name), parent, geometry),
      associate_(associate),
      minimum_(minimum),
      maximum_(maximum) {
    if (maximum < minimum)
        throw std::invalid_argument("Up-down \"" + this->name() + "\": maximum below minimum");
}

void UpDown::set_range(int minimum, int maximum) {
    if (maximum < minimum) throw std::invalid_argument("Up-down \"" + name() + "\": maximum below minimum");
    if (minimum == minimum_ && maximum == maximum_) return;
    minimum_ = minimum;
    maximum_ = maximum;
    notify();
}

int UpDown::position() const {
    if (associate_ == nullptr) return minimum_;
    // Only a plain whole number counts; anything else (a fraction, a word, nothing) is 0.
    const long long value = text::parse_int(associate_->text()).value_or(0);
    return static_cast<int>(std::clamp<long long>(value, minimum_, maximum_));
}

void UpDown::set_position(int value) {
    if (associate_ == nullptr) return;
    associate_->set_text(text::format_int(std::clamp(value, minimum_, maximum_)));
}

bool UpDown::up() {
    return step(+1);
}

bool UpDown::down() {
    return step(-1);
}

bool UpDown::step(int delta) {
    if (associate_ == nullptr || !showing() || !usable()) return false;
    // position() is within the range, so the sum cannot overflow past it.
    set_position(static_cast<int>(
        std::clamp<long long>(static_cast<long long>(position()) + delta, minimum_, maximum_)));
    return true;
}

}  // namespace ijken::forms
