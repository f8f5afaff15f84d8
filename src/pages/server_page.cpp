#include "pages/server_page.h"

#include "framework/ui/data_exchange.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/static_ctrl.h"
#include "pages/file_choice.h"
#include "resources/resource.h"
#include "tftp/step_codes.h"

CServerPage::CServerPage(fw::CWnd* parent) : COperationPage(IDD_SERVER_PAGE, parent) {
    BindCommand(IDC_SUBMIT, [this] { OnSubmit(); });
    BindCommand(IDC_ROOT_BROWSE, [this] { OnBrowse(); });
}

bool CServerPage::OnInitDialog() {
    COperationPage::OnInitDialog();
    if (auto* address = GetDlgItemAs<fw::CIPAddressCtrl>(IDC_REMOTE_SERVER)) {
        address->SetAddress(0u);
    }
    SetDlgItemText(IDC_REMOTE_FILE, "image.comp");
    SetDlgItemText(IDC_ROOT_PATH, ".");
    SetDlgItemText(IDC_TIMEOUT, "3");
    SetDlgItemText(IDC_RETRY, "3");
    CheckDlgButton(IDC_ENABLE_READ, fw::BST_CHECKED);
    return true;
}

void CServerPage::DoDataExchange(fw::CDataExchange* dx) {
    COperationPage::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_ACTIVITY_ICON, m_icoActivity);
    fw::DDX_Text(dx, IDC_ACTIVITY_TEXT, m_strActivity);
}

std::vector<int> CServerPage::RunGuardedButtons() const {
    return {IDC_SUBMIT};
}

std::vector<int> CServerPage::ExpertEnabledControls() const {
    return {IDC_SUBMIT, IDC_REMOTE_SERVER, IDC_REMOTE_FILE};
}

void CServerPage::ShowActivity(int icon_id, const std::string& text) {
    if (m_icoActivity) m_icoActivity->SetIcon(icon_id);
    m_strActivity = text;
    UpdateData(false);
}

void CServerPage::OnBrowse() {
    if (!IsChecked(IDC_ENABLE_READ)) return;
    std::optional<std::string> path = ChooseFileFor("");
    // The box names the folder served: a file's own path there would serve nothing.
    if (path) SetDlgItemText(IDC_ROOT_PATH, FolderOf(*path));
}

void CServerPage::OnSubmit() {
    // The macros' texts are not taken from the group's boxes: nothing defines their syntax.
    StartPagePlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_MACRO, STEP_PUT_MACRO_2});
}
