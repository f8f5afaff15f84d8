#include "framework/ui/data_exchange.h"

#include "framework/ui/button.h"

namespace fw {

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    CControl* control = dx->m_pDlgWnd->GetDlgItem(id);
    if (!control) {
        dx->Fail();
        return;
    }
    if (dx->m_bSaveAndValidate) {
        value = control->GetWindowText();
    } else {
        control->SetWindowText(value);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    auto* button = dx->m_pDlgWnd->GetDlgItemAs<CButton>(id);
    if (!button) {
        dx->Fail();
        return;
    }
    if (dx->m_bSaveAndValidate) {
        value = button->GetCheck();
    } else {
        button->SetCheck(value);
    }
}

void DDX_Radio(CDataExchange* dx, int first_id, int& value) {
    auto* first = dx->m_pDlgWnd->GetDlgItemAs<CButton>(first_id);
    std::vector<CButton*> group = first ? first->RadioGroup() : std::vector<CButton*>{};
    if (group.empty() || group.front() != first) {
        dx->Fail();  // the id must name the first button of a radio group
        return;
    }
    if (dx->m_bSaveAndValidate) {
        value = -1;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (group[i]->GetCheck() == BST_CHECKED) {
                value = static_cast<int>(i);
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i < group.size(); ++i) {
            group[i]->SetCheck(static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

}  // namespace fw
