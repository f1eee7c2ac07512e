#include "gui/menu_binder.h"

#include <QKeySequence>
#include <set>

#include "gui/control_binder.h"
#include "gui/qt_text.h"

namespace ijken::gui {

namespace {

// True when the item or one below it has a shortcut.
bool has_shortcut_below(const forms::MenuItem& item) {
    if (!item.shortcut().empty()) return true;
    for (const forms::MenuItem* child : item.items()) {
        if (has_shortcut_below(*child)) return true;
    }
    return false;
}

void collect_descendants(const forms::MenuItem& item, std::set<const forms::MenuItem*>& into) {
    for (forms::MenuItem* child : item.items()) {
        into.insert(child);
        collect_descendants(*child, into);
    }
}

}  // namespace

MenuBinder::MenuBinder(forms::MenuItem& root, QMenuBar* bar, forms::Dialogs& dialogs)
    : root_(root), bar_(bar), dialogs_(dialogs) {
    rebuild(root_);
    root_observer_ = root_.add_observer([this](forms::Control&) {
        if (root_.items() != root_children_) rebuild(root_);
    });
}

MenuBinder::~MenuBinder() {
    root_.remove_observer(root_observer_);
    for (auto& [item, entry] : entries_) const_cast<forms::MenuItem*>(item)->remove_observer(entry.observer);
}

QAction* MenuBinder::action_for(const forms::MenuItem& item) const {
    auto* self = const_cast<MenuBinder*>(this);
    self->flush();
    if (item.parent() != nullptr && &item != &root_) self->fill(*static_cast<const forms::MenuItem*>(item.parent()));
    const auto it = entries_.find(&item);
    return it == entries_.end() ? nullptr : it->second.action;
}

QMenu* MenuBinder::menu_for(const forms::MenuItem& item) const {
    auto* self = const_cast<MenuBinder*>(this);
    self->flush();
    self->fill(item);
    return built_menu(item);
}

QMenu* MenuBinder::built_menu(const forms::MenuItem& item) const {
    const auto it = entries_.find(&item);
    return it == entries_.end() ? nullptr : it->second.menu;
}

QWidget* MenuBinder::container_of(const forms::MenuItem& item) const {
    if (&item == &root_) return bar_;
    return built_menu(item);
}

void MenuBinder::schedule(forms::MenuItem& item) {
    pending_.insert(&item);
    if (flush_queued_) return;
    flush_queued_ = true;
    QMetaObject::invokeMethod(&flush_context_, [this] { flush(); }, Qt::QueuedConnection);
}

void MenuBinder::flush() {
    flush_queued_ = false;
    if (pending_.empty()) return;
    // Only items still in the menu tree; a pending item inside another pending one is rebuilt
    // with it.
    std::set<const forms::MenuItem*> alive;
    collect_descendants(root_, alive);
    auto pending = std::move(pending_);
    pending_.clear();
    for (forms::MenuItem* item : pending) {
        if (!alive.contains(item) || !entries_.contains(item)) continue;
        bool inside_other = false;
        for (const forms::MenuItem* p = static_cast<const forms::MenuItem*>(item->parent()); p != nullptr && p != &root_;
             p = static_cast<const forms::MenuItem*>(p->parent())) {
            if (pending.contains(const_cast<forms::MenuItem*>(p))) inside_other = true;
        }
        if (inside_other) continue;
        rebuild(*item);
        const auto it = entries_.find(item);
        if (it != entries_.end()) apply(*item, it->second);
    }
}

// Rebuilds what stands below parent: its submenu's content, or, when parent changed between
// plain item and submenu, the content of the menu parent stands in.
void MenuBinder::rebuild(forms::MenuItem& parent) {
    QWidget* container = container_of(parent);
    const bool wants_menu = !parent.items().empty();
    if (&parent != &root_ && (container != nullptr) != wants_menu) {
        rebuild(*static_cast<forms::MenuItem*>(parent.parent()));
        return;
    }
    drop_below(parent);
    if (&parent == &root_) {
        root_children_ = root_.items();
    } else {
        Entry& entry = entries_.at(&parent);
        entry.built_children = parent.items();
        // A submenu not yet opened stays so: it is filled with what it holds then.
        if (container != nullptr && !entry.filled) return;
    }
    if (container != nullptr) populate(parent, container);
}

void MenuBinder::populate(forms::MenuItem& parent, QWidget* container) {
    for (forms::MenuItem* child : parent.items()) {
        Entry entry;
        entry.built_parent = &parent;
        if (!child->items().empty()) {
            entry.menu = new QMenu(container);
            entry.menu->setObjectName(to_qt(child->name()));
            entry.action = entry.menu->menuAction();
        } else {
            entry.action = new QAction(container);
            if (child->is_separator()) {
                entry.action->setSeparator(true);
            } else {
                QObject::connect(entry.action, &QAction::triggered, entry.action,
                                 [this, child] { triggered(child); });
            }
        }
        entry.action->setObjectName(to_qt(child->name()));
        container->addAction(entry.action);
        entry.built_children = child->items();
        entry.observer =
            child->add_observer([this](forms::Control& c) { changed(static_cast<forms::MenuItem&>(c)); });
        Entry& stored = entries_[child] = entry;
        apply(*child, stored);
        if (stored.menu != nullptr) {
            QObject::connect(stored.menu, &QMenu::aboutToShow, stored.menu, [this, child] { fill(*child); });
            if (has_shortcut_below(*child)) fill(*child);
        }
    }
    if (&parent != &root_) entries_.at(&parent).filled = true;
}

void MenuBinder::fill(const forms::MenuItem& item) {
    if (&item == &root_) return;
    const auto it = entries_.find(&item);
    if (it == entries_.end()) {
        // Not built yet: its own menu stands in one that is not filled yet.
        const auto* parent = static_cast<const forms::MenuItem*>(item.parent());
        if (parent == nullptr || !entries_.contains(parent) || entries_.at(parent).filled) return;
        fill(*parent);
        if (entries_.contains(&item)) fill(item);
        return;
    }
    if (it->second.menu == nullptr || it->second.filled) return;
    populate(*const_cast<forms::MenuItem*>(&item), it->second.menu);
}

// Forgets everything built below parent. Items that are gone are only dropped from the map:
// their observers went with them.
void MenuBinder::drop_below(const forms::MenuItem& parent) {
    std::set<const forms::MenuItem*> alive;
    collect_descendants(parent, alive);
    std::set<const forms::MenuItem*> doomed{&parent};
    bool grew = true;
    while (grew) {
        grew = false;
        for (const auto& [item, entry] : entries_) {
            if (!doomed.contains(item) && doomed.contains(entry.built_parent)) {
                doomed.insert(item);
                grew = true;
            }
        }
    }
    doomed.erase(&parent);
    QWidget* container = container_of(parent);
    for (const forms::MenuItem* item : doomed) {
        Entry& entry = entries_.at(item);
        if (alive.contains(item)) const_cast<forms::MenuItem*>(item)->remove_observer(entry.observer);
        QObject::disconnect(entry.action, nullptr, nullptr, nullptr);
        if (container != nullptr && entry.built_parent == &parent) container->removeAction(entry.action);
        if (entry.menu != nullptr) {
            entry.menu->deleteLater();
        } else {
            entry.action->deleteLater();
        }
    }
    for (const forms::MenuItem* item : doomed) entries_.erase(item);
}

void MenuBinder::changed(forms::MenuItem& item) {
    Entry& entry = entries_.at(&item);
    if (pending_.contains(&item) || item.items() != entry.built_children ||
        (entry.menu != nullptr) == item.items().empty()) {
        schedule(item);
        return;
    }
    apply(item, entry);
}

void MenuBinder::apply(const forms::MenuItem& item, Entry& entry) {
    QAction* action = entry.action;
    const QString text = to_qt(item.caption());
    if (action->text() != text) action->setText(text);
    if (entry.menu != nullptr) entry.menu->setTitle(text);
    action->setToolTip(to_qt(item.hint()));
    action->setVisible(item.visible());
    action->setEnabled(item.enabled());
    action->setCheckable(item.checked());
    action->setChecked(item.checked());
    const QKeySequence shortcut =
        QKeySequence::fromString(to_qt(item.shortcut()), QKeySequence::PortableText);
    if (action->shortcut() != shortcut) action->setShortcut(shortcut);
}

void MenuBinder::triggered(forms::MenuItem* item) {
    prepare_user_action();
    // An action of a submenu rebuilt since it was shown may stand for an item that is gone.
    if (!pending_.empty()) {
        flush();
        if (!entries_.contains(item)) return;
    }
    forms::dispatch(dialogs_, [item] { item->click(); });
    // The handler may have destroyed the item (rebuilding the menu it stood in): once the menus
    // caught up, only an item still known here is refreshed, to put a check mark Qt toggled back
    // as the core has it.
    flush();
    const auto it = entries_.find(item);
    if (it != entries_.end()) apply(*item, it->second);
}

}  // namespace ijken::gui
