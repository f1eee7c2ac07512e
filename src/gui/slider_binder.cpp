#include "gui/slider_binder.h"

#include <QSignalBlocker>

#include "gui/qt_text.h"

namespace ijken::gui {

SliderBinder::SliderBinder(forms::Slider& slider, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(slider, dialogs), slider_(slider), qt_slider_(new QSlider(parent)) {
    qt_slider_->setObjectName(to_qt(slider.name()));
    qt_slider_->setSingleStep(1);
    QObject::connect(qt_slider_, &QSlider::valueChanged, qt_slider_,
                     [this](int value) { run([this, value] { slider_.set_position(value); }); });
    start();
}

void SliderBinder::refresh_kind() {
    const QSignalBlocker block(qt_slider_);
    qt_slider_->setOrientation(slider_.vertical() ? Qt::Vertical : Qt::Horizontal);
    qt_slider_->setInvertedAppearance(slider_.vertical());
    qt_slider_->setInvertedControls(slider_.vertical());
    qt_slider_->setTickPosition(slider_.tick_marks() ? QSlider::TicksBothSides : QSlider::NoTicks);
    qt_slider_->setRange(slider_.minimum(), slider_.maximum());
    qt_slider_->setPageStep(std::max(1, (slider_.maximum() - slider_.minimum()) / 10));
    qt_slider_->setValue(slider_.position());
}

}  // namespace ijken::gui
