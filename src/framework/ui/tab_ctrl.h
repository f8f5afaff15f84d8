// CTabCtrl: a row of tab items with a current one. The program's own SetCurSel sends no
// notification; a person's click asks the dialog first (selection changing, which may
// refuse) and tells it afterwards (selection changed), as the platform did.
#pragma once

#include <string>
#include <vector>

#include "framework/ui/control.h"

namespace fw {

// Notification codes sent to the dialog's notify handlers for the tab control.
enum : int { TCN_SELCHANGE = -551, TCN_SELCHANGING = -552 };

class CTabCtrl : public CControl {
public:
    CTabCtrl(CDialog& parent, const ControlTemplate& line);

    // Returns the new item's index, or -1 for an index out of range. The first item of
    // an empty control becomes the current one.
    int InsertItem(int index, std::string_view text);
    bool DeleteItem(int index);
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    std::string GetItemText(int index) const;
    const std::vector<std::string>& Items() const { return items_; }

    int GetCurSel() const { return current_; }
    // Returns the previous current index, or -1 for an index out of range.
    int SetCurSel(int index);

    // A person's click on an item. False when the control does not accept input or the
    // index is out of range; a click on the current item changes nothing.
    bool ClickItem(int index);

private:
    std::vector<std::string> items_;
    int current_ = -1;
};

}  // namespace fw
