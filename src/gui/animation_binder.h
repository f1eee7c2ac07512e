#pragma once
#include <QWidget>

#include "core/about/animation.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// The widget of an Animation: fills its area with the window's background, then paints the
// control's picture over it (its transparent colour shows that background).
class AnimationWidget : public QWidget {
  public:
    AnimationWidget(const about::Animation& animation, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const about::Animation& animation_;
};

class AnimationBinder : public ControlBinder {
  public:
    AnimationBinder(about::Animation& animation, QWidget* parent, forms::Dialogs& dialogs);
    QWidget* widget() const override { return widget_; }

  protected:
    // Every change of the control (a new frame above all) paints it again.
    void refresh_kind() override { widget_->update(); }

  private:
    AnimationWidget* widget_;
};

}  // namespace ijken::gui
