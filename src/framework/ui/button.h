// CButton: push buttons, check boxes and radio buttons. Check boxes and radio buttons
// are of the automatic sort: a click changes their state before the dialog hears of it.
#pragma once

#include <vector>

#include "framework/ui/control.h"

namespace fw {

enum : int { BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2 };

class CButton : public CControl {
public:
    CButton(CDialog& parent, const ControlTemplate& line);

    int GetCheck() const { return check_; }
    void SetCheck(int check);
    bool IsDefault() const { return HasStyle(STYLE_DEFAULT_BUTTON); }

    // A check box toggles, a radio button becomes the checked one of its group; then the
    // dialog's command handler for the id runs.
    bool Click() override;

    // The radio buttons of this button's group: the run of controls from the last one
    // marked STYLE_GROUP at or before it up to the next one so marked. Empty for a button
    // that is not a radio button.
    std::vector<CButton*> RadioGroup() const;

private:
    int check_ = BST_UNCHECKED;
};

}  // namespace fw
