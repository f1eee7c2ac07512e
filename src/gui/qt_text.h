#pragma once
// The boundary between the program's Windows-1252 texts and Qt's Unicode strings.
#include <QColor>
#include <QString>
#include <optional>
#include <string>

namespace ijken::gui {

// Windows-1252 bytes to a QString; every byte has a character.
QString to_qt(const std::string& cp1252);

// A QString to Windows-1252 bytes. Throws text::EncodingError, naming the character, when the
// string holds one that Windows-1252 cannot.
std::string from_qt(const QString& text);

// A colour 0x00BBGGRR; nullopt for forms::colour_none; the system's colours (negative) as black.
std::optional<QColor> qt_colour(int colour);

}  // namespace ijken::gui
