#pragma once
#include <QSlider>

#include "core/forms/slider.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// Slider -> QSlider. A vertical track bar has its minimum at the top, so the Qt slider's
// appearance and keys are inverted; no tick marks unless asked for.
class SliderBinder : public ControlBinder {
  public:
    SliderBinder(forms::Slider& slider, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return qt_slider_; }
    std::vector<QWidget*> focus_chain() const override { return {qt_slider_}; }
    QSlider* slider() const { return qt_slider_; }

  protected:
    void refresh_kind() override;

  private:
    forms::Slider& slider_;
    QSlider* qt_slider_;
};

}  // namespace ijken::gui
