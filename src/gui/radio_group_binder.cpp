#include "gui/radio_group_binder.h"

#include <QSignalBlocker>

#include "gui/group_box_binder.h"
#include "gui/qt_text.h"

namespace ijken::gui {

RadioGroupBinder::RadioGroupBinder(forms::RadioGroup& group, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(group, dialogs),
      group_(group),
      box_(new DesignedGroupBox(parent)),
      button_group_(new QButtonGroup(box_)) {
    box_->setObjectName(to_qt(group.name()));
    QObject::connect(button_group_, &QButtonGroup::idToggled, box_, [this](int id, bool checked) {
        if (checked) run([this, id] { group_.set_item_index(id); });
    });
    start();
}

std::vector<QWidget*> RadioGroupBinder::focus_chain() const {
    return std::vector<QWidget*>(buttons_.begin(), buttons_.end());
}

void RadioGroupBinder::rebuild_buttons() {
    for (QRadioButton* b : buttons_) {
        button_group_->removeButton(b);
        b->deleteLater();
    }
    buttons_.clear();
    for (std::size_t i = 0; i < group_.items().size(); ++i) {
        auto* button = new QRadioButton(box_);
        button->setObjectName(box_->objectName() + "_" + QString::number(i));
        button_group_->addButton(button, static_cast<int>(i));
        button->show();
        buttons_.push_back(button);
    }
}

// The designed arrangement: the items fill the columns top to bottom; each column is an equal
// share of the width less 10 pixels, starting 8 pixels in; the rows share the height below the
// caption line.
void RadioGroupBinder::arrange_buttons() {
    const int count = static_cast<int>(buttons_.size());
    if (count == 0) return;
    const int columns = group_.columns();
    const int per_column = (count + columns - 1) / columns;
    const int text_height = QFontMetrics(box_->font()).height();
    const int width = (box_->width() - 10) / columns;
    const int space = box_->height() - text_height - 5;
    const int height = space / per_column;
    const int top = text_height + 1 + (space % per_column) / 2;
    for (int i = 0; i < count; ++i) {
        buttons_[static_cast<std::size_t>(i)]->setGeometry((i / per_column) * width + 8,
                                                           (i % per_column) * height + top, width, height);
    }
}

void RadioGroupBinder::refresh_kind() {
    const QString title = to_qt(group_.caption());
    if (box_->title() != title) box_->setTitle(title);
    if (buttons_.size() != group_.items().size()) rebuild_buttons();
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const QString text = to_qt(group_.items()[i]);
        if (buttons_[i]->text() != text) buttons_[i]->setText(text);
    }
    arrange_buttons();

    // Select without telling anybody; with no item selected every button goes off, which an
    // exclusive group only allows while it is not exclusive.
    const QSignalBlocker block(button_group_);
    const int index = group_.item_index();
    if (index < 0) {
        button_group_->setExclusive(false);
        for (QRadioButton* b : buttons_) {
            const QSignalBlocker block_button(b);
            b->setChecked(false);
        }
        button_group_->setExclusive(true);
    } else {
        const QSignalBlocker block_button(buttons_[static_cast<std::size_t>(index)]);
        buttons_[static_cast<std::size_t>(index)]->setChecked(true);
    }
    // Tab enters the group on its checked button (on the first while none is checked), as in the
    // toolkit's own dialogs; the arrow keys move within the group.
    const std::size_t entry = index < 0 ? 0 : static_cast<std::size_t>(index);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const Qt::FocusPolicy policy = i == entry ? Qt::StrongFocus : Qt::ClickFocus;
        if (buttons_[i]->focusPolicy() != policy) buttons_[i]->setFocusPolicy(policy);
    }
}

}  // namespace ijken::gui
