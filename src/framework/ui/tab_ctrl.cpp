#include "framework/ui/tab_ctrl.h"

#include "framework/ui/dialog.h"

namespace fw {

CTabCtrl::CTabCtrl(CDialog& parent, const ControlTemplate& line) : CControl(parent, line) {}

int CTabCtrl::InsertItem(int index, std::string_view text) {
    if (index < 0) return -1;
    if (index > GetItemCount()) index = GetItemCount();
    items_.insert(items_.begin() + index, std::string(text));
    if (items_.size() == 1) {
        current_ = 0;
    } else if (current_ >= index) {
        ++current_;  // the current item keeps being current
    }
    NotifyChange(Change::Items);
    return index;
}

bool CTabCtrl::DeleteItem(int index) {
    if (index < 0 || index >= GetItemCount()) return false;
    items_.erase(items_.begin() + index);
    if (current_ == index) {
        current_ = -1;
    } else if (current_ > index) {
        --current_;
    }
    NotifyChange(Change::Items);
    return true;
}

std::string CTabCtrl::GetItemText(int index) const {
    if (index < 0 || index >= GetItemCount()) return {};
    return items_[index];
}

int CTabCtrl::SetCurSel(int index) {
    if (index < 0 || index >= GetItemCount()) return -1;
    int previous = current_;
    if (index != current_) {
        current_ = index;
        NotifyChange(Change::Selection);
    }
    return previous;
}

bool CTabCtrl::ClickItem(int index) {
    if (!AcceptsInput() || index < 0 || index >= GetItemCount()) return false;
    SetFocus();
    if (index == current_) return true;
    // The dialog may refuse the change; it sees the old selection while it decides.
    if (Dialog().SendNotify(id_, TCN_SELCHANGING) != 0) return true;
    SetCurSel(index);
    Dialog().SendNotify(id_, TCN_SELCHANGE);
    return true;
}

}  // namespace fw
