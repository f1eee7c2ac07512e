#include "gui/form_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>

#include "core/forms/button.h"
#include "core/forms/label.h"
#include "core/forms/up_down.h"
#include "gui/caption_fit.h"
#include "gui/qt_text.h"

namespace ijken::gui {

FormWindow::FormWindow(forms::Form& form, forms::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), form_(form), dialogs_(dialogs), client_(new QWidget(this)) {
    setObjectName(to_qt(form.name()));
    client_->setObjectName("client");
    // The designed font: the default sans serif, characters 11 pixels high.
    QFont font = client_->font();
    font.setPixelSize(11);
    client_->setFont(font);
    setCentralWidget(client_);
    // A dialog's frame is part of the design, fixed before the window is first shown.
    if (form.dialog_frame()) setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // The client area's size goes to the form (Form::on_resize), see eventFilter.
    client_->installEventFilter(this);
    build();
    follow_form();
    form_observer_ = form_.add_observer([this](forms::Form&) { follow_form(); });
}

FormWindow::~FormWindow() {
    form_.remove_observer(form_observer_);
    for (const auto& [label, id] : label_observers_) label->remove_observer(id);
    // Binders before the widgets they refer to.
    menu_.reset();
    binders_.clear();
}

void FormWindow::build() {
    std::vector<QWidget*> focus_order;
    for (forms::Control* control : form_.controls()) {
        if (control->kind() == forms::ControlKind::menu_item) continue;
        QWidget* parent_widget = client_;
        if (control->parent() != nullptr) {
            ControlBinder* parent_binder = binder_for(*control->parent());
            if (parent_binder != nullptr && parent_binder->container() != nullptr) {
                parent_widget = parent_binder->container();
            }
        }
        auto binder = make_binder(*control, parent_widget, dialogs_);
        for (QWidget* w : binder->focus_chain()) focus_order.push_back(w);
        by_control_[control] = binder.get();
        binders_.push_back(std::move(binder));
    }
    // The tab order is the design order.
    for (std::size_t i = 1; i < focus_order.size(); ++i) setTabOrder(focus_order[i - 1], focus_order[i]);
    menu_ = std::make_unique<MenuBinder>(form_.menu(), menuBar(), dialogs_);
    // A window without a menu gets no empty menu bar above its controls.
    if (form_.menu().items().empty()) menuBar()->hide();
    link_up_downs();
    link_labels();
}

// A label that names another control becomes its buddy: its mnemonic moves the focus there.
void FormWindow::link_labels() {
    for (forms::Control* control : form_.controls()) {
        if (control->kind() != forms::ControlKind::label) continue;
        const forms::Control* target = static_cast<forms::Label*>(control)->focus_control();
        auto* label = qobject_cast<QLabel*>(widget_for(*control));
        QWidget* buddy = target == nullptr ? nullptr : widget_for(*target);
        if (label == nullptr || buddy == nullptr) continue;
        label->setBuddy(buddy);
        // The label names its control for a screen reader too: a translated caption renames it.
        ControlBinder* named = binder_for(*target);
        label_observers_.emplace_back(control, control->add_observer([named](forms::Control&) { named->refresh(); }));
    }
}

// The arrow keys in an edit that an up-down counts step the up-down, as its arrows do.
void FormWindow::link_up_downs() {
    for (forms::Control* control : form_.controls()) {
        if (control->kind() != forms::ControlKind::up_down) continue;
        auto* up_down = static_cast<forms::UpDown*>(control);
        if (up_down->associate() == nullptr) continue;
        QWidget* edit = widget_for(*up_down->associate());
        if (edit == nullptr) continue;
        edit->installEventFilter(this);
        up_down_keys_[edit] = up_down;
    }
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        forms::dispatch(dialogs_, [this] { form_.set_client_size(client_->width(), client_->height()); });
        // A caption grows only as far as the window reaches.
        fit_captions_within(client_);
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto it = up_down_keys_.find(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (it != up_down_keys_.end() && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            forms::UpDown* up_down = it->second;
            forms::dispatch(dialogs_,
                            [up_down, key] { key == Qt::Key_Up ? up_down->up() : up_down->down(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

namespace {

// The designed position, moved just as far as needed to keep the whole window on the screen: a
// window designed for a wide screen must not open half out of sight on a small one.
QPoint on_screen(QPoint designed, QSize outer) {
    QScreen* screen = QGuiApplication::screenAt(designed);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return designed;
    const QRect available = screen->availableGeometry();
    const int x = std::max(available.left(), std::min(designed.x(), available.right() + 1 - outer.width()));
    const int y = std::max(available.top(), std::min(designed.y(), available.bottom() + 1 - outer.height()));
    return {x, y};
}

QPoint centred_on_screen(QSize outer) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {0, 0};
    const QRect available = screen->availableGeometry();
    return on_screen(available.center() - QPoint(outer.width() / 2, outer.height() / 2), outer);
}

}  // namespace

void FormWindow::follow_form() {
    const QString caption = to_qt(form_.caption());
    if (windowTitle() != caption) setWindowTitle(caption);
    const forms::Rect& r = form_.geometry();
    const QSize client_size(std::max(0, r.w - frame_width), std::max(0, r.h - frame_height));
    if (size() != client_size) {
        if (form_.dialog_frame()) setFixedSize(client_size);
        else resize(client_size);
    }
    const QPoint position =
        form_.centred() ? centred_on_screen(QSize(r.w, r.h)) : on_screen(QPoint(r.x, r.y), QSize(r.w, r.h));
    if (pos() != position) move(position);
    if (form_.visible() && !isVisible()) {
        setWindowModality(form_.modal() ? Qt::ApplicationModal : Qt::NonModal);
        show();
    } else if (!form_.visible() && isVisible()) {
        hide();
    }
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The form decides: closing it hides this window through follow_form; a close handler that
    // fails keeps the form, and so the window, open.
    event->ignore();
    if (form_.visible()) forms::dispatch(dialogs_, [this] { form_.close(); });
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        for (forms::Control* control : form_.controls()) {
            if (control->kind() != forms::ControlKind::button) continue;
            auto* button = static_cast<forms::Button*>(control);
            if (!button->cancel()) continue;
            forms::dispatch(dialogs_, [button] { button->click(); });
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The user's resizing becomes the form's size (follow_form then finds nothing to change).
    if (!isVisible()) return;
    const forms::Rect& r = form_.geometry();
    const forms::Rect resized{r.x, r.y, width() + frame_width, height() + frame_height};
    forms::dispatch(dialogs_, [this, resized] { form_.set_geometry(resized); });
}

void FormWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) {
        forms::dispatch(dialogs_, [this] { form_.activate(); });
    } else {
        forms::dispatch(dialogs_, [this] { form_.deactivate(); });
    }
}

QWidget* FormWindow::widget_for(const forms::Control& control) const {
    ControlBinder* binder = binder_for(control);
    return binder == nullptr ? nullptr : binder->widget();
}

QWidget* FormWindow::widget_for(std::string_view control_name) const {
    const forms::Control* control = form_.find(control_name);
    return control == nullptr ? nullptr : widget_for(*control);
}

ControlBinder* FormWindow::binder_for(const forms::Control& control) const {
    const auto it = by_control_.find(&control);
    return it == by_control_.end() ? nullptr : it->second;
}

}  // namespace ijken::gui
