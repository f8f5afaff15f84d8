// The main window: its start-up, the accessors it lends the engines, the log, the settings
// file and expert mode.
#include <gtest/gtest.h>

#include "app/accessors.h"
#include "app/window_test_support.h"
#include "framework/async_socket.h"
#include "framework/ui/list_box.h"
#include "pages/operation_page.h"
#include "sequencer/sequencer_hooks.h"
#include "tftp/host_hooks.h"

namespace {

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, OpensWithTheServerPageValuesAsTheEnginesSettings) {
    OpenWindow();
    // (The page, its tab and the address as they look: the terminal UI's screens.) The hidden
    // server page's boxes are the engines' settings from the start.
    EXPECT_EQ(GetRetryCount(), 3);
    EXPECT_EQ(GetTimeoutSeconds(), 3);
    EXPECT_TRUE(IsServerReadEnabled());
    EXPECT_FALSE(IsServerWriteEnabled());
    EXPECT_EQ(Text(IDC_ROOT_PATH), ".");
    EXPECT_TRUE(window->IsServerOpen());
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(MainWindowTest, ServerPortInUseIsReportedAndTheWindowStillOpensItsPages) {
    fw::CAsyncSocket holder;
    holder.SetStack(&host);
    ASSERT_TRUE(holder.Create(69));
    OpenWindow();
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_NE(desktop.BoxTexts()[0].find("port 69: " + std::string(std::strerror(EADDRINUSE))),
              std::string::npos);
    EXPECT_FALSE(window->IsServerOpen());
    EXPECT_TRUE(Find(IDC_DOWNLOAD)->AcceptsInput());
}

// How the file reads is the settings tests' business; here, that its values reach the boxes.
TEST_F(MainWindowTest, SettingsFileFillsThePasswordAndImageBoxes) {
    WriteFile("setting.cfg", " \tPASSWORD:  pw 1\nPackFile a\nPackFile b\n");
    OpenWindow();
    EXPECT_EQ(window->PasswordBox()->GetWindowText(), "pw 1");
    EXPECT_EQ(Text(IDC_IMAGE_PATH), "b");
}

TEST_F(MainWindowTest, AccessorsConvertTheBoxesAsTheEnginesExpect) {
    EXPECT_EQ(GetRetryCount(), 0) << "before the window exists";
    LogMessage("too early\n");
    OpenWindowOnModem(true);
    ASSERT_TRUE(ClickTab(2));
    for (auto [text, count] : {std::pair{"5x", 5}, {"", 0}, {"abc", 0}, {" -2", -2}}) {
        ASSERT_TRUE(Type(IDC_RETRY, text));
        EXPECT_EQ(GetRetryCount(), count) << text;
    }
    EXPECT_EQ(BoxTextToInt("99999999999", kRetryChars), INT_MAX);
    EXPECT_EQ(BoxTextToInt("00000000000042", kDelayChars), 4) << "13 characters are read";

    window->ModemAddress()->ClearAddress();
    window->ModemAddress()->SetFieldText(3, "7");
    ReadModemAddress();
    EXPECT_EQ(g_szModemAddress.str(), "0.0.0.7");
}

TEST_F(MainWindowTest, LogTakesLinesOnlyWhileLogEnableIsChecked) {
    OpenWindowOnModem(true);
    LogMessage("dropped\n");
    ASSERT_TRUE(Click(IDC_LOG_ENABLE));
    LogMessage("one\n");
    LogMessage("two\n");
    EXPECT_EQ(window->LogList()->Lines(), (Names{"one\n", "two\n"}));
    ASSERT_TRUE(Click(IDC_LOG_ENABLE));
    ASSERT_TRUE(Click(IDC_LOG_ENABLE));
    EXPECT_EQ(window->LogList()->GetCount(), 0) << "unchecking cleared it for good";
}

// (Each page and the controls expert mode brings out, as they look: the terminal UI's
// screens; the other tests here click them.)
TEST_F(MainWindowTest, ExpertModeBringsTheHiddenControlsOut) {
    OpenWindow();
    EXPECT_FALSE(Click(IDC_MODEM_INFO));
    OpenWindowOnModem(true);
    ASSERT_TRUE(ClickTab(1));
    EXPECT_TRUE(Find(IDC_REBOOT)->AcceptsInput());
    // Clicks reach neither a disabled control nor one on a page not shown.
    for (int id : {IDC_OS_61, IDC_OS_70, IDC_GET_CONFIG, IDC_GET_PASSWORD, IDC_SUBMIT}) {
        EXPECT_FALSE(Click(id)) << "nothing reads " << id;
    }
}

}  // namespace
