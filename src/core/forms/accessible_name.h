#pragma once
// The names under which screen readers and test tools find the controls, taken from what the
// design gives, so that every window is named without code of its own.
#include <string>

#include "core/forms/control.h"

namespace ijken::forms {

// In order of precedence: the control's accessible_name; for a labelled edit its label; for an
// edit the caption of a label whose focus control it is; for an up-down the name of the edit it
// counts; for a button whose caption is a symbol ("<", "+", "o": a single character, or no letter
// or digit) its hint; otherwise the caption. The
// "&" that marks a mnemonic is dropped ("&&" stays one "&").
std::string spoken_name(const Control& control);

// A caption without its mnemonic marks.
std::string without_mnemonic(const std::string& caption);

}  // namespace ijken::forms
