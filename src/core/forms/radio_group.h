#pragma once
#include <functional>
#include <vector>

#include "core/forms/control.h"

namespace ijken::forms {

// A group box of radio buttons, one per item, of which at most one is selected. item_index is the
// selected item, -1 for none.
class RadioGroup : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::radio_group;

    RadioGroup(std::string name, Control* parent, Rect geometry, std::string caption = {},
               std::vector<std::string> items = {});

    const std::vector<std::string>& items() const { return items_; }
    // Replaces the items' texts, keeping the selected index; when the index no longer fits, the
    // last item (or none) becomes selected and on_change runs.
    void set_items(std::vector<std::string> items);

    int item_index() const { return item_index_; }
    // Selects an item; below -1 counts as -1, beyond the last item as the last item. on_change runs
    // when the index really changes, whether the user or the program changed it.
    void set_item_index(int index);

    // Items are laid out in this many columns, filled top to bottom.
    int columns() const { return columns_; }
    void set_columns(int columns);

    std::function<void()> on_change;

  private:
    // Stores a clamped index; returns whether it changed (observers told, on_change not yet run).
    bool store_index(int index);

    std::vector<std::string> items_;
    int item_index_ = -1;
    int columns_ = 1;
};

}  // namespace ijken::forms
