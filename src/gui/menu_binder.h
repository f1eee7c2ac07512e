#pragma once
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <map>
#include <set>
#include <vector>

#include "core/forms/menu_item.h"
#include "core/forms/services.h"

namespace ijken::gui {

// The form's menu tree -> a QMenuBar: an item with children becomes a QMenu, any other a QAction
// (with its shortcut and check mark), "-" a separator. Submenus follow the core's run-time
// changes: when an item's children change, its QMenu is rebuilt. Replaced actions are deleted
// later, so a click handler may rebuild the very menu it was chosen from.
//
// A submenu filled at run time item by item (a ships menu of hundreds) is rebuilt once, not once
// per item: the rebuild waits for the event loop, or for the next question about the menus.
//
// A submenu whose items have no shortcut gets its actions only when it is first opened (or asked
// about): a ships menu of hundreds costs the window's start nothing. One with a shortcut somewhere
// below is filled at once, so that the key works before the menu was ever opened.
class MenuBinder {
  public:
    MenuBinder(forms::MenuItem& root, QMenuBar* bar, forms::Dialogs& dialogs);
    ~MenuBinder();
    MenuBinder(const MenuBinder&) = delete;
    MenuBinder& operator=(const MenuBinder&) = delete;

    // The action showing an item, null when none does (yet).
    QAction* action_for(const forms::MenuItem& item) const;
    // The submenu of an item with children, else null.
    QMenu* menu_for(const forms::MenuItem& item) const;

  private:
    struct Entry {
        const forms::MenuItem* built_parent = nullptr;
        QAction* action = nullptr;
        QMenu* menu = nullptr;  // owns action when set
        std::vector<forms::MenuItem*> built_children;
        int observer = 0;
        // A submenu's actions are made (populate ran for it); false until it is first needed.
        bool filled = false;
    };

    QWidget* container_of(const forms::MenuItem& item) const;
    QMenu* built_menu(const forms::MenuItem& item) const;
    // Marks a submenu for rebuilding at the next flush.
    void schedule(forms::MenuItem& item);
    // Rebuilds the submenus marked since the last flush.
    void flush();
    void rebuild(forms::MenuItem& parent);
    void populate(forms::MenuItem& parent, QWidget* container);
    // Makes the actions of a submenu not filled yet, and of the submenus above it.
    void fill(const forms::MenuItem& item);
    void drop_below(const forms::MenuItem& parent);
    void changed(forms::MenuItem& item);
    void apply(const forms::MenuItem& item, Entry& entry);
    void triggered(forms::MenuItem* item);

    forms::MenuItem& root_;
    QMenuBar* bar_;
    forms::Dialogs& dialogs_;
    int root_observer_ = 0;
    std::vector<forms::MenuItem*> root_children_;
    std::map<const forms::MenuItem*, Entry> entries_;
    std::set<forms::MenuItem*> pending_;
    // Owns the queued flush, so that none runs after the binder is gone.
    QObject flush_context_;
    bool flush_queued_ = false;
};

}  // namespace ijken::gui
