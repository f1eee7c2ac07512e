#include "gui/group_box_binder.h"

#include "gui/qt_text.h"

namespace ijken::gui {

GroupBoxBinder::GroupBoxBinder(forms::GroupBox& box, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(box, dialogs), box_(box), box_widget_(new QGroupBox(parent)) {
    box_widget_->setObjectName(to_qt(box.name()));
    start();
}

void GroupBoxBinder::refresh_kind() {
    const QString title = to_qt(box_.caption());
    if (box_widget_->title() != title) box_widget_->setTitle(title);
}

}  // namespace ijken::gui
