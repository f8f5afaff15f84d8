// The Modem Information dialog: what it shows for the modem information fields.
#include "dialogs/modem_info_dlg.h"

#include <gtest/gtest.h>

#include "framework/ui/list_box.h"
#include "framework/ui/ui_test_support.h"
#include "resources/resources.h"
#include "tftp/engine_globals.h"

namespace {

using Lines = std::vector<std::string>;

// Shows the dialog's values, in the order company, date, hardware, firmware, product id, MAC,
// TFTP version, then the profile list's lines.
class ModemInfoDlgTest : public fw::testing::UiTest {
protected:
    Lines Show() {
        res::RegisterResources();
        Lines shown;
        desktop.OnModal(IDD_MODEM_INFO, [&](fw::CDialog& dialog) {
            for (int id : {IDC_INFO_COMPANY, IDC_INFO_DATE, IDC_INFO_HW_VERSION,
                           IDC_INFO_FW_VERSION, IDC_INFO_PRODUCT_ID, IDC_INFO_MAC,
                           IDC_INFO_TFTP_VERSION}) {
                shown.push_back(dialog.GetDlgItemText(id));
            }
            for (const auto& line :
                 dialog.GetDlgItemAs<fw::CListBox>(IDC_INFO_HW_PROFILE)->Lines()) {
                shown.push_back(line);
            }
        });
        CModemInfoDlg().DoModal();
        return shown;
    }
};

TEST_F(ModemInfoDlgTest, EmptyProductIdAndMacShowUnknownOtherEmptyFieldsStayEmpty) {
    [](auto&... field) { (field.Clear(), ...); }(g_szCompany, g_szDate, g_szHardwareVersion,
                                                  g_szFirmwareVersion, g_szProductId,
                                                  g_szMacAddress, g_szTftpVersion, g_szHwProfile);
    EXPECT_EQ(Show(), (Lines{"", "", "", "", "<unknown>", "<unknown>", ""}));
}

TEST_F(ModemInfoDlgTest, FieldsShowAsTheyAreAndTheProfileSplitsAtRunsOfLineEnds) {
    g_szCompany = "Acme";
    g_szDate = "2026/12/01";
    g_szHardwareVersion = "HW1.0";
    g_szFirmwareVersion = "FW2.3 ";
    g_szProductId = "P-660";
    g_szMacAddress = "00:11:22:33:44:55";
    g_szTftpVersion = "1.2\r\n";
    g_szHwProfile = "\r\nCPU: one\r\n\r\nRAM: 16M\r\n";
    EXPECT_EQ(Show(), (Lines{"Acme", "2026/12/01", "HW1.0", "FW2.3 ", "P-660", "00:11:22:33:44:55",
                             "1.2\r\n", "CPU: one", "RAM: 16M"}));
    // The profile buffer holds 499 characters.
    EXPECT_EQ(SplitProfileLines(std::string(499, 'x') + "y"), Lines{std::string(499, 'x')});
}

}  // namespace
