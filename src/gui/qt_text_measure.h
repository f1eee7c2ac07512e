#pragma once
#include "core/forms/services.h"

namespace ijken::gui {

// Measures text with the fonts the windows use: the application's sans serif at the designed
// pixel height (11 by default).
class QtTextMeasure : public forms::TextMeasure {
  public:
    int text_width(const std::string& text, int font_height, bool bold) override;
};

}  // namespace ijken::gui
