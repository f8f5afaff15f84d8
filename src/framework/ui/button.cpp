#include "framework/ui/button.h"

#include "framework/ui/dialog.h"

namespace fw {

CButton::CButton(CDialog& parent, const ControlTemplate& line) : CControl(parent, line) {}

void CButton::SetCheck(int check) {
    if (check == check_) return;
    check_ = check;
    NotifyChange(Change::Check);
}

bool CButton::Click() {
    if (!AcceptsInput()) return false;
    SetFocus();
    if (Kind() == ControlKind::CheckBox) {
        SetCheck(check_ == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    } else if (Kind() == ControlKind::RadioButton) {
        for (CButton* other : RadioGroup()) {
            if (other != this) other->SetCheck(BST_UNCHECKED);
        }
        SetCheck(BST_CHECKED);
    }
    Dialog().SendCommand(id_);
    return true;
}

std::vector<CButton*> CButton::RadioGroup() const {
    std::vector<CButton*> group;
    if (Kind() != ControlKind::RadioButton) return group;
    std::vector<CControl*> all = Dialog().Controls();
    std::size_t me = 0;
    while (me < all.size() && all[me] != this) ++me;
    if (me == all.size()) return group;
    std::size_t first = me;
    while (first > 0 && !all[first]->HasStyle(STYLE_GROUP)) --first;
    for (std::size_t i = first; i < all.size(); ++i) {
        if (i > first && all[i]->HasStyle(STYLE_GROUP)) break;
        if (all[i]->Kind() == ControlKind::RadioButton) {
            group.push_back(static_cast<CButton*>(all[i]));
        }
    }
    return group;
}

}  // namespace fw
