#include "gui/button_binder.h"

#include "gui/qt_text.h"

namespace ijken::gui {

ButtonBinder::ButtonBinder(forms::Button& button, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(button, dialogs), button_(button), push_(new QPushButton(parent)) {
    push_->setObjectName(to_qt(button.name()));
    push_->setAutoDefault(false);
    QObject::connect(push_, &QPushButton::clicked, push_, [this] { run([this] { button_.click(); }); });
    start();
}

void ButtonBinder::refresh_kind() {
    const QString text = to_qt(button_.caption());
    if (push_->text() != text) push_->setText(text);
}

}  // namespace ijken::gui
