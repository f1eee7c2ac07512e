#include "gui/qt_text.h"

#include "core/forms/geometry.h"
#include "core/text/cp1252.h"

namespace ijken::gui {

QString to_qt(const std::string& cp1252) {
    return QString::fromStdString(text::cp1252_to_utf8(cp1252));
}

std::string from_qt(const QString& text) {
    return text::utf8_to_cp1252(text.toStdString());
}

std::optional<QColor> qt_colour(int colour) {
    if (colour == forms::colour_none) return std::nullopt;
    if (colour < 0) return QColor(Qt::black);
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace ijken::gui
