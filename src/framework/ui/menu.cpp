#include "framework/ui/menu.h"

namespace fw {

bool CMenu::AppendMenu(unsigned flags, unsigned id, std::string_view text) {
    MenuItem item;
    item.flags = flags;
    if (!item.IsSeparator()) {
        item.id = id;
        item.text = std::string(text);
    }
    items_.push_back(std::move(item));
    return true;
}

const MenuItem* CMenu::FindItem(unsigned id) const {
    for (const MenuItem& item : items_) {
        if (item.IsChoosable() && item.id == id) return &item;
    }
    return nullptr;
}

}  // namespace fw
