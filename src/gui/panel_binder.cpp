#include "gui/panel_binder.h"

#include "gui/qt_text.h"

namespace ijken::gui {

PanelBinder::PanelBinder(forms::Panel& panel, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(panel, dialogs), panel_(panel), frame_(new QFrame(parent)) {
    frame_->setObjectName(to_qt(panel.name()));
    start();
}

void PanelBinder::refresh_kind() {
    if (panel_.borderless()) {
        frame_->setFrameStyle(QFrame::NoFrame);
    } else {
        frame_->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame_->setLineWidth(1);
    }
}

}  // namespace ijken::gui
