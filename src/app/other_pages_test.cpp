// The configuration, download files and server pages in expert mode, shown by what the
// simulated modem receives and by the message or dialog a run ends in.
#include <gtest/gtest.h>

#include "app/window_test_support.h"
#include "formats/pack_builder.h"
#include "pages/download_page.h"

namespace {

using Entries = std::map<std::string, std::string>;

class OtherPagesTest : public WindowTest {
protected:
    void SetUp() override {
        for (const char* name : {"initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"}) {
            // dhcpd.conf fills a whole block, so an empty last block follows it.
            config[name] = *name == 'd' ? std::string(512, 'd') : name + std::string("=1");
            WriteFile(std::string("modem/") + name, config[name]);
        }
        StartModem();
        OpenWindowOnModem(true);
    }
    std::string Pack(const std::string& name, const std::vector<PackItem>& items) {
        return WriteFile(name, BuildPack("PK11", "", items));
    }
    Entries config;
};

TEST_F(OtherPagesTest, GetSavesTheFiveConfigurationFilesInOnePack) {
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Click(IDC_GET));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(desktop.BoxTexts(), Names{"Get configuration done!\nConfiguration file now saved "
                                        "on host:    \nconfig.pack\n"});
    // (The pack's layout, byte for byte: the engine's config read tests.)
    std::string saved = ReadFile("config.pack");
    for (const auto& [name, content] : config) EXPECT_NE(saved.find(content), saved.npos) << name;
    EXPECT_EQ(Received(), Names(6, "tftplock.key")) << "the key first and before every read";
}

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

TEST_F(OtherPagesTest, DownloadFilesSendsMacroThenFile1ThenFile2UnderTheirNames) {
    ASSERT_TRUE(ClickTab(3));
    for (int check : {IDC_FILE2_CHECK, IDC_FILE1_CHECK, IDC_MACRO_CHECK}) ASSERT_TRUE(Click(check));
    ASSERT_TRUE(Type(IDC_MACRO_PATH, WriteFile("m.txt", "sys reboot\n")));
    ASSERT_TRUE(Type(IDC_FILE1_SOURCE, WriteFile("one.bin", std::string(8192, '1'))));
    ASSERT_TRUE(Type(IDC_FILE1_DEST, "first"));
    ASSERT_TRUE(Type(IDC_FILE2_SOURCE, WriteFile("two.bin", "2")));
    ASSERT_TRUE(Type(IDC_FILE2_DEST, "second"));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "cmdmacro", "first", "second"}));
    EXPECT_EQ(ReceivedText("cmdmacro"), "sys reboot\n");
    EXPECT_EQ(ReceivedText("first"), std::string(8192, '1'));
    EXPECT_TRUE(desktop.Boxes().empty()) << "the run ends without a message";
}

TEST_F(OtherPagesTest, DownloadFilesRefusesAFileOver8KBeforeAnythingIsSent) {
    ASSERT_TRUE(ClickTab(3));
    ASSERT_TRUE(Click(IDC_FILE2_CHECK));
    ASSERT_TRUE(Type(IDC_FILE2_SOURCE, WriteFile("big.bin", std::string(9000, 'b'))));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(Type(IDC_FILE2_SOURCE, WriteFile("big.bin", std::string(8193, 'b'))));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));  // one byte over the limit
    EXPECT_EQ(desktop.BoxTexts(), (Names{kFileTooLargeText, kFileTooLargeText}));
    EXPECT_TRUE(net.Trace().empty());

    ASSERT_TRUE(Click(IDC_FILE2_CHECK));  // nothing checked: the unlock key alone
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), Names{"tftplock.key"});
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
