#pragma once
// An input mask in the designed notation "mask;keep-literals;blank", for instance "!0.000;1;_":
// one required digit, a literal ".", three required digits, literals kept in the text, "_" marking
// an unfilled position.
//
// Mask characters: 0 required digit, 9 optional digit, # optional digit or sign, L/l letter
// (required/optional), A/a letter or digit, C/c any character; \ makes the next character a
// literal; ! > < are flags (no position); every other character is a literal. The text of a masked
// field always holds exactly one character per position, literals included, so "1.000" or "1._5_".
#include <string>
#include <string_view>
#include <vector>

namespace ijken::forms {

class EditMask {
  public:
    enum class Slot {
        literal,
        digit,            // 0
        digit_optional,   // 9
        digit_or_sign,    // #
        letter,           // L
        letter_optional,  // l
        alnum,            // A
        alnum_optional,   // a
        any,              // C
        any_optional,     // c
    };
    struct Position {
        Slot slot;
        char literal;  // the character, for Slot::literal
    };

    // An empty mask text gives an empty mask, which leaves texts as they are.
    explicit EditMask(std::string_view mask_text = {});

    bool empty() const { return positions_.empty(); }
    const std::string& text() const { return text_; }
    const std::vector<Position>& positions() const { return positions_; }
    char blank() const { return blank_; }
    // The middle field of the notation. Texts always include the literals, whatever it says.
    bool keeps_literals() const { return keeps_literals_; }

    // Whether c may stand in a position of this slot.
    static bool admits(Slot slot, char c);

    // Fits any text to the mask: one character per position. Characters are taken from the left;
    // a literal position takes the literal (and consumes it when the text has it there); an input
    // position takes the next character when the slot admits it, and the blank otherwise (a blank
    // or space in the text is consumed as an unfilled position). Text left over is dropped.
    // fit("1.025") == "1.025", fit("1.5") == "1.5__", fit("") == "_.___".
    std::string fit(std::string_view text) const;

    // Whether every required position of a fitted text is filled.
    bool complete(std::string_view fitted) const;

  private:
    std::string text_;
    std::vector<Position> positions_;
    char blank_ = '_';
    bool keeps_literals_ = true;
};

}  // namespace ijken::forms
