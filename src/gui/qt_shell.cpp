#include "gui/qt_shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <stdexcept>

#include "gui/qt_text.h"

namespace ijken::gui {

void QtShell::open_with_application(const std::filesystem::path& file) {
    const QString path = QString::fromStdU16String(file.u16string());
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;
    // The message goes to an error box, which shows Windows-1252; a name it cannot show is given
    // without its unusual characters rather than not at all.
    std::string name;
    try {
        name = from_qt(path);
    } catch (const std::exception&) {
        for (const QChar c : path) name += c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?';
    }
    throw std::runtime_error("Kan " + name + " niet openen");
}

}  // namespace ijken::gui
