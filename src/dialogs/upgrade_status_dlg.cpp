#include "dialogs/upgrade_status_dlg.h"

#include "framework/ui/data_exchange.h"
#include "framework/ui/static_ctrl.h"
#include "resources/resource.h"
#include "tftp/engine_globals.h"

CUpgradeStatusDlg::CUpgradeStatusDlg() : fw::CDialog(IDD_UPGRADE_STATUS) {}

bool CUpgradeStatusDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    m_nCountdown = kCountdownStart;
    m_strStatus = kUpdatingText;
    SetTimer(kCountdownTimer, 1000);
    UpdateData(false);
    return true;
}

void CUpgradeStatusDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_STATUS_ICON, m_icoStatus);
    fw::DDX_Text(dx, IDC_STATUS_LINE, m_strStatus);
    fw::DDX_Text(dx, IDC_COUNTDOWN_LINE, m_strCountdown);
}

void CUpgradeStatusDlg::OnTimer(int id) {
    if (id == kCountdownTimer) Tick();
}

void CUpgradeStatusDlg::Tick() {
    // The modem's report is looked at only while the count runs.
    if (m_nCountdown >= 0 && g_bUpdateComplete) {
        m_strStatus = kModemRebootText;
        m_strCountdown = kUpdateCompleteText;
        m_nCountdown = -2;
    }
    if (m_nCountdown >= 0) {
        m_strCountdown = std::to_string(m_nCountdown);
        --m_nCountdown;
        UpdateData(false);
        return;
    }
    if (m_nCountdown == -1) {
        m_strStatus = kCheckModemText;
        m_strCountdown.clear();
        m_nCountdown = -2;
    }
    if (m_nCountdown == -2) {
        if (m_icoStatus) m_icoStatus->SetIcon(IDI_SERVER_IDLE);
        m_nCountdown = -3;
    } else {
        if (m_icoStatus) m_icoStatus->SetIcon(IDI_SERVER_BUSY);
        m_nCountdown = -2;
    }
    UpdateData(false);
}
