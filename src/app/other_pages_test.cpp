// The configuration, download files and server pages in expert mode, shown by what the
// simulated modem receives and by the message or dialog a run ends in.
#include <gtest/gtest.h>

#include "app/window_test_support.h"
#include "formats/pack_builder.h"
#include "pages/download_page.h"

namespace {

class OtherPagesTest : public WindowTest {
protected:
    void SetUp() override {
        StartModem();
        OpenWindowOnModem(true);
    }
    std::string Pack(const std::string& name, const std::vector<PackItem>& items) {
        return WriteFile(name, BuildPack("PK11", "", items));
    }
};

TEST_F(OtherPagesTest, PutWithRebootEndsInTheUpgradeStatusDialogWithoutInDownloadSuccess) {
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Type(IDC_RESTORE_PATH, Pack("s.pack", {{"initbridge", {'a'}}, {"imode", {'b'}}})));
    ASSERT_TRUE(Click(IDC_PUT));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "tftpupdt.beg", "initbridge", "imode",
                                 "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(ReceivedText("imode"), "b");
    EXPECT_EQ(desktop.ModalTemplateIds(), std::vector<int>{IDD_UPGRADE_STATUS});

    ASSERT_TRUE(Click(IDC_REBOOT));
    ASSERT_TRUE(Click(IDC_PUT));
    ASSERT_TRUE(RunUntilOver());
    Names all = Received();
    EXPECT_EQ(Names(all.end() - 4, all.end()),
              (Names{"tftpupdt.end", "tftplock.key", "initbridge", "imode"}));
    EXPECT_EQ(desktop.BoxTexts(), Names{"Download Success!\nUpdate progress will take about 20 "
                                        "seconds.\nYou should reboot ADSL to take effect!"});
    EXPECT_EQ(desktop.ModalTemplateIds().size(), 1u);
}

TEST_F(OtherPagesTest, PutRefusesAnEmptyPackBeforeSendingAnything) {
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Type(IDC_RESTORE_PATH, Pack("empty.pack", {})));
    ASSERT_TRUE(Click(IDC_PUT));
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_TRUE(net.Trace().empty());
}

// (The macro and both files, each under its name on the modem: tests/cli's send.)
TEST_F(OtherPagesTest, DownloadFilesRefusesAFileOver8KBeforeAnythingIsSent) {
    ASSERT_TRUE(ClickTab(3));
    ASSERT_TRUE(Click(IDC_FILE2_CHECK));
    ASSERT_TRUE(Type(IDC_FILE2_SOURCE, WriteFile("big.bin", std::string(8193, 'b'))));
    ASSERT_TRUE(Type(IDC_FILE2_DEST, "second"));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));  // one byte over the limit
    EXPECT_EQ(desktop.BoxTexts(), Names{kFileTooLargeText});
    EXPECT_TRUE(net.Trace().empty());

    WriteFile("big.bin", std::string(8192, 'b'));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "second"}));
    EXPECT_EQ(ReceivedText("second"), std::string(8192, 'b'));
    EXPECT_EQ(desktop.BoxTexts().size(), 1u) << "the run ends without a message";
}

TEST_F(OtherPagesTest, ServerPageSubmitsTwoEmptyMacrosAndBrowsesForAFolder) {
    ASSERT_TRUE(ClickTab(2));
    ASSERT_TRUE(Click(IDC_SUBMIT));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "cmdmacro", "cmdmacro"}));
    EXPECT_EQ(ReceivedText("cmdmacro"), "\r\n");

    ASSERT_TRUE(Click(IDC_ENABLE_READ));
    ASSERT_TRUE(Click(IDC_ROOT_BROWSE));
    EXPECT_TRUE(desktop.FileDialogs().empty()) << "no dialog without Enable Read";
    ASSERT_TRUE(Click(IDC_ENABLE_READ));
    desktop.QueueOpenFile(dir + "/served/image.comp");
    ASSERT_TRUE(Click(IDC_ROOT_BROWSE));
    EXPECT_EQ(Text(IDC_ROOT_PATH), dir + "/served");
}

}  // namespace
