// The configuration, download files and server pages in expert mode, shown by what the
// simulated modem receives and by the message or dialog a run ends in.
#include <gtest/gtest.h>

#include "app/window_test_support.h"
#include "formats/pack_builder.h"
#include "formats/pack_table.h"
#include "framework/file.h"
#include "pages/download_page.h"

namespace {

using Names = std::vector<std::string>;

const char* const kConfigFiles[] = {"initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"};

class OtherPagesTest : public WindowTest {
protected:
    void SetUp() override {
        for (const char* name : kConfigFiles)
            WriteFile(std::string("modem/") + name, Content(name));
        StartModem();
        StartOptions options;
        options.expertMode = true;
        OpenWindowOnModem(options);
    }
    static std::string Content(const std::string& name) {
        return name == "dhcpd.conf" ? std::string(512, 'd') : name + " settings\n";
    }
    // The entries of a pack on disk: name and bytes.
    std::map<std::string, std::string> PackEntries(const std::string& path) {
        fw::CFile file;
        EXPECT_TRUE(file.Open(path, fw::CFile::modeRead));
        char magic[4];
        file.Read(magic, 4);
        PackEntry entries[kMaxPackEntries];
        int count = 0;
        EXPECT_EQ(ParsePackTable(file, std::string_view(magic, 4), entries, count),
                  PackTableResult::ok);
        std::string all = ReadFile(path);
        std::map<std::string, std::string> out;
        for (int i = 0; i < count; ++i) {
            out[entries[i].name.str()] = all.substr(entries[i].offset, entries[i].length);
        }
        return out;
    }
    std::map<std::string, std::string> ExpectedConfig() const {
        std::map<std::string, std::string> all;
        for (const char* name : kConfigFiles) all[name] = Content(name);
        return all;
    }
};

TEST_F(OtherPagesTest, GetSavesTheFiveConfigurationFilesInOnePack) {
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Click(IDC_GET));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(desktop.BoxTexts(),
              Names{"Get configuration done!\nConfiguration file now saved on host:    \n"
                    "config.pack\n"});
    EXPECT_EQ(PackEntries("config.pack"), ExpectedConfig());
    EXPECT_EQ(Received(), Names(6, "tftplock.key")) << "the key first and before every read";
}

TEST_F(OtherPagesTest, PressingGetAgainStartsAfresh) {
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Click(IDC_GET));
    ASSERT_TRUE(Click(IDC_GET));  // while the first run has only just begun
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(desktop.BoxTexts().size(), 1u);
    EXPECT_EQ(PackEntries("config.pack"), ExpectedConfig());

    WriteFile("modem/imode", "changed\n");
    ASSERT_TRUE(Click(IDC_GET));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(desktop.BoxTexts().size(), 2u);
    std::map<std::string, std::string> expected = ExpectedConfig();
    expected["imode"] = "changed\n";
    EXPECT_EQ(PackEntries("config.pack"), expected) << "a new pack, nothing appended";
}

TEST_F(OtherPagesTest, PutWithRebootEndsInTheUpgradeStatusDialog) {
    ByteVector pack =
        BuildPack("PK11", "", {{"initbridge", ToBytes("a\n")}, {"imode", ToBytes("b\n")}});
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Type(IDC_RESTORE_PATH, WriteFile("saved.pack", pack)));
    ASSERT_TRUE(Click(IDC_PUT));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "tftpupdt.beg", "initbridge", "imode",
                                 "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(ReceivedText("imode"), "b\n");
    EXPECT_EQ(desktop.ModalTemplateIds(), std::vector<int>{IDD_UPGRADE_STATUS});
}

TEST_F(OtherPagesTest, PutWithoutRebootEndsInDownloadSuccess) {
    ByteVector pack = BuildPack("PK11", "", {{"resolve", ToBytes("r\n")}});
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Type(IDC_RESTORE_PATH, WriteFile("saved.pack", pack)));
    ASSERT_TRUE(Click(IDC_REBOOT));
    ASSERT_TRUE(Click(IDC_PUT));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "resolve"}));
    EXPECT_EQ(desktop.BoxTexts(),
              Names{"Download Success!\nUpdate progress will take about 20 seconds.\n"
                    "You should reboot ADSL to take effect!"});
    EXPECT_TRUE(desktop.ModalTemplateIds().empty());
}

TEST_F(OtherPagesTest, PutRefusesABadRestoreFileBeforeSendingAnything) {
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Type(IDC_RESTORE_PATH, WriteFile("empty.pack", BuildPack("PK11", "", {}))));
    ASSERT_TRUE(Click(IDC_PUT));
    ASSERT_TRUE(RunUntilOver());
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_TRUE(net.Trace().empty());
}

TEST_F(OtherPagesTest, SendImageTakesBox1055OnTheConfigurationTabAnd1015OnTheUpgradeTab) {
    ASSERT_TRUE(Type(IDC_IMAGE_PATH,
                     WriteFile("a.pack", BuildPack("PK11", "", {{"from1015", ToBytes("u")}}))));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    ASSERT_TRUE(ClickTab(1));
    ASSERT_TRUE(Type(IDC_RESTORE_PATH,
                     WriteFile("b.pack", BuildPack("PK11", "", {{"from1055", ToBytes("c")}}))));
    ASSERT_TRUE(Click(IDC_PUT));
    ASSERT_TRUE(RunUntilOver());
    Names sent;
    for (const std::string& name : Received()) {
        if (name.rfind("from", 0) == 0) sent.push_back(name);
    }
    EXPECT_EQ(sent, (Names{"from1015", "from1055"}));
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
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kPlanExhausted);
}

TEST_F(OtherPagesTest, DownloadFilesRefusesAFileOver8KBeforeAnythingIsSent) {
    ASSERT_TRUE(ClickTab(3));
    ASSERT_TRUE(Click(IDC_FILE2_CHECK));
    ASSERT_TRUE(Type(IDC_FILE2_SOURCE, WriteFile("big.bin", std::string(9000, 'b'))));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(desktop.BoxTexts(), Names{kFileTooLargeText});
    EXPECT_TRUE(net.Trace().empty());

    ASSERT_TRUE(Click(IDC_FILE2_CHECK));  // nothing checked: the unlock key alone
    EXPECT_FALSE(Find(IDC_FILE2_SOURCE)->IsWindowEnabled());
    EXPECT_EQ(Text(IDC_FILE2_SOURCE), dir + "/big.bin") << "unchecking keeps the text";
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), Names{"tftplock.key"});
}

TEST_F(OtherPagesTest, SubmitWritesTheKeyAndTwoEmptyMacros) {
    ASSERT_TRUE(ClickTab(2));
    ASSERT_TRUE(Click(IDC_SUBMIT));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "cmdmacro", "cmdmacro"}));
    EXPECT_EQ(ReceivedText("cmdmacro"), "\r\n");
}

TEST_F(OtherPagesTest, ServerBrowseNeedsEnableReadAndTakesTheChosenFilesFolder) {
    ASSERT_TRUE(ClickTab(2));
    ASSERT_TRUE(Click(IDC_ENABLE_READ));
    ASSERT_TRUE(Click(IDC_ROOT_BROWSE));
    EXPECT_TRUE(desktop.FileDialogs().empty());
    ASSERT_TRUE(Click(IDC_ENABLE_READ));
    desktop.QueueOpenFile(dir + "/served/image.comp");
    ASSERT_TRUE(Click(IDC_ROOT_BROWSE));
    EXPECT_EQ(Text(IDC_ROOT_PATH), dir + "/served");
}

}  // namespace
