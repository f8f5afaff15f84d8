#include "app/main_dlg.h"

#include <cstdio>
#include <cstring>

#include "app/capture.h"
#include "app/main_window_host.h"
#include "app/settings.h"
#include "dialogs/about_dlg.h"
#include "framework/desktop.h"
#include "framework/net.h"
#include "framework/ui/button.h"
#include "framework/ui/data_exchange.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/list_box.h"
#include "framework/ui/progress_ctrl.h"
#include "framework/ui/tab_ctrl.h"
#include "pages/config_page.h"
#include "pages/download_page.h"
#include "pages/operation_page.h"
#include "pages/send_check.h"
#include "pages/server_page.h"
#include "pages/upgrade_page.h"
#include "resources/resource.h"
#include "resources/resources.h"
#include "sequencer/sequencer.h"
#include "sequencer/server_timer.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"

CMainDlg* g_pMainDlg = nullptr;

namespace {

const char* const kTabNames[] = {"Upgrade", "Configuration", "Server", "Download Files"};

std::string FormatReason(const char* format, unsigned port, int error) {
    char text[256];
    std::snprintf(text, sizeof text, format, port, std::strerror(error));
    return text;
}

}  // namespace

CMainDlg::CMainDlg(StartOptions options) : fw::CDialog(IDD_MAIN), options_(std::move(options)) {
    res::RegisterResources();
    RegisterMainWindowHost();
    BindCommand(IDC_LOG_ENABLE, [this] { OnLogEnable(); });
    BindNotify(IDC_TAB, fw::TCN_SELCHANGING, [this] { return OnTabChanging(); });
    BindNotify(IDC_TAB, fw::TCN_SELCHANGE, [this] { return OnTabChanged(); });
}

CMainDlg::~CMainDlg() {
    // The engines must not reach a window that is going away.
    if (g_pMainDlg == this) g_pMainDlg = nullptr;
    if (SequencerClient() == &m_client) AttachSequencerClient(nullptr);
    AttachServerTimer(nullptr);
    StopResponseTimer();
    DestroyWindow();
}

void CMainDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_LOG, m_lstLog);
    fw::DDX_Control(dx, IDC_LOG_ENABLE, m_chkLogEnable);
    fw::DDX_Control(dx, IDC_TAB, m_tabPages);
    fw::DDX_Control(dx, IDC_PROGRESS, m_prgProgress);
    fw::DDX_Control(dx, IDC_MODEM_ADDRESS, m_ipModem);
    fw::DDX_Control(dx, IDC_PASSWORD, m_edtPassword);
}

bool CMainDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    std::string about = res::LoadString(IDS_ABOUTBOX);
    if (fw::CMenu* menu = GetSystemMenu(); menu && !about.empty()) {
        menu->AppendMenu(fw::MF_SEPARATOR);
        menu->AppendMenu(fw::MF_STRING, IDM_ABOUTBOX, about);
    }
    SetIcon(IDR_MAINFRAME, true);
    SetIcon(IDR_MAINFRAME, false);
    g_pMainDlg = this;
    SetGivenChecksums(options_.checksums);

    if (!OpenCapture() || !OpenClientSocket()) return true;
    OpenServerSocket();
    m_client.EnableBroadcast();

    int tabs = options_.expertMode ? 4 : 1;
    for (int i = 0; i < tabs; ++i) m_tabPages->InsertItem(i, kTabNames[i]);
    CreatePages();
    StopResponseTimer();

    if (ReadSettings()) {
        m_edtPassword->SetWindowText(m_strSavedPassword);
        m_pUpgradePage->SetDlgItemText(IDC_IMAGE_PATH, m_strSavedPackFile);
    }
    m_pUpgradePage->ShowWindow(fw::SW_SHOW);
    if (options_.expertMode) EnterExpertMode();
    return true;
}

bool CMainDlg::OpenCapture() {
    if (options_.capturePath.empty()) return true;
    capture_ = std::make_unique<SupportCapture>(options_.captureSecrets);
    std::string reason;
    if (capture_->Open(options_.capturePath, &reason)) return true;
    capture_.reset();
    fw::AfxMessageBox(
        "Error:\nCannot write the capture " + options_.capturePath + ": " + reason + ".",
        fw::MB_ICONSTOP);
    return false;
}

bool CMainDlg::OpenClientSocket() {
    fw::NetStack* stack = options_.netStack ? options_.netStack : &fw::DefaultStack();
    m_client.SetStack(stack);
    m_server.SetStack(stack);
    m_client.SetModemPort(options_.modemPort);
    m_client.SetBindDevice(options_.clientDevice);
    if (m_client.CreateClientSocket()) {
        AttachSequencerClient(&m_client);
        return true;
    }
    // Without its client the window can do nothing; say why rather than open empty.
    std::string text = "Error:\nCannot open the TFTP client socket";
    if (!options_.clientDevice.empty()) text += " on device " + options_.clientDevice;
    text += ": ";
    text += std::strerror(m_client.GetLastError());
    text += ".";
    fw::AfxMessageBox(text, fw::MB_ICONSTOP);
    return false;
}

void CMainDlg::OpenServerSocket() {
    AttachServerTimer(&m_server, this);
    if (!options_.openServer) return;
    const char* address = options_.serverAddress.empty() ? nullptr : options_.serverAddress.c_str();
    serverOpen_ = m_server.CreateServerSocket(options_.serverPort, address);
    if (serverOpen_) return;
    // Upgrades do not need the local server: the window opens without it.
    m_server.SetServing(false);
    fw::AfxMessageBox(FormatReason("Error:\nCannot open the TFTP server on UDP port %u: %s.\n"
                                   "The local TFTP server is off.",
                                   options_.serverPort, m_server.GetLastError()),
                      fw::MB_ICONSTOP);
}

void CMainDlg::CreatePages() {
    m_pUpgradePage = std::make_unique<CUpgradePage>(this);
    m_pConfigPage = std::make_unique<CConfigPage>(this);
    m_pServerPage = std::make_unique<CServerPage>(this);
    m_pDownloadPage = std::make_unique<CDownloadPage>(this);
    // The page switches the server off while it broadcasts; a server that never opened
    // stays off.
    if (serverOpen_) m_pUpgradePage->AttachServer(&m_server);
    m_pUpgradePage->SetHostAddressing(options_.serverAddress, options_.clientDevice);
    m_pUpgradePage->Verifier().SetTiming(options_.verifyIntervalSeconds,
                                         options_.verifyTimeoutSeconds);
    m_pUpgradePage->Create(IDD_UPGRADE_PAGE, this);
    m_pConfigPage->Create(IDD_CONFIG_PAGE, this);
    m_pServerPage->Create(IDD_SERVER_PAGE, this);
    m_pDownloadPage->Create(IDD_DOWNLOAD_PAGE, this);
}

void CMainDlg::EnterExpertMode() {
    if (fw::CControl* log_enable = GetDlgItem(IDC_LOG_ENABLE)) log_enable->ShowWindow(fw::SW_SHOW);
    for (int tab = 0; tab < 4; ++tab) PageForTab(tab)->EnterExpertMode();
}

bool CMainDlg::ReadSettings() {
    SavedSettings saved;
    if (!ReadSettingsFile(kSettingsFileName, saved)) return false;
    m_strSavedPassword = saved.password;
    m_strSavedPackFile = saved.packFile;
    return true;
}

COperationPage* CMainDlg::PageForTab(int index) const {
    switch (index) {
        case 0:
            return m_pUpgradePage.get();
        case 1:
            return m_pConfigPage.get();
        case 2:
            return m_pServerPage.get();
        case 3:
            return m_pDownloadPage.get();
        default:
            return nullptr;
    }
}

fw::CControl* CMainDlg::ControlById(int id) const {
    COperationPage* shown = PageForTab(CurrentTab());
    if (shown && shown->IsWindowVisible()) {
        if (fw::CControl* control = shown->GetDlgItem(id)) return control;
    }
    return FindControl(id);
}

bool CMainDlg::ClickById(int id) {
    fw::CControl* control = ControlById(id);
    return control && control->Click();
}

int CMainDlg::CurrentTab() const {
    return m_tabPages ? m_tabPages->GetCurSel() : -1;
}

long CMainDlg::OnTabChanging() {
    if (COperationPage* page = PageForTab(CurrentTab())) page->ShowWindow(fw::SW_HIDE);
    return 0;
}

long CMainDlg::OnTabChanged() {
    if (COperationPage* page = PageForTab(CurrentTab())) page->ShowWindow(fw::SW_SHOW);
    return 0;
}

void CMainDlg::OnLogEnable() {
    if (IsDlgButtonChecked(IDC_LOG_ENABLE) != fw::BST_CHECKED && m_lstLog) {
        m_lstLog->ResetContent();
    }
}

bool CMainDlg::MayEnd() {
    if (!IsRunInProgress()) return true;
    int answer = fw::AfxMessageBox(kQuitDuringRunText,
                                   fw::MB_YESNO | fw::MB_ICONQUESTION | fw::MB_DEFBUTTON2);
    if (answer != fw::IDYES) return false;
    // The run may have ended while the question was up: then it is an ordinary end.
    if (!IsRunInProgress()) return true;
    EndDialog(kEndedDuringRun);
    return false;
}

void CMainDlg::OnOK() {
    if (MayEnd()) fw::CDialog::OnOK();
}

void CMainDlg::OnCancel() {
    if (MayEnd()) fw::CDialog::OnCancel();
}

void CMainDlg::OnSysCommand(unsigned id) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    fw::CDialog::OnSysCommand(id);
}
