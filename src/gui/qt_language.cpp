#include "gui/qt_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace ijken::gui {

QtLanguage::~QtLanguage() {
    if (!installed_.empty()) QCoreApplication::removeTranslator(&translator_);
}

void QtLanguage::set_language(const std::string& code) {
    if (code == code_) return;
    code_ = code;
    if (!installed_.empty()) {
        QCoreApplication::removeTranslator(&translator_);
        installed_.clear();
    }
    if (code.empty()) return;
    // qtbase holds the texts of the message boxes and the file dialog.
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator_.load(QString("qtbase_") + QString::fromStdString(code), dir) &&
        QCoreApplication::installTranslator(&translator_)) {
        installed_ = code;
    }
}

}  // namespace ijken::gui
