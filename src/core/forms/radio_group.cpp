#include "core/forms/radio_group.h"

#include <algorithm>

namespace ijken::forms {

RadioGroup::RadioGroup(std::string name, Control* parent, Rect geometry, std::string caption,
                       std::vector<std::string> items)
    : Control(static_kind, std::move(name), parent, geometry), items_(std::move(items)) {
    set_caption(std::move(caption));
}

void RadioGroup::set_items(std::vector<std::string> items) {
    if (!assign(items_, std::move(items))) return;
    set_item_index(item_index_);
}

void RadioGroup::set_item_index(int index) {
    if (!store_index(index)) return;
    if (auto handler = on_change) handler();
}

bool RadioGroup::store_index(int index) {
    const int last = static_cast<int>(items_.size()) - 1;
    return assign(item_index_, std::clamp(index, -1, std::max(last, -1)));
}

void RadioGroup::set_columns(int columns) {
    assign(columns_, std::max(columns, 1));
}

}  // namespace ijken::forms
