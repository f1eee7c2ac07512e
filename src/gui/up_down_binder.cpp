#include "gui/up_down_binder.h"

#include "core/forms/accessible_name.h"
#include "gui/qt_text.h"

namespace ijken::gui {

UpDownBinder::UpDownBinder(forms::UpDown& up_down, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(up_down, dialogs),
      up_down_(up_down),
      box_(new QWidget(parent)),
      up_(new QToolButton(box_)),
      down_(new QToolButton(box_)) {
    box_->setObjectName(to_qt(up_down.name()));
    up_->setObjectName(box_->objectName() + "_up");
    down_->setObjectName(box_->objectName() + "_down");
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(false);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    QObject::connect(up_, &QToolButton::clicked, up_, [this] { run([this] { up_down_.up(); }); });
    QObject::connect(down_, &QToolButton::clicked, down_, [this] { run([this] { up_down_.down(); }); });
    start();
}

void UpDownBinder::refresh_kind() {
    const int w = box_->width();
    const int half = box_->height() / 2;
    up_->setGeometry(0, 0, w, half);
    down_->setGeometry(0, half, w, box_->height() - half);
    // The arrows alone say nothing to a screen reader: they carry the name of the field they count.
    const QString name = to_qt(forms::spoken_name(up_down_));
    const QString up = name + " " + to_qt(up_down_.up_name());
    const QString down = name + " " + to_qt(up_down_.down_name());
    if (up_->accessibleName() != up) up_->setAccessibleName(up);
    if (down_->accessibleName() != down) down_->setAccessibleName(down);
}

}  // namespace ijken::gui
