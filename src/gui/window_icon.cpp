#include "gui/window_icon.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPixmap>

namespace ijken::gui {

QIcon window_icon() {
    QFile file(QStringLiteral(":/icons/window_icon.argb"));
    const QByteArray pixels = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QIcon icon;
    qsizetype at = 0;
    for (int size : {16, 32, 64, 128}) {
        const qsizetype bytes = qsizetype{size} * size * 4;
        if (pixels.size() < at + bytes) return QIcon(QStringLiteral(":/icons/ijken.svg"));
        const QImage image(reinterpret_cast<const uchar*>(pixels.constData() + at), size, size,
                           QImage::Format_ARGB32_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image.copy()));
        at += bytes;
    }
    return icon;
}

}  // namespace ijken::gui
