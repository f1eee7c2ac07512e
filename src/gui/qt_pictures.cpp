#include "gui/qt_pictures.h"

#include <QImage>
#include <stdexcept>

#include "gui/qt_painter.h"

namespace ijken::gui {

forms::Bitmap QtPictures::picture(const std::string& name) {
    const QImage image(QString::fromStdString(":/pictures/" + name + ".png"));
    if (image.isNull()) throw std::runtime_error("Afbeelding \"" + name + "\" ontbreekt in het programma");
    return from_qimage(image);
}

}  // namespace ijken::gui
