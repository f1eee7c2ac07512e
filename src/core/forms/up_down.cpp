#include "core/forms/up_down.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "core/forms/edit.h"
#include "core/text/numbers.h"

namespace ijken::forms {

namespace {

// A plain decimal number ("190.5", "-0,25") steps by one whole unit and keeps its decimals and its
// separator, so a reading of 190.5 goes to 191.5 rather than starting again from 0. Computed on the
// digits, exactly. Anything else gives nullopt.
std::optional<std::string> step_decimal(const std::string& text, int delta, int minimum, int maximum) {
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return std::nullopt;
    std::string t = text.substr(b, e - b + 1);
    const bool negative = t[0] == '-';
    if (t[0] == '-' || t[0] == '+') t.erase(0, 1);
    const std::size_t sep = t.find_first_of(".,");
    if (sep == std::string::npos || sep == 0 || sep + 1 == t.size()) return std::nullopt;
    const std::string whole = t.substr(0, sep), fraction = t.substr(sep + 1);
    const auto digits_only = [](const std::string& s) { return s.find_first_not_of("0123456789") == std::string::npos; };
    if (!digits_only(whole) || !digits_only(fraction) || whole.size() + fraction.size() > 15) return std::nullopt;

    long long scale = 1;
    for (std::size_t i = 0; i < fraction.size(); ++i) scale *= 10;
    long long value = *text::parse_int(whole + fraction) * (negative ? -1 : 1);
    value = std::clamp(value + delta * scale, minimum * scale, maximum * scale);

    std::string digits = text::format_int(value < 0 ? -value : value);
    if (digits.size() <= fraction.size()) digits.insert(0, fraction.size() + 1 - digits.size(), '0');
    std::string out = value < 0 ? "-" : "";
    out += digits.substr(0, digits.size() - fraction.size());
    out += t[sep];
    out += digits.substr(digits.size() - fraction.size());
    return out;
}

}  // namespace

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
    if (auto stepped = step_decimal(associate_->text(), delta, minimum_, maximum_)) {
        associate_->set_text(*stepped);
        return true;
    }
    // position() is within the range, so the sum cannot overflow past it.
    set_position(static_cast<int>(
        std::clamp<long long>(static_cast<long long>(position()) + delta, minimum_, maximum_)));
    return true;
}

}  // namespace ijken::forms
