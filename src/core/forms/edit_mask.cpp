#include "core/forms/edit_mask.h"

namespace ijken::forms {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Letters of Windows-1252: ASCII letters and the accented letters from 0xC0 on (without the
// multiplication and division signs), plus the few letters among 0x8A..0x9F.
bool is_letter(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    if (c >= 0xC0) return c != 0xD7 && c != 0xF7;
    return c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F;
}

bool is_required(EditMask::Slot slot) {
    using S = EditMask::Slot;
    return slot == S::digit || slot == S::letter || slot == S::alnum || slot == S::any;
}

}  // namespace

EditMask::EditMask(std::string_view mask_text) : text_(mask_text) {
    // First field: the positions, up to an unescaped ";".
    std::size_t i = 0;
    for (; i < mask_text.size(); ++i) {
        const char c = mask_text[i];
        if (c == ';') break;
        switch (c) {
            case '!':
            case '>':
            case '<':
                break;  // flags: leading blanks, case conversion; no position
            case '\\':
                if (i + 1 < mask_text.size()) positions_.push_back({Slot::literal, mask_text[++i]});
                break;
            case '0':
                positions_.push_back({Slot::digit, 0});
                break;
            case '9':
                positions_.push_back({Slot::digit_optional, 0});
                break;
            case '#':
                positions_.push_back({Slot::digit_or_sign, 0});
                break;
            case 'L':
                positions_.push_back({Slot::letter, 0});
                break;
            case 'l':
                positions_.push_back({Slot::letter_optional, 0});
                break;
            case 'A':
                positions_.push_back({Slot::alnum, 0});
                break;
            case 'a':
                positions_.push_back({Slot::alnum_optional, 0});
                break;
            case 'C':
                positions_.push_back({Slot::any, 0});
                break;
            case 'c':
                positions_.push_back({Slot::any_optional, 0});
                break;
            default:
                positions_.push_back({Slot::literal, c});
                break;
        }
    }
    // Second field: "0" drops the literals from the saved text; third: the blank character.
    if (i < mask_text.size()) {
        ++i;
        const std::size_t end = mask_text.find(';', i);
        const std::string_view keep = mask_text.substr(i, end == std::string_view::npos ? end : end - i);
        if (!keep.empty()) keeps_literals_ = keep[0] != '0';
        if (end != std::string_view::npos && end + 1 < mask_text.size()) blank_ = mask_text[end + 1];
    }
}

bool EditMask::admits(Slot slot, char c) {
    switch (slot) {
        case Slot::literal:
            return false;
        case Slot::digit:
        case Slot::digit_optional:
            return is_digit(c);
        case Slot::digit_or_sign:
            return is_digit(c) || c == '+' || c == '-';
        case Slot::letter:
        case Slot::letter_optional:
            return is_letter(c);
        case Slot::alnum:
        case Slot::alnum_optional:
            return is_letter(c) || is_digit(c);
        case Slot::any:
        case Slot::any_optional:
            return static_cast<unsigned char>(c) >= 0x20;
    }
    return false;
}

std::string EditMask::fit(std::string_view text) const {
    if (positions_.empty()) return std::string(text);
    std::string out;
    out.reserve(positions_.size());
    std::size_t in = 0;
    for (std::size_t p = 0; p < positions_.size(); ++p) {
        const Position& pos = positions_[p];
        if (pos.slot == Slot::literal) {
            out += pos.literal;
            if (in < text.size() && text[in] == pos.literal) ++in;
            continue;
        }
        if (in >= text.size()) {
            out += blank_;
            continue;
        }
        const char c = text[in];
        if (admits(pos.slot, c)) {
            out += c;
            ++in;
            continue;
        }
        out += blank_;
        // A literal that comes later in the mask waits for its position ("._5" in "0.000"
        // leaves the first digit unfilled); anything else is used up as this unfilled position.
        bool later_literal = false;
        for (std::size_t q = p + 1; q < positions_.size() && !later_literal; ++q) {
            later_literal = positions_[q].slot == Slot::literal && positions_[q].literal == c;
        }
        if (!later_literal) ++in;
    }
    return out;
}

bool EditMask::complete(std::string_view fitted) const {
    if (fitted.size() != positions_.size()) return positions_.empty();
    for (std::size_t p = 0; p < positions_.size(); ++p) {
        if (is_required(positions_[p].slot) && !admits(positions_[p].slot, fitted[p])) return false;
    }
    return true;
}

}  // namespace ijken::forms
