#include "gui/qt_file_dialogs.h"

#include <QFileDialog>

#include "gui/qt_text.h"

namespace ijken::gui {

QStringList qt_name_filters(const std::string& filter) {
    const QStringList parts = to_qt(filter).split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].split(';', Qt::SkipEmptyParts).join(' ');
        // Qt reads the patterns from the parentheses at the end of the description.
        result << (description.endsWith("(" + patterns + ")") ? description
                                                              : description + " (" + patterns + ")");
    }
    return result;
}

std::optional<std::filesystem::path> QtFileDialogs::save_file(const forms::SaveFileRequest& request) {
    QFileDialog dialog(parent_, to_qt(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.filter.empty()) dialog.setNameFilters(qt_name_filters(request.filter));
    if (!request.default_suffix.empty()) dialog.setDefaultSuffix(to_qt(request.default_suffix));
    if (!request.default_name.empty()) dialog.selectFile(to_qt(request.default_name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdU16String());
}

}  // namespace ijken::gui
