#include "pages/upgrade_page.h"

#include <climits>

#include "formats/file_description.h"
#include "formats/formats.h"
#include "formats/image_check.h"
#include "framework/desktop.h"
#include "framework/resolver.h"
#include "framework/ui/data_exchange.h"
#include "framework/ui/ip_address_ctrl.h"
#include "pages/file_choice.h"
#include "pages/latest_version.h"
#include "pages/send_check.h"
#include "resources/resource.h"
#include "tftp/engine_globals.h"
#include "tftp/step_codes.h"
#include "tftp/tftp_server.h"

CUpgradePage::CUpgradePage(fw::CWnd* parent) : COperationPage(IDD_UPGRADE_PAGE, parent) {
    BindCommand(IDC_IMAGE_BROWSE, [this] { OnBrowseImage(); });
    BindCommand(IDC_FILE1_BROWSE, [this] { OnBrowseOtherFile(1); });
    BindCommand(IDC_FILE2_BROWSE, [this] { OnBrowseOtherFile(2); });
    BindCommand(IDC_DOWNLOAD, [this] { OnDownload(); });
    BindCommand(IDC_IMAGE_CHECK, [this] { FollowCheck(IDC_IMAGE_CHECK, {IDC_IMAGE_PATH}); });
    BindCommand(IDC_FILE1_CHECK, [this] {
        FollowCheck(IDC_FILE1_CHECK, {IDC_FILE1_SOURCE, IDC_FILE1_DEST});
    });
    BindCommand(IDC_FILE2_CHECK, [this] {
        FollowCheck(IDC_FILE2_CHECK, {IDC_FILE2_SOURCE, IDC_FILE2_DEST});
    });
    BindCommand(IDC_FILE_INFO, [this] { OnFileInfo(); });
    BindCommand(IDC_BROADCAST, [this] { OnBroadcast(); });
    BindCommand(IDC_UNICAST, [this] { OnUnicast(); });
    BindCommand(IDC_MODEM_INFO, [this] { OnModemInfo(); });
    BindCommand(IDC_ATMOS, [] { g_nTargetOs = 0; });
    BindCommand(IDC_VXWORKS, [] { g_nTargetOs = 1; });
    verifier_.onStatus = [this](const std::string& text) {
        SetDlgItemText(IDC_VERIFY_STATUS, text);
    };
    verifier_.onFinished = [this](const VerifyResult& result) { OnVerifyFinished(result); };
}

void CUpgradePage::SetHostAddressing(std::string listen, std::string device) {
    listenAddress_ = std::move(listen);
    clientDevice_ = std::move(device);
}

bool CUpgradePage::OnInitDialog() {
    COperationPage::OnInitDialog();
    CheckDlgButton(IDC_IMAGE_CHECK, fw::BST_CHECKED);
    CheckRadioButton(IDC_BROADCAST, IDC_UNICAST, IDC_UNICAST);
    CheckRadioButton(IDC_ATMOS, IDC_VXWORKS, IDC_ATMOS);
    SetDlgItemText(IDC_DELAY, "0");
    savedAddress = kDefaultModemAddress;
    OnUnicast();
    return true;
}

void CUpgradePage::DoDataExchange(fw::CDataExchange* dx) {
    COperationPage::DoDataExchange(dx);
    fw::DDX_Text(dx, IDC_SERVER_NOTE, m_strServerNote);
    fw::DDX_Text(dx, IDC_DELAY_LABEL, m_strDelayLabel);
    fw::DDX_Text(dx, IDC_DELAY_UNIT, m_strDelayUnit);
}

std::vector<int> CUpgradePage::RunGuardedButtons() const {
    return {IDC_DOWNLOAD, IDC_MODEM_INFO, IDC_UNICAST, IDC_BROADCAST};
}

void CUpgradePage::UndoRefusedClick(int id) {
    // The radio buttons show the mode the running plan sends in.
    if (id == IDC_UNICAST || id == IDC_BROADCAST)
        CheckRadioButton(IDC_BROADCAST, IDC_UNICAST, g_bUnicast ? IDC_UNICAST : IDC_BROADCAST);
}

std::vector<int> CUpgradePage::ExpertEnabledControls() const {
    return {IDC_FILE_INFO, IDC_FILE1_CHECK, IDC_FILE2_CHECK};
}

fw::CIPAddressCtrl* CUpgradePage::ModemAddressControl() const {
    auto* main = dynamic_cast<fw::CDialog*>(GetParent());
    return main ? main->GetDlgItemAs<fw::CIPAddressCtrl>(IDC_MODEM_ADDRESS) : nullptr;
}

void CUpgradePage::SetServing(bool on) {
    if (server_) server_->SetServing(on);
}

void CUpgradePage::OnUnicast() {
    if (fw::CIPAddressCtrl* address = ModemAddressControl()) {
        address->SetAddress(savedAddress);
        address->EnableWindow(true);
    }
    g_bUnicast = 1;
    SetServing(true);
    m_strServerNote.clear();
    m_strDelayLabel.clear();
    m_strDelayUnit.clear();
    // An expert keeps every control of the page on screen.
    if (!IsExpertMode()) {
        if (fw::CControl* delay = GetDlgItem(IDC_DELAY)) delay->ShowWindow(fw::SW_HIDE);
    }
    UpdateData(false);
}

void CUpgradePage::OnBroadcast() {
    // A second press must not save the broadcast address over the modem's.
    if (g_bUnicast == 0) return;
    if (fw::CIPAddressCtrl* address = ModemAddressControl()) {
        address->GetAddress(savedAddress);
        address->SetAddress(0xFFFFFFFFu);
        address->EnableWindow(false);
    }
    g_bUnicast = 0;
    // Our own broadcasts to port 69 reach the local server too.
    SetServing(false);
    m_strServerNote = "Tftp server disabled.";
    m_strDelayLabel = "Delay:";
    m_strDelayUnit = "ms";
    if (fw::CControl* delay = GetDlgItem(IDC_DELAY)) delay->ShowWindow(fw::SW_SHOW);
    UpdateData(false);
}

void CUpgradePage::OnBrowseImage() {
    if (!IsChecked(IDC_IMAGE_CHECK)) return;
    std::optional<std::string> path = ChooseFileFor(kImageFilter);
    if (!path) return;
    SetDlgItemText(IDC_IMAGE_PATH, *path);
    if (g_nTargetOs != 1) return;
    HostAddressHints hints{listenAddress_, clientDevice_, 0};
    if (fw::CIPAddressCtrl* address = ModemAddressControl()) address->GetAddress(hints.modem);
    bool written = WriteLatestVersion(*path, HostAddressForModem(fw::DefaultResolver(), hints));
    latestVersionFailedFor_ = written ? std::string() : *path;
}

void CUpgradePage::OnBrowseOtherFile(int row) {
    int check = row == 1 ? IDC_FILE1_CHECK : IDC_FILE2_CHECK;
    if (!IsChecked(check)) return;
    std::optional<std::string> path = ChooseFileFor("");
    if (!path) return;
    SetDlgItemText(row == 1 ? IDC_FILE1_SOURCE : IDC_FILE2_SOURCE, *path);
    SetDlgItemText(row == 1 ? IDC_FILE1_DEST : IDC_FILE2_DEST, BareFileName(*path));
}

void CUpgradePage::OnFileInfo() {
    std::optional<FileDescription> description = DescribeFile(GetDlgItemText(IDC_IMAGE_PATH));
    if (description) fw::AfxMessageBox(description->text, description->icon);
}

bool CUpgradePage::RefuseUnsendableFiles(bool send_image) {
    if (send_image) {
        std::string refusal = CheckImageToSend(GetDlgItemText(IDC_IMAGE_PATH));
        if (!refusal.empty()) {
            RefuseOperation(refusal);
            return true;
        }
    }
    for (auto [check, source] : {std::pair{IDC_FILE1_CHECK, IDC_FILE1_SOURCE},
                                 std::pair{IDC_FILE2_CHECK, IDC_FILE2_SOURCE}}) {
        if (!IsChecked(check)) continue;
        std::string refusal =
            CheckFileToSend(GetDlgItemText(source), kSendSizeLimit, kTooLargeText);
        if (!refusal.empty()) {
            RefuseOperation(refusal);
            return true;
        }
    }
    return false;
}

void CUpgradePage::OnDownload() {
    verifier_.Cancel();
    std::string image = GetDlgItemText(IDC_IMAGE_PATH);
    if (g_nTargetOs == 1) {
        // The file is not sent from here: the modem fetches it, as "LatestVersion" says.
        std::string refusal = !latestVersionFailedFor_.empty() && latestVersionFailedFor_ == image
                                  ? kLatestVersionFailedText
                                  : CheckFileToSend(image, LLONG_MAX, "");
        if (!refusal.empty()) {
            RefuseOperation(refusal);
            return;
        }
        StartPagePlan({STEP_CONNECT, STEP_PUT_REQUEST_ID});
        return;
    }
    // Everything to be sent is checked before "tftpupdt.beg" can leave the modem in
    // update mode.
    bool send_image = IsChecked(IDC_IMAGE_CHECK);
    if (RefuseUnsendableFiles(send_image)) return;
    if (IsChecked(IDC_VERIFY_REBOOT)) {
        verifier_.Begin(send_image ? FirmwareVersionOf(image) : std::string(),
                        AtmosPlan(send_image));
        return;
    }
    StartPagePlan(AtmosPlan(send_image));
}

std::vector<int> CUpgradePage::AtmosPlan(bool send_image) const {
    std::vector<int> plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN};
    if (send_image) plan.push_back(STEP_SEND_IMAGE);
    if (IsChecked(IDC_FILE1_CHECK)) plan.push_back(STEP_OTHER_FILE_1);
    if (IsChecked(IDC_FILE2_CHECK)) plan.push_back(STEP_OTHER_FILE_2);
    plan.insert(plan.end(),
                {STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS});
    return plan;
}

void CUpgradePage::OnVerifyFinished(const VerifyResult& result) {
    fw::AfxMessageBox(result.Line(), result.Passed() ? fw::MB_ICONINFORMATION : fw::MB_ICONSTOP);
}

void CUpgradePage::OnModemInfo() {
    verifier_.Cancel();
    StartPagePlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_MODEM_INFO, STEP_GET_FILES,
                   STEP_SHOW_MODEM_INFO});
}
