#include "core/forms/accessible_name.h"

#include <algorithm>

#include "core/forms/edit.h"
#include "core/forms/form.h"
#include "core/forms/label.h"
#include "core/forms/up_down.h"

namespace ijken::forms {

namespace {

bool is_letter_or_digit(char c) {
    const auto u = static_cast<unsigned char>(c);
    // ASCII letters and digits, and the accented letters of Windows-1252 (from 0xC0 on, and the
    // few in 0x8A..0x9F).
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0xC0 ||
           u == 0x8A || u == 0x8C || u == 0x8E || u == 0x9A || u == 0x9C || u == 0x9E || u == 0x9F;
}

// A caption that is a sign rather than a word: a single character ("<", "x", "o" on the survey
// buttons) or no letter or digit at all ("<<", "...").
bool is_symbol(const std::string& caption) {
    return caption.size() <= 1 || std::none_of(caption.begin(), caption.end(), is_letter_or_digit);
}

const Label* naming_label(const Control& control) {
    if (control.form() == nullptr) return nullptr;
    for (const Control* c : control.form()->controls()) {
        if (c->kind() != ControlKind::label) continue;
        const auto* label = static_cast<const Label*>(c);
        if (label->focus_control() == &control) return label;
    }
    return nullptr;
}

}  // namespace

std::string without_mnemonic(const std::string& caption) {
    std::string s;
    s.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            s += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            s += '&';
            ++i;
        }
    }
    return s;
}

std::string spoken_name(const Control& control) {
    if (!control.accessible_name().empty()) return control.accessible_name();
    switch (control.kind()) {
        case ControlKind::edit:
        case ControlKind::mask_edit:
            if (const Label* label = naming_label(control)) return without_mnemonic(label->caption());
            break;
        case ControlKind::up_down:
            if (const auto* edit = static_cast<const UpDown&>(control).associate()) return spoken_name(*edit);
            break;
        case ControlKind::button:
            if (!control.hint().empty() && is_symbol(without_mnemonic(control.caption())))
                return control.hint();
            break;
        default:
            break;
    }
    return without_mnemonic(control.caption());
}

}  // namespace ijken::forms
