#include "gui/qt_event_loop.h"

#include <QCoreApplication>

namespace ijken::gui {

void QtEventLoop::quit() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

}  // namespace ijken::gui
