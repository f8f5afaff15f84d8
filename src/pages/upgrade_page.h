// CUpgradePage: the firmware upgrade page (tab "Upgrade"). Its buttons turn the chosen
// image, the target system and the options into a plan; it also holds the settings the
// whole upgrade runs with: unicast or broadcast (and with it the modem address in the main
// window and the local server's serving switch), the broadcast delay and the criteria box.
#pragma once

#include <cstdint>
#include <string>

#include "pages/firmware_verifier.h"
#include "pages/operation_page.h"

class TftpServer;
namespace fw {
class CIPAddressCtrl;
}

class CUpgradePage : public COperationPage {
public:
    static constexpr std::uint32_t kDefaultModemAddress = 0xC0A80101;  // 192.168.1.1

    explicit CUpgradePage(fw::CWnd* parent = nullptr);

    // The local server whose serving switch follows unicast and broadcast. Set before
    // the page is created: its initialisation performs the Unicast action.
    void AttachServer(TftpServer* server) { server_ = server; }
    // What decides the address a "VxWorks" modem is told to fetch from: the local server's
    // listen address and the client's network device (empty: none given).
    void SetHostAddressing(std::string listen, std::string device);

    // "Verify after reboot" (expert mode), its timing and its outcome.
    FirmwareVerifier& Verifier() { return verifier_; }

    bool OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;
    // Download and Modem Info start plans; Unicast and Broadcast change how one sends.
    std::vector<int> RunGuardedButtons() const override;

    std::uint32_t SavedAddress() const { return savedAddress; }

protected:
    std::vector<int> ExpertEnabledControls() const override;
    void UndoRefusedClick(int id) override;

private:
    void OnBrowseImage();
    void OnBrowseOtherFile(int row);
    void OnDownload();
    // Shows the refusal and returns true when a file the plan would send cannot be sent.
    bool RefuseUnsendableFiles(bool send_image);
    void OnModemInfo();
    // The Download plan of target "Atmos" for the page's boxes as they stand.
    std::vector<int> AtmosPlan(bool send_image) const;
    void OnVerifyFinished(const VerifyResult& result);
    void OnFileInfo();
    void OnBroadcast();
    void OnUnicast();
    void SetServing(bool on);
    fw::CIPAddressCtrl* ModemAddressControl() const;

    std::uint32_t savedAddress = 0;
    std::string m_strServerNote;  // static 1076
    std::string m_strDelayLabel;  // static 1079
    std::string m_strDelayUnit;   // static 1080
    TftpServer* server_ = nullptr;
    std::string listenAddress_;
    std::string clientDevice_;
    // The image whose "LatestVersion" could not be written: its upgrade is refused.
    std::string latestVersionFailedFor_;
    FirmwareVerifier verifier_{*this,
                               [this](const std::vector<int>& codes) { StartPagePlan(codes); }};
};

inline constexpr const char* kImageFilter =
    "Pack(*.pack)|*.pack|Image(*.comp)|*.comp|VxWorks(*.st_compr)|*.st_compr|All file (*.*)|*.*";
