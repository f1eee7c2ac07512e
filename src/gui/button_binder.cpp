#include "gui/button_binder.h"

#include <QKeyEvent>

#include "gui/qt_text.h"

namespace ijken::gui {

namespace {

// Return presses the focused button, as Space does: outside a dialog the toolkit's button takes
// only Space, and a skipper who tabbed to "Opslaan" expects Return to save.
class ReturnPresses : public QObject {
  public:
    explicit ReturnPresses(QPushButton* button) : QObject(button), button_(button) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != button_ || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || !plain) return false;
        if (!key->isAutoRepeat()) button_->click();
        return true;
    }

  private:
    QPushButton* button_;
};

}  // namespace

ButtonBinder::ButtonBinder(forms::Button& button, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(button, dialogs), button_(button), push_(new QPushButton(parent)) {
    push_->setObjectName(to_qt(button.name()));
    push_->setAutoDefault(false);
    QObject::connect(push_, &QPushButton::clicked, push_, [this] { run([this] { button_.click(); }); });
    push_->installEventFilter(new ReturnPresses(push_));
    start();
}

void ButtonBinder::refresh_kind() {
    const QString text = to_qt(button_.caption());
    if (push_->text() != text) push_->setText(text);
}

}  // namespace ijken::gui
