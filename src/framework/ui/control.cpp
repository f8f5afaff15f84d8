#include "framework/ui/control.h"

#include "framework/ui/button.h"
#include "framework/ui/dialog.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/list_box.h"
#include "framework/ui/progress_ctrl.h"
#include "framework/ui/static_ctrl.h"
#include "framework/ui/tab_ctrl.h"

namespace fw {

CControl::CControl(CDialog& parent, const ControlTemplate& line)
    : CWnd(&parent, line.id, line.caption, line.rect, line.style), template_(line) {}

CDialog& CControl::Dialog() const {
    return *static_cast<CDialog*>(parent_);
}

bool CControl::IsButtonKind() const {
    ControlKind k = Kind();
    return k == ControlKind::CheckBox || k == ControlKind::RadioButton ||
           k == ControlKind::PushButton;
}

std::unique_ptr<CControl> CreateControl(CDialog& parent, const ControlTemplate& line) {
    switch (line.kind) {
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
        case ControlKind::PushButton:
            return std::make_unique<CButton>(parent, line);
        case ControlKind::Edit:
            return std::make_unique<CEdit>(parent, line);
        case ControlKind::ListBox:
            return std::make_unique<CListBox>(parent, line);
        case ControlKind::Progress:
            return std::make_unique<CProgressCtrl>(parent, line);
        case ControlKind::IpAddress:
            return std::make_unique<CIPAddressCtrl>(parent, line);
        case ControlKind::Tab:
            return std::make_unique<CTabCtrl>(parent, line);
        case ControlKind::Static:
        case ControlKind::GroupBox:
        case ControlKind::Frame:
        case ControlKind::Icon:
        case ControlKind::Picture:
            break;
    }
    return std::make_unique<CStatic>(parent, line);
}

}  // namespace fw
