#include "pages/config_page.h"

#include "pages/file_choice.h"
#include "pages/send_check.h"
#include "resources/resource.h"
#include "tftp/step_codes.h"

CConfigPage::CConfigPage(fw::CWnd* parent) : COperationPage(IDD_CONFIG_PAGE, parent) {
    BindCommand(IDC_GET, [this] { OnGet(); });
    BindCommand(IDC_PUT, [this] { OnPut(); });
    BindCommand(IDC_CONFIG_DEST_BROWSE, [this] { OnBrowse(IDC_CONFIG_DEST); });
    BindCommand(IDC_RESTORE_BROWSE, [this] { OnBrowse(IDC_RESTORE_PATH); });
}

bool CConfigPage::OnInitDialog() {
    COperationPage::OnInitDialog();
    CheckDlgButton(IDC_GET_CONFIG, fw::BST_CHECKED);
    CheckRadioButton(IDC_OS_61, IDC_OS_70, IDC_OS_61);
    CheckDlgButton(IDC_REBOOT, fw::BST_CHECKED);
    SetDlgItemText(IDC_CONFIG_DEST, kDefaultConfigPack);
    return true;
}

std::vector<int> CConfigPage::RunGuardedButtons() const {
    return {IDC_GET, IDC_PUT};
}

std::vector<int> CConfigPage::ExpertEnabledControls() const {
    return {IDC_REBOOT};
}

void CConfigPage::OnBrowse(int box_id) {
    std::optional<std::string> path = ChooseFileFor(kPackFilter);
    if (path) SetDlgItemText(box_id, *path);
}

void CConfigPage::OnGet() {
    StartPagePlan(
        {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES, STEP_REPORT_CONFIG_SAVED});
}

void CConfigPage::OnPut() {
    // A pack that cannot be sent whole is refused before the modem hears of it.
    std::string refusal = CheckImageToSend(GetDlgItemText(IDC_RESTORE_PATH));
    if (!refusal.empty()) {
        RefuseOperation(refusal);
        return;
    }
    if (IsChecked(IDC_REBOOT)) {
        StartPagePlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_SEND_IMAGE,
                       STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS});
    } else {
        StartPagePlan(
            {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE, STEP_REPORT_DOWNLOAD_DONE});
    }
}
