// CUpgradeStatusDlg: shown once an image has reached the modem. It counts the seconds
// of the flash rewrite down on window timer 12 and tells the user either that the modem
// reported the end of its update or that they should look at the modem. It stays open
// until the user closes it.
#pragma once

#include <string>

#include "framework/ui/dialog.h"

namespace fw {
class CStatic;
}

class CUpgradeStatusDlg : public fw::CDialog {
public:
    static constexpr int kCountdownTimer = 12;
    static constexpr int kCountdownStart = 35;

    CUpgradeStatusDlg();

    bool OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;
    void OnTimer(int id) override;

    // 35..0 while counting; -1 when the count has run out; -2 and -3 alternate the icon.
    int Countdown() const { return m_nCountdown; }

private:
    void Tick();

    int m_nCountdown = 0;
    fw::CStatic* m_icoStatus = nullptr;
    std::string m_strStatus;
    std::string m_strCountdown;
};

inline constexpr const char* kUpdatingText = "Modem is now updating .....";
inline constexpr const char* kModemRebootText = "Modem Reboot";
inline constexpr const char* kUpdateCompleteText = "Update Complete";
inline constexpr const char* kCheckModemText =
    "Please check LED or console to see if modem is reboot";
