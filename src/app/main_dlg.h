// CMainDlg: the program's one window. It owns the two TFTP sockets (the client that talks
// to the modem and the local server), the password box and the modem address, the log and
// the progress bar, and hosts the four pages. The engines reach it through g_pMainDlg and
// the free accessors; drivers reach its controls through FindControl and Click, like a
// person would.
#pragma once

#include <memory>
#include <string>

#include "app/start_options.h"
#include "framework/ui/dialog.h"
#include "tftp/tftp_client.h"
#include "tftp/tftp_server.h"

class COperationPage;
class SupportCapture;
class CUpgradePage;
class CConfigPage;
class CServerPage;
class CDownloadPage;
namespace fw {
class CButton;
class CEdit;
class CIPAddressCtrl;
class CListBox;
class CProgressCtrl;
class CTabCtrl;
}  // namespace fw

class CMainDlg : public fw::CDialog {
public:
    explicit CMainDlg(StartOptions options = {});
    ~CMainDlg() override;

    bool OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;
    void OnSysCommand(unsigned id) override;
    // "E&xit" and Enter (OK), Esc and the system menu's close (Cancel) end the window; while
    // a run is in progress they ask first (kQuitDuringRunText, No by default), and a person
    // who quits anyway ends it with kEndedDuringRun.
    void OnOK() override;
    void OnCancel() override;

    // The settings file: false when it cannot be opened (nothing is changed then).
    bool ReadSettings();
    const std::string& SavedPassword() const { return m_strSavedPassword; }
    const std::string& SavedPackFile() const { return m_strSavedPackFile; }

    const StartOptions& Options() const { return options_; }
    // Whether the local server's socket is open.
    bool IsServerOpen() const { return serverOpen_; }

    // The pages: null when the window opened without them (a socket could not be made).
    CUpgradePage* UpgradePage() const { return m_pUpgradePage.get(); }
    CConfigPage* ConfigPage() const { return m_pConfigPage.get(); }
    CServerPage* ServerPage() const { return m_pServerPage.get(); }
    CDownloadPage* DownloadPage() const { return m_pDownloadPage.get(); }
    // The page a tab index shows: 0 Upgrade, 1 Configuration, 2 Server, 3 Download Files.
    COperationPage* PageForTab(int index) const;
    // The tab control's current index (-1 without tab items).
    int CurrentTab() const;

    // The control a driver means by an id, and a person's click on it: the page on display
    // first (the window's logo and the upgrade page's "Broadcast Download" share 1041), then
    // the window's own controls, then the other pages'.
    fw::CControl* ControlById(int id) const;
    bool ClickById(int id);

    TftpClient& Client() { return m_client; }
    TftpServer& Server() { return m_server; }

    fw::CListBox* LogList() const { return m_lstLog; }
    fw::CButton* LogEnableBox() const { return m_chkLogEnable; }
    fw::CProgressCtrl* ProgressBar() const { return m_prgProgress; }
    fw::CIPAddressCtrl* ModemAddress() const { return m_ipModem; }
    fw::CEdit* PasswordBox() const { return m_edtPassword; }
    fw::CTabCtrl* TabControl() const { return m_tabPages; }

private:
    // True when the window may end: no run is in progress, or the person chose to quit
    // anyway (then the window ends with kEndedDuringRun at once).
    bool MayEnd();
    // The capture for support, when the driver asked for one. False when it cannot be
    // written: the window then opens without its sockets.
    bool OpenCapture();
    bool OpenClientSocket();
    void OpenServerSocket();
    void CreatePages();
    void EnterExpertMode();
    void OnLogEnable();
    long OnTabChanging();
    long OnTabChanged();

    // In the order the window declares them: the pages go before the sockets they use.
    std::unique_ptr<CUpgradePage> m_pUpgradePage;
    std::unique_ptr<CConfigPage> m_pConfigPage;
    std::unique_ptr<CServerPage> m_pServerPage;
    std::unique_ptr<CDownloadPage> m_pDownloadPage;
    std::unique_ptr<SupportCapture> capture_;
    TftpClient m_client;
    TftpServer m_server;
    std::string m_strSavedPassword;
    std::string m_strSavedPackFile;
    fw::CListBox* m_lstLog = nullptr;
    fw::CButton* m_chkLogEnable = nullptr;
    fw::CTabCtrl* m_tabPages = nullptr;
    fw::CProgressCtrl* m_prgProgress = nullptr;
    fw::CIPAddressCtrl* m_ipModem = nullptr;
    fw::CEdit* m_edtPassword = nullptr;

    StartOptions options_;
    bool serverOpen_ = false;
};

// The main window, set while it initialises; null before and after its life.
extern CMainDlg* g_pMainDlg;

inline constexpr const char* kQuitDuringRunText =
    "Warning:\nA transfer to the modem is in progress.\nQuitting now may leave the modem in "
    "update mode. Quit anyway?";
// What the window ends with when a person quits while a run is in progress: the program
// then exits with status 1.
inline constexpr int kEndedDuringRun = 3;
