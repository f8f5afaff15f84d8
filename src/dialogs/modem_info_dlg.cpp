#include "dialogs/modem_info_dlg.h"

#include "framework/ui/data_exchange.h"
#include "framework/ui/list_box.h"
#include "resources/resource.h"
#include "tftp/engine_globals.h"

namespace {
constexpr std::size_t kProfileBuffer = 500;
}

CModemInfoDlg::CModemInfoDlg() : fw::CDialog(IDD_MODEM_INFO) {}

std::vector<std::string> SplitProfileLines(std::string_view text) {
    if (text.size() > kProfileBuffer - 1) text = text.substr(0, kProfileBuffer - 1);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = text.find_first_not_of("\n\r", pos);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find_first_of("\n\r", start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        pos = end;
    }
    return lines;
}

std::string ValueOrUnknown(std::string_view field) {
    return field.empty() ? std::string("<unknown>") : std::string(field);
}

bool CModemInfoDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    m_strCompany = g_szCompany.str();
    m_strDate = g_szDate.str();
    m_strHardwareVersion = g_szHardwareVersion.str();
    m_strFirmwareVersion = g_szFirmwareVersion.str();
    m_strProductId = ValueOrUnknown(g_szProductId);
    m_strMacAddress = ValueOrUnknown(g_szMacAddress);
    m_strTftpVersion = g_szTftpVersion.str();
    if (m_lstHwProfile) {
        m_lstHwProfile->ResetContent();
        for (const std::string& line : SplitProfileLines(g_szHwProfile)) {
            m_lstHwProfile->AddString(line);
        }
    }
    UpdateData(false);
    return true;
}

void CModemInfoDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_INFO_HW_PROFILE, m_lstHwProfile);
    fw::DDX_Text(dx, IDC_INFO_FW_VERSION, m_strFirmwareVersion);
    fw::DDX_Text(dx, IDC_INFO_HW_VERSION, m_strHardwareVersion);
    fw::DDX_Text(dx, IDC_INFO_MAC, m_strMacAddress);
    fw::DDX_Text(dx, IDC_INFO_PRODUCT_ID, m_strProductId);
    fw::DDX_Text(dx, IDC_INFO_DATE, m_strDate);
    fw::DDX_Text(dx, IDC_INFO_COMPANY, m_strCompany);
    fw::DDX_Text(dx, IDC_INFO_TFTP_VERSION, m_strTftpVersion);
}
