// CMenu: the system menu of a dialog, a list of items with command ids.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fw {

enum : unsigned { MF_STRING = 0x0000, MF_GRAYED = 0x0001, MF_SEPARATOR = 0x0800 };

// System commands of the platform's standard system menu.
enum : unsigned { SC_MINIMIZE = 0xF020, SC_CLOSE = 0xF060, SC_RESTORE = 0xF120 };

struct MenuItem {
    unsigned flags = MF_STRING;
    unsigned id = 0;
    std::string text;
    bool IsSeparator() const { return (flags & MF_SEPARATOR) != 0; }
    bool IsChoosable() const { return !IsSeparator() && (flags & MF_GRAYED) == 0; }
};

class CMenu {
public:
    bool AppendMenu(unsigned flags, unsigned id = 0, std::string_view text = {});
    int GetMenuItemCount() const { return static_cast<int>(items_.size()); }
    const std::vector<MenuItem>& Items() const { return items_; }
    // The choosable item with this id, or null.
    const MenuItem* FindItem(unsigned id) const;
    void Clear() { items_.clear(); }

private:
    std::vector<MenuItem> items_;
};

}  // namespace fw
