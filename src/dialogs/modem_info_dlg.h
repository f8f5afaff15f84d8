// CModemInfoDlg: what the modem's identification files told about it, shown after a
// "Modem Info" plan. It only displays the modem information fields; it changes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/ui/dialog.h"

namespace fw {
class CListBox;
}

class CModemInfoDlg : public fw::CDialog {
public:
    CModemInfoDlg();

    bool OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;

private:
    fw::CListBox* m_lstHwProfile = nullptr;
    std::string m_strFirmwareVersion;
    std::string m_strHardwareVersion;
    std::string m_strMacAddress;
    std::string m_strProductId;
    std::string m_strDate;
    std::string m_strCompany;
    std::string m_strTftpVersion;
};

// The hardware profile as list lines: split at every run of line feeds and carriage
// returns, empty pieces skipped. At most 499 characters of the text are looked at, the
// size of the working buffer.
std::vector<std::string> SplitProfileLines(std::string_view text);

// What the dialog shows for a product identifier or MAC address field.
std::string ValueOrUnknown(std::string_view field);
