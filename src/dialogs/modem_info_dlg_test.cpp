// The Modem Information dialog: what it shows for the modem information fields.
#include "dialogs/modem_info_dlg.h"

#include <gtest/gtest.h>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/ui/list_box.h"
#include "framework/ui/scripted_desktop.h"
#include "resources/resources.h"
#include "tftp/engine_globals.h"

namespace {

using Lines = std::vector<std::string>;

class ModemInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        res::RegisterResources();
        fw::SetMainLoop(&loop_);
        for (auto* field : {&g_szCompany, &g_szDate}) field->Clear();
        g_szHardwareVersion.Clear();
        g_szFirmwareVersion.Clear();
        g_szProductId.Clear();
        g_szMacAddress.Clear();
        g_szTftpVersion.Clear();
        g_szHwProfile.Clear();
    }
    void TearDown() override { fw::SetMainLoop(nullptr); }

    // Shows the dialog and reads every value control and the profile list.
    void Show() {
        desktop_.OnModal(IDD_MODEM_INFO, [&](fw::CDialog& dialog) {
            for (int id :
                 {IDC_INFO_COMPANY, IDC_INFO_DATE, IDC_INFO_HW_VERSION, IDC_INFO_FW_VERSION,
                  IDC_INFO_PRODUCT_ID, IDC_INFO_MAC, IDC_INFO_TFTP_VERSION}) {
                values_[id] = dialog.GetDlgItemText(id);
            }
            profile_ = dialog.GetDlgItemAs<fw::CListBox>(IDC_INFO_HW_PROFILE)->Lines();
        });
        CModemInfoDlg dialog;
        dialog.DoModal();
    }

    fw::ManualClock clock_;
    fw::EventLoop loop_{clock_};
    fw::ScriptedDesktop desktop_;
    fw::ScopedDesktop scoped_{desktop_};
    std::map<int, std::string> values_;
    Lines profile_;
};

TEST_F(ModemInfoTest, EmptyProductIdAndMacShowUnknownWhileOtherEmptyFieldsStayEmpty) {
    Show();
    EXPECT_EQ(values_[IDC_INFO_PRODUCT_ID], "<unknown>");
    EXPECT_EQ(values_[IDC_INFO_MAC], "<unknown>");
    for (int id : {IDC_INFO_COMPANY, IDC_INFO_DATE, IDC_INFO_HW_VERSION, IDC_INFO_FW_VERSION,
                   IDC_INFO_TFTP_VERSION}) {
        EXPECT_EQ(values_[id], "") << id;
    }
    EXPECT_TRUE(profile_.empty());
}

TEST_F(ModemInfoTest, FilledFieldsAreShownAsTheyAre) {
    g_szCompany = "Acme";
    g_szDate = "2026/12/01";
    g_szHardwareVersion = "HW1.0";
    g_szFirmwareVersion = "FW2.3 ";
    g_szProductId = "P-660";
    g_szMacAddress = "00:11:22:33:44:55";
    g_szTftpVersion = "tftp 1.2\r\n";
    Show();
    EXPECT_EQ(values_[IDC_INFO_COMPANY], "Acme");
    EXPECT_EQ(values_[IDC_INFO_DATE], "2026/12/01");
    EXPECT_EQ(values_[IDC_INFO_HW_VERSION], "HW1.0");
    EXPECT_EQ(values_[IDC_INFO_FW_VERSION], "FW2.3 ");
    EXPECT_EQ(values_[IDC_INFO_PRODUCT_ID], "P-660");
    EXPECT_EQ(values_[IDC_INFO_MAC], "00:11:22:33:44:55");
    EXPECT_EQ(values_[IDC_INFO_TFTP_VERSION], "tftp 1.2\r\n");
}

TEST_F(ModemInfoTest, ProfileLinesSplitAtEveryRunOfLineEnds) {
    g_szHwProfile = "CPU: one\r\n\r\nRAM: 16M\r\n";
    Show();
    EXPECT_EQ(profile_, (Lines{"CPU: one", "RAM: 16M"}));

    EXPECT_EQ(SplitProfileLines("\n\r\na\rb\n\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitProfileLines("single"), (Lines{"single"}));
    EXPECT_TRUE(SplitProfileLines("\r\n\r\n").empty());
}

}  // namespace
