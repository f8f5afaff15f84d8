// What the drawing and the input halves of DialogLayer agree on: which controls hold one
// line of text, which merely frame others, and where the tab control puts its items.
#pragma once

#include <string_view>

#include "framework/ui/control.h"
#include "framework/ui/tab_ctrl.h"
#include "frontends/tui/grid.h"
#include "frontends/tui/layout.h"

namespace tui::dialog_parts {

using fw::ControlKind;

// Controls that show one line of text sit on the row that holds their vertical centre, so
// that a label and the box beside it share a row even when their edges round apart.
inline bool IsOneLine(const fw::CControl* c, const fw::Rect& r) {
    switch (c->Kind()) {
        case ControlKind::Edit:
        case ControlKind::IpAddress:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::PushButton:
            return true;
        case ControlKind::Static:
            return r.h < 2 * kUnitsPerRow;
        default:
            return false;
    }
}

inline bool IsContainer(const fw::CControl* c) {
    return c->Kind() == ControlKind::GroupBox || c->Kind() == ControlKind::Frame;
}

inline int Cells(std::string_view utf8) {
    return static_cast<int>(DecodeUtf8(utf8).size());
}

// Tab items side by side from the control's left edge, each as wide as its text plus two.
inline int TabItemAt(const fw::CTabCtrl& tab, const CellRect& rect, int col) {
    int left = rect.left;
    for (int i = 0; i < tab.GetItemCount(); ++i) {
        int width = Cells(StripAccelerator(tab.GetItemText(i))) + 3;
        if (col >= left && col < left + width) return i;
        left += width;
    }
    return -1;
}

}  // namespace tui::dialog_parts
