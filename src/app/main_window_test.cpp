// The main window: its start-up, the accessors it lends the engines, the log and progress
// displays, the settings file and expert mode.
#include <gtest/gtest.h>

#include "app/accessors.h"
#include "app/window_test_support.h"
#include "framework/async_socket.h"
#include "framework/ui/list_box.h"
#include "framework/ui/progress_ctrl.h"
#include "framework/ui/static_ctrl.h"
#include "pages/server_page.h"
#include "pages/upgrade_page.h"
#include "sequencer/sequencer_hooks.h"
#include "tftp/host_hooks.h"

namespace {

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, OpensWithTheUpgradePageTheDefaultAddressAndTheServerPageDefaults) {
    OpenWindow();
    EXPECT_EQ(window->TabControl()->Items(), std::vector<std::string>{"Upgrade"});
    EXPECT_TRUE(window->UpgradePage()->IsWindowVisible());
    for (int tab = 1; tab < 4; ++tab) EXPECT_FALSE(window->PageForTab(tab)->IsWindowVisible());
    EXPECT_EQ(window->ModemAddress()->GetWindowText(), "192.168.1.1");
    EXPECT_TRUE(window->ModemAddress()->IsWindowEnabled());
    EXPECT_EQ(g_bUnicast, 1);
    EXPECT_FALSE(Find(IDC_DELAY)->IsVisible());
    EXPECT_EQ(Text(IDC_DELAY), "0");
    // The hidden server page's boxes are the engines' settings from the start.
    EXPECT_EQ(GetRetryCount(), 3);
    EXPECT_EQ(GetTimeoutSeconds(), 3);
    EXPECT_TRUE(IsServerReadEnabled());
    EXPECT_FALSE(IsServerWriteEnabled());
    EXPECT_EQ(Text(IDC_ROOT_PATH), ".");
    EXPECT_EQ(Text(IDC_CONFIG_DEST), "config.pack");
    EXPECT_TRUE(desktop.Boxes().empty());

    const auto& items = window->GetSystemMenu()->Items();
    ASSERT_GE(items.size(), 2u);
    EXPECT_TRUE(items[items.size() - 2].IsSeparator());
    EXPECT_EQ(items.back().text, "&About Brevik...");
    EXPECT_TRUE(window->ChooseSystemMenuItem(items.back().id));
    EXPECT_EQ(desktop.ModalTemplateIds(), std::vector<int>{IDD_ABOUTBOX});
}

TEST_F(MainWindowTest, ServerPortInUseIsReportedAndTheWindowOpensWithItsPagesServerOff) {
    fw::CAsyncSocket holder;
    holder.SetStack(&host);
    ASSERT_TRUE(holder.Create(69));
    StartOptions options;
    options.openServer = true;
    OpenWindow(options);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    const auto& box = desktop.Boxes()[0];
    EXPECT_EQ(box.flags & fw::MB_ICONSTOP, fw::MB_ICONSTOP);
    EXPECT_NE(box.text.find("69"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find(std::strerror(EADDRINUSE)), std::string::npos) << box.text;
    EXPECT_FALSE(window->IsServerOpen());
    EXPECT_NE(window->UpgradePage(), nullptr);
    EXPECT_TRUE(Find(IDC_DOWNLOAD)->AcceptsInput());
}

TEST_F(MainWindowTest, ServerOpensOnAFreePortAndNothingIsSaidWhenTheDriverTurnedItOff) {
    StartOptions on;
    on.openServer = true;
    OpenWindow(on);
    EXPECT_TRUE(window->IsServerOpen());
    window.reset();
    StartOptions off;
    off.openServer = false;  // the driver's choice
    OpenWindow(off);
    EXPECT_FALSE(window->IsServerOpen());
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(MainWindowTest, ClientSocketThatCannotBeMadeIsReportedAndNoPageOpens) {
    StartOptions options;
    options.clientDevice = "nosuchdev";
    OpenWindow(options);
    ASSERT_EQ(desktop.BoxTexts().size(), 1u);
    EXPECT_NE(desktop.BoxTexts()[0].find("nosuchdev"), std::string::npos);
    EXPECT_EQ(window->UpgradePage(), nullptr);
    EXPECT_EQ(window->TabControl()->GetItemCount(), 0);
    EXPECT_FALSE(Click(IDC_DOWNLOAD));
}

TEST_F(MainWindowTest, SettingsFileFillsThePasswordAndImageBoxes) {
    struct Case {
        const char* file;  // nullptr: no settings file
        const char* password;
        const char* pack;
    };
    const Case cases[] = {
        {nullptr, "", ""},
        {"", "", ""},
        {"PackFile: fw.pack\r\n", "", "fw.pack"},
        {"  \tPASSWORD:  pw one\nPackFile a.pack\nPackFile b.pack\n", "pw one", "b.pack"},
        {"Pass\nPackFile=x.pack", "", "=x.pack"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("setting.cfg");
        if (c.file) WriteFile("setting.cfg", c.file);
        window.reset();
        OpenWindow();
        EXPECT_EQ(window->PasswordBox()->GetWindowText(), c.password) << c.file;
        EXPECT_EQ(window->UpgradePage()->GetDlgItemText(IDC_IMAGE_PATH), c.pack) << c.file;
    }
}

TEST_F(MainWindowTest, AccessorsConvertTheBoxesAsTheEnginesExpect) {
    EXPECT_EQ(GetRetryCount(), 0) << "before the window exists";
    LogMessage("too early\n");

    StartOptions expert;
    expert.expertMode = true;
    OpenWindow(expert);
    ASSERT_TRUE(ClickTab(2));
    for (auto [text, count] : {std::pair{"5x", 5}, {"", 0}, {"abc", 0}, {" -2", -2}}) {
        ASSERT_TRUE(Type(IDC_RETRY, text));
        EXPECT_EQ(GetRetryCount(), count) << text;
    }
    ASSERT_TRUE(Type(IDC_TIMEOUT, "7 s"));
    EXPECT_EQ(GetTimeoutSeconds(), 7);
    EXPECT_EQ(BoxTextToInt("99999999999", 49), INT_MAX);
    EXPECT_EQ(BoxTextToInt("00000000000042", kDelayChars), 4) << "13 characters are read";

    ASSERT_TRUE(Type(IDC_PASSWORD, std::string(40, 'p')));
    ReadPassword();
    EXPECT_EQ(g_szPassword.str(), std::string(29, 'p'));

    window->ModemAddress()->ClearAddress();
    ReadModemAddress();
    EXPECT_EQ(g_szModemAddress.str(), "0.0.0.0");
    window->ModemAddress()->SetFieldText(0, "10");
    window->ModemAddress()->SetFieldText(3, "7");
    ReadModemAddress();
    EXPECT_EQ(g_szModemAddress.str(), "10.0.0.7");
}

TEST_F(MainWindowTest, LogTakesLinesOnlyWhileLogEnableIsChecked) {
    OpenWindow();
    EXPECT_FALSE(Click(IDC_LOG_ENABLE)) << "hidden unless in expert mode";
    LogMessage("dropped\n");
    EXPECT_EQ(window->LogList()->GetCount(), 0);

    window.reset();
    StartOptions expert;
    expert.expertMode = true;
    OpenWindow(expert);
    ASSERT_TRUE(Click(IDC_LOG_ENABLE));
    LogMessage("one\n");
    LogMessage("two\n");
    EXPECT_EQ(window->LogList()->Lines(), (std::vector<std::string>{"one\n", "two\n"}));
    EXPECT_EQ(window->LogList()->GetCurSel(), 1) << "the newest line is selected";
    ASSERT_TRUE(Click(IDC_LOG_ENABLE));
    EXPECT_EQ(window->LogList()->GetCount(), 0) << "unchecking clears the log";
    ASSERT_TRUE(Click(IDC_LOG_ENABLE));
    EXPECT_EQ(window->LogList()->GetCount(), 0) << "and checking again brings nothing back";
}

TEST_F(MainWindowTest, ProgressRangeIsTheLastBlockPlusOneAndStepsStopAtTheBound) {
    OpenWindow();
    fw::CProgressCtrl* bar = window->ProgressBar();
    ResetProgress(1024 / 512 + 1);
    StepProgress();
    EXPECT_EQ(bar->GetUpper(), 4);
    EXPECT_EQ(bar->GetPos(), 1);
    for (int i = 0; i < 5; ++i) StepProgress();
    EXPECT_EQ(bar->GetPos(), 4);
    ResetProgress(65535);  // the 16-bit range wraps
    StepProgress();
    EXPECT_EQ(bar->GetUpper(), 0);
    EXPECT_EQ(bar->GetPos(), 0);
}

TEST_F(MainWindowTest, ServerActivitySwitchesTheIconAndText) {
    OpenWindow();
    SetServerActivityOn("Read:a.bin\nIP: 127.0.0.2");
    EXPECT_EQ(Text(IDC_ACTIVITY_TEXT), "Read:a.bin\nIP: 127.0.0.2");
    EXPECT_EQ(dynamic_cast<fw::CStatic*>(Find(IDC_ACTIVITY_ICON))->GetIcon(), IDI_SERVER_BUSY);
    SetServerActivityOff("Retry Fail.");
    EXPECT_EQ(Text(IDC_ACTIVITY_TEXT), "Retry Fail.");
    EXPECT_EQ(dynamic_cast<fw::CStatic*>(Find(IDC_ACTIVITY_ICON))->GetIcon(), IDI_SERVER_IDLE);
}

TEST_F(MainWindowTest, ExpertModeMapsTheFourTabsAndBringsTheHiddenControlsOut) {
    StartOptions expert;
    expert.expertMode = true;
    OpenWindow(expert);
    EXPECT_EQ(window->TabControl()->Items(),
              (std::vector<std::string>{"Upgrade", "Configuration", "Server", "Download Files"}));
    for (int tab : {1, 3, 2, 0}) {
        ASSERT_TRUE(ClickTab(tab));
        for (int other = 0; other < 4; ++other) {
            EXPECT_EQ(window->PageForTab(other)->IsWindowVisible(), other == tab) << tab;
        }
    }
    for (int id : {IDC_MODEM_INFO, IDC_ATMOS, IDC_VXWORKS, IDC_BROADCAST, IDC_UNICAST,
                   IDC_SKIP_CRITERIA, IDC_DELAY, IDC_DELAY_LABEL, IDC_FILE_INFO}) {
        EXPECT_TRUE(window->UpgradePage()->GetDlgItem(id)->AcceptsInput()) << id;
    }
    EXPECT_TRUE(Find(IDC_LOG_ENABLE)->AcceptsInput());
    ASSERT_TRUE(ClickTab(1));
    EXPECT_TRUE(Find(IDC_REBOOT)->AcceptsInput());
    for (int id : {IDC_OS_61, IDC_OS_70, IDC_GET_CONFIG, IDC_GET_PASSWORD}) {
        EXPECT_FALSE(Find(id)->IsWindowEnabled()) << "nothing reads " << id;
    }
    ASSERT_TRUE(ClickTab(2));
    for (int id : {IDC_SUBMIT, IDC_REMOTE_SERVER, IDC_REMOTE_FILE, IDC_ROOT_BROWSE}) {
        EXPECT_TRUE(Find(id)->AcceptsInput()) << id;
    }
}

}  // namespace
