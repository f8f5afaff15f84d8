// Data exchange between a dialog's members and its controls, in the style of the original
// framework: DoDataExchange calls DDX_ functions that copy one way or the other depending
// on the direction of the exchange, and binds member pointers to controls.
#pragma once

#include <string>

#include "framework/fixed_text.h"
#include "framework/ui/dialog.h"

namespace fw {

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool save_and_validate)
        : m_bSaveAndValidate(save_and_validate), m_pDlgWnd(dialog) {}

    bool Failed() const { return failed_; }
    void Fail() { failed_ = true; }

    const bool m_bSaveAndValidate;  // true: controls to members
    CDialog* const m_pDlgWnd;

private:
    bool failed_ = false;
};

void DDX_Text(CDataExchange* dx, int id, std::string& value);
template <std::size_t N>
void DDX_Text(CDataExchange* dx, int id, FixedText<N>& value) {
    std::string text = value.str();
    DDX_Text(dx, id, text);
    if (dx->m_bSaveAndValidate) value = text;
}
// BST_UNCHECKED / BST_CHECKED of a check box.
void DDX_Check(CDataExchange* dx, int id, int& value);
// The index of the checked button in the radio group that begins with first_id, -1 for
// none.
void DDX_Radio(CDataExchange* dx, int first_id, int& value);

// Binds a member pointer to the control with this id. Fails the exchange if there is no
// such control or it is not of the member's class.
template <class T>
void DDX_Control(CDataExchange* dx, int id, T*& member) {
    T* control = dx->m_pDlgWnd->GetDlgItemAs<T>(id);
    if (!control) {
        dx->Fail();
        return;
    }
    member = control;
}

}  // namespace fw
