#include "pages/download_page.h"

#include "pages/file_choice.h"
#include "pages/send_check.h"
#include "resources/resource.h"
#include "tftp/step_codes.h"

CDownloadPage::CDownloadPage(fw::CWnd* parent) : COperationPage(IDD_DOWNLOAD_PAGE, parent) {
    BindCommand(IDC_MACRO_CHECK, [this] { FollowCheck(IDC_MACRO_CHECK, {IDC_MACRO_PATH}); });
    BindCommand(IDC_FILE1_CHECK, [this] {
        FollowCheck(IDC_FILE1_CHECK, {IDC_FILE1_SOURCE, IDC_FILE1_DEST});
    });
    BindCommand(IDC_FILE2_CHECK, [this] {
        FollowCheck(IDC_FILE2_CHECK, {IDC_FILE2_SOURCE, IDC_FILE2_DEST});
    });
    BindCommand(IDC_MACRO_BROWSE, [this] { OnBrowse(IDC_MACRO_CHECK, IDC_MACRO_PATH, 0); });
    BindCommand(IDC_FILE1_BROWSE,
                [this] { OnBrowse(IDC_FILE1_CHECK, IDC_FILE1_SOURCE, IDC_FILE1_DEST); });
    BindCommand(IDC_FILE2_BROWSE,
                [this] { OnBrowse(IDC_FILE2_CHECK, IDC_FILE2_SOURCE, IDC_FILE2_DEST); });
    BindCommand(IDC_DOWNLOAD, [this] { OnDownload(); });
}

std::vector<int> CDownloadPage::RunGuardedButtons() const {
    return {IDC_DOWNLOAD};
}

void CDownloadPage::OnBrowse(int check_id, int source_id, int destination_id) {
    if (!IsChecked(check_id)) return;
    std::optional<std::string> path = ChooseFileFor(kAllFilesFilter);
    if (!path) return;
    SetDlgItemText(source_id, *path);
    if (destination_id) SetDlgItemText(destination_id, BareFileName(*path));
}

std::string CDownloadPage::CheckFile(int check_id, int source_id) const {
    if (!IsChecked(check_id)) return {};
    return CheckFileToSend(GetDlgItemText(source_id), kMaxFileSize + 1, kFileTooLargeText);
}

void CDownloadPage::OnDownload() {
    // Every checked file is looked at before anything reaches the modem.
    for (auto [check, source] :
         {std::pair{IDC_MACRO_CHECK, IDC_MACRO_PATH}, std::pair{IDC_FILE1_CHECK, IDC_FILE1_SOURCE},
          std::pair{IDC_FILE2_CHECK, IDC_FILE2_SOURCE}}) {
        std::string refusal = CheckFile(check, source);
        if (!refusal.empty()) {
            RefuseOperation(refusal);
            return;
        }
    }
    std::vector<int> plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY};
    if (IsChecked(IDC_MACRO_CHECK)) plan.push_back(STEP_MACRO_FILE);
    if (IsChecked(IDC_FILE1_CHECK)) plan.push_back(STEP_OTHER_FILE_1);
    if (IsChecked(IDC_FILE2_CHECK)) plan.push_back(STEP_OTHER_FILE_2);
    StartPagePlan(plan);
}
