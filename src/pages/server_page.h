// CServerPage: the settings of the local TFTP server (read and write switches, root
// directory) and of both engines (Retry and Timeout), the server's activity area, and the
// remote upgrade group whose Submit writes the modem's command macros.
#pragma once

#include <string>

#include "pages/operation_page.h"

namespace fw {
class CStatic;
}

class CServerPage : public COperationPage {
public:
    explicit CServerPage(fw::CWnd* parent = nullptr);

    bool OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;
    std::vector<int> RunGuardedButtons() const override;

    // The activity area: an icon (idle or busy) and a two-line text.
    void ShowActivity(int icon_id, const std::string& text);
    const std::string& ActivityText() const { return m_strActivity; }

protected:
    std::vector<int> ExpertEnabledControls() const override;

private:
    void OnBrowse();
    void OnSubmit();

    fw::CStatic* m_icoActivity = nullptr;
    std::string m_strActivity = "Server\nActivity";
};
