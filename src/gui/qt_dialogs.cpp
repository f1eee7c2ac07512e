#include "gui/qt_dialogs.h"

#include <QMessageBox>

#include "gui/qt_text.h"

namespace ijken::gui {

QtDialogs::QtDialogs(QWidget* parent, QString title) : parent_(parent), title_(std::move(title)) {}

void QtDialogs::information(const std::string& text) {
    QMessageBox::information(parent_, title_, to_qt(text), QMessageBox::Ok);
}

bool QtDialogs::confirm(const std::string& text, forms::Answer default_answer) {
    QMessageBox box(QMessageBox::Question, title_, to_qt(text), QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(default_answer == forms::Answer::no ? QMessageBox::No : QMessageBox::Yes);
    // Escape (and the close box) answers No whatever the default is.
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::error(const std::string& text) {
    QMessageBox::critical(parent_, title_, to_qt(text), QMessageBox::Ok);
}

void QtDialogs::error_utf8(const std::string& text) {
    QMessageBox::critical(parent_, title_, QString::fromStdString(text), QMessageBox::Ok);
}

}  // namespace ijken::gui
