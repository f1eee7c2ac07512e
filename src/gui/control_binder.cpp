#include "gui/control_binder.h"

#include <QSignalBlocker>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "core/forms/accessible_name.h"
#include "core/forms/button.h"
#include "core/forms/drawing.h"
#include "core/forms/edit.h"
#include "core/forms/group_box.h"
#include "core/forms/label.h"
#include "core/forms/memo.h"
#include "core/forms/panel.h"
#include "core/forms/radio_group.h"
#include "core/forms/report_preview.h"
#include "core/forms/slider.h"
#include "core/forms/string_grid.h"
#include "core/forms/up_down.h"
#include "core/about/animation.h"
#include "gui/animation_binder.h"
#include "gui/button_binder.h"
#include "gui/drawing_binder.h"
#include "gui/edit_binder.h"
#include "gui/group_box_binder.h"
#include "gui/label_binder.h"
#include "gui/memo_binder.h"
#include "gui/panel_binder.h"
#include "gui/qt_text.h"
#include "gui/radio_group_binder.h"
#include "gui/report_preview_binder.h"
#include "gui/slider_binder.h"
#include "gui/string_grid_binder.h"
#include "gui/up_down_binder.h"

namespace ijken::gui {

ControlBinder::ControlBinder(forms::Control& control, forms::Dialogs& dialogs)
    : control_(control), dialogs_(dialogs) {}

ControlBinder::~ControlBinder() {
    if (observer_ != 0) control_.remove_observer(observer_);
}

void ControlBinder::start() {
    refresh();
    observer_ = control_.add_observer([this](forms::Control&) { refresh(); });
}

void ControlBinder::refresh() {
    apply_common(widget());
    refresh_kind();
}

void ControlBinder::apply_common(QWidget* w) {
    const forms::Rect& r = control_.geometry();
    if (w->geometry() != QRect(r.x, r.y, r.w, r.h)) w->setGeometry(r.x, r.y, r.w, r.h);
    w->setHidden(!control_.visible());
    w->setEnabled(control_.enabled());
    w->setToolTip(to_qt(control_.hint()));
    const QString name = to_qt(forms::spoken_name(control_));
    if (w->accessibleName() != name) w->setAccessibleName(name);
    apply_font(w, control_);
    if (control_.colour() != applied_colour_) {
        applied_colour_ = control_.colour();
        if (const auto colour = qt_colour(applied_colour_)) {
            QPalette palette = w->palette();
            palette.setColor(QPalette::Window, *colour);
            w->setPalette(palette);
            w->setAutoFillBackground(true);
        } else {
            w->setPalette(QPalette());
            w->setAutoFillBackground(false);
        }
    }
}

void ControlBinder::apply_font(QWidget* w, const forms::Control& c) {
    // A default QFont resolves nothing itself, so the widget inherits its parent's font; the
    // property remembers what was applied, so that an unchanged font is not set again.
    const QString key = QString::number(c.font_height()) + (c.bold() ? "b" : "n") + to_qt(c.font_name());
    const QVariant applied = w->property("ijken_font");
    if (applied.toString() == key) return;
    w->setProperty("ijken_font", key);
    // A widget never given a font inherits already: the default font need not be set on it.
    const bool designed_default = c.font_height() == 0 && !c.bold() && c.font_name().empty();
    if (designed_default && !applied.isValid() && !w->testAttribute(Qt::WA_SetFont)) return;
    QFont font;
    if (c.font_height() != 0) font.setPixelSize(std::abs(c.font_height()));
    if (c.bold()) font.setBold(true);
    if (!c.font_name().empty()) font.setFamily(to_qt(c.font_name()));
    w->setFont(font);
}

namespace {
std::function<void()> waiting_preparation;
}  // namespace

void before_next_user_action(std::function<void()> prepare) {
    waiting_preparation = std::move(prepare);
}

void prepare_user_action() {
    if (auto prepare = std::exchange(waiting_preparation, nullptr)) prepare();
}

void ControlBinder::run(const std::function<void()>& handler) {
    prepare_user_action();
    forms::dispatch(dialogs_, handler);
    refresh();
}

std::unique_ptr<ControlBinder> make_binder(forms::Control& control, QWidget* parent,
                                           forms::Dialogs& dialogs) {
    using K = forms::ControlKind;
    switch (control.kind()) {
        case K::label:
            return std::make_unique<LabelBinder>(static_cast<forms::Label&>(control), parent, dialogs);
        case K::edit:
        case K::mask_edit:
        case K::labeled_edit:
            return std::make_unique<EditBinder>(static_cast<forms::Edit&>(control), parent, dialogs);
        case K::panel:
            return std::make_unique<PanelBinder>(static_cast<forms::Panel&>(control), parent, dialogs);
        case K::group_box:
            return std::make_unique<GroupBoxBinder>(static_cast<forms::GroupBox&>(control), parent, dialogs);
        case K::radio_group:
            return std::make_unique<RadioGroupBinder>(static_cast<forms::RadioGroup&>(control), parent,
                                                      dialogs);
        case K::button:
            return std::make_unique<ButtonBinder>(static_cast<forms::Button&>(control), parent, dialogs);
        case K::slider:
            return std::make_unique<SliderBinder>(static_cast<forms::Slider&>(control), parent, dialogs);
        case K::up_down:
            return std::make_unique<UpDownBinder>(static_cast<forms::UpDown&>(control), parent, dialogs);
        case K::drawing:
            return std::make_unique<DrawingBinder>(static_cast<forms::Drawing&>(control), parent, dialogs);
        case K::string_grid:
            return std::make_unique<StringGridBinder>(static_cast<forms::StringGrid&>(control), parent, dialogs);
        case K::memo:
            return std::make_unique<MemoBinder>(static_cast<forms::Memo&>(control), parent, dialogs);
        case K::report_preview:
            return std::make_unique<ReportPreviewBinder>(static_cast<forms::ReportPreview&>(control), parent,
                                                         dialogs);
        case K::animation:
            return std::make_unique<AnimationBinder>(static_cast<about::Animation&>(control), parent, dialogs);
        case K::menu_item:
            break;
    }
    throw std::logic_error("No widget for control \"" + control.name() + "\" of kind " +
                           std::string(forms::kind_name(control.kind())));
}

}  // namespace ijken::gui
