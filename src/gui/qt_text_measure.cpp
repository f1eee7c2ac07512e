#include "gui/qt_text_measure.h"

#include <QFont>
#include <QFontMetrics>
#include <cstdlib>

#include "gui/qt_text.h"

namespace ijken::gui {

int QtTextMeasure::text_width(const std::string& text, int font_height, bool bold) {
    QFont font;
    font.setPixelSize(font_height != 0 ? std::abs(font_height) : 11);
    font.setBold(bold);
    return QFontMetrics(font).horizontalAdvance(to_qt(text));
}

}  // namespace ijken::gui
