#include "frontends/cli/window_hands.h"

#include "app/main_dlg.h"
#include "framework/ui/button.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/tab_ctrl.h"
#include "frontends/cli/cli_options.h"
#include "resources/resource.h"

namespace cli {

namespace {
constexpr int kUpgradeTab = 0;
constexpr int kServerTab = 2;
}  // namespace

bool WindowHands::Refused(const char* what, int id) {
    if (problem_.empty()) {
        problem_ = std::string("the window refused ") + what + " control " + std::to_string(id);
    }
    return false;
}

bool WindowHands::SelectTab(int index) {
    fw::CTabCtrl* tabs = main_.TabControl();
    if (!tabs || !tabs->ClickItem(index) || tabs->GetCurSel() != index) {
        return Refused("to show the page of tab", index);
    }
    return true;
}

bool WindowHands::Type(int id, std::string_view text) {
    auto* edit = dynamic_cast<fw::CEdit*>(main_.ControlById(id));
    if (!edit || !edit->EnterText(text) || edit->GetWindowText() != text) {
        return Refused("typing into", id);
    }
    return true;
}

bool WindowHands::TypeAddress(std::string_view address) {
    fw::CIPAddressCtrl* control = main_.ModemAddress();
    if (!control || !control->EnterAddress(address))
        return Refused("typing into", IDC_MODEM_ADDRESS);
    return true;
}

bool WindowHands::TypePassword(std::string_view password) {
    fw::CEdit* box = main_.PasswordBox();
    if (!box || !box->EnterText(password)) return Refused("typing into", IDC_PASSWORD);
    return true;
}

bool WindowHands::SetChecked(int id, bool checked) {
    auto* button = dynamic_cast<fw::CButton*>(main_.ControlById(id));
    if (!button) return Refused("a click on", id);
    int wanted = checked ? fw::BST_CHECKED : fw::BST_UNCHECKED;
    if (button->GetCheck() == wanted) return true;
    if (!button->Click() || button->GetCheck() != wanted) return Refused("a click on", id);
    return true;
}

bool WindowHands::Click(int id) {
    fw::CControl* control = main_.ControlById(id);
    if (!control || !control->Click()) return Refused("a click on", id);
    return true;
}

std::string WindowHands::Text(int id) const {
    fw::CControl* control = main_.ControlById(id);
    return control ? control->GetWindowText() : std::string();
}

bool ApplyWindowSettings(WindowHands& hands, const CliOptions& o) {
    if (o.password && !hands.TypePassword(*o.password)) return false;
    if (o.modem && !hands.TypeAddress(*o.modem)) return false;
    if (o.log && !hands.SetChecked(IDC_LOG_ENABLE, true)) return false;
    if (o.retry || o.timeout) {
        if (!hands.SelectTab(kServerTab)) return false;
        if (o.retry && !hands.Type(IDC_RETRY, std::to_string(*o.retry))) return false;
        if (o.timeout && !hands.Type(IDC_TIMEOUT, std::to_string(*o.timeout))) return false;
    }
    if (!hands.SelectTab(kUpgradeTab)) return false;
    // The address is typed first: Broadcast keeps it aside and shows the broadcast address.
    if (o.broadcast && !hands.Click(IDC_BROADCAST)) return false;
    if (o.delay && !hands.Type(IDC_DELAY, std::to_string(*o.delay))) return false;
    return true;
}

}  // namespace cli
