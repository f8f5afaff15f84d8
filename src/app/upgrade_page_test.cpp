// The firmware upgrade page driven as a person would, shown by what the simulated modem
// receives and by the dialog the run ends in.
#include <gtest/gtest.h>

#include "app/window_test_support.h"
#include "formats/pack_builder.h"
#include "framework/resolver.h"
#include "framework/ui/progress_ctrl.h"
#include "pages/latest_version.h"

namespace {

ByteVector Payload(std::size_t n) {
    ByteVector bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

class UpgradePageTest : public WindowTest {
protected:
    void SetUp() override {
        StartModem();
        pack = BuildPack("PK11", "HW1",
                         {{"fw.bin", Payload(700)},
                          {"hw.cond", ToBytes("adsl")},
                          {"cfg.txt", ToBytes("x=1\n")}});
        AppendCompatibleList(pack, {"SIM-BOARD-1"});
    }
    ByteVector pack;
};

TEST_F(UpgradePageTest, DownloadOfAPackSendsTheBracketAndEveryEntryAndEndsInUpdateComplete) {
    OpenWindowOnModem();
    std::string countdown;
    desktop.OnModal(IDD_UPGRADE_STATUS, [&](fw::CDialog& dialog) {
        loop.RunUntil([&] { return dialog.GetDlgItemText(IDC_STATUS_LINE) == "Modem Reboot"; },
                      60000);
        countdown = dialog.GetDlgItemText(IDC_COUNTDOWN_LINE);
    });
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, WriteFile("fw.pack", pack)));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "tftpupdt.beg", "fw.bin", "hw.cond", "cfg.txt",
                                 "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(ReceivedText("tftplock.key"), "secret\r\n");
    EXPECT_EQ(ReceivedText("tftpupdt.end"), "\r\n");
    EXPECT_EQ(modem->LastReceived("fw.bin")->bytes, Payload(700));
    EXPECT_EQ(desktop.ModalTemplateIds(), std::vector<int>{IDD_UPGRADE_STATUS});
    EXPECT_EQ(countdown, "Update Complete");
    EXPECT_EQ(window->ProgressBar()->GetPos(), 0) << "the bar is reset after the dialog";
}

TEST_F(UpgradePageTest, ImageOf1024BytesMovesTheBarOverARangeOfFour) {
    OpenWindowOnModem();
    std::vector<std::pair<int, int>> bar;  // (upper bound, position) at each change
    fw::ScopedUiListener listener([&](const fw::UiEvent& e) {
        auto* p = window->ProgressBar();
        if (e.control == p) bar.emplace_back(p->GetUpper(), p->GetPos());
    });
    ByteVector image = BuildImage("104v2.00", Payload(1012));
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, WriteFile("fw.comp", image)));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(modem->LastReceived("image")->bytes, image);
    auto send = std::find(bar.begin(), bar.end(), std::pair{4, 0});
    ASSERT_NE(send, bar.end());
    EXPECT_EQ(*(send + 1), (std::pair{4, 1}));
    EXPECT_NE(std::find(send, bar.end(), std::pair{4, 4}), bar.end());
}

TEST_F(UpgradePageTest, OtherFileRowsAndTheOptionsShapeThePlan) {
    OpenWindowOnModem(true);
    ASSERT_TRUE(Click(IDC_IMAGE_CHECK));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "tftpupdt.beg", "tftpupdt.rbt", "tftpupdt.end"}));

    ASSERT_TRUE(Click(IDC_IMAGE_CHECK));
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, WriteFile("fw.pack", pack)));
    ASSERT_TRUE(Click(IDC_SKIP_CRITERIA));
    ASSERT_TRUE(Click(IDC_FILE2_CHECK));
    ASSERT_TRUE(Type(IDC_FILE2_SOURCE, dir + "/notes.txt"));
    ASSERT_TRUE(Type(IDC_FILE2_DEST, "notes"));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    EXPECT_EQ(desktop.BoxTexts(), Names{"Warning:\nCannot open file."}) << "refused at once";
    EXPECT_EQ(Received().size(), 4u);

    WriteFile("notes.txt", "any format\n");
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    // The modem, still updating, refuses the second begin marker in words that let the
    // upgrade go on.
    Names all = Received();
    EXPECT_EQ(Names(all.end() - 6, all.end()), (Names{"tftplock.key", "fw.bin", "cfg.txt", "notes",
                                                      "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(ReceivedText("notes"), "any format\n");
}

TEST_F(UpgradePageTest, BadOrMissingImageIsRefusedBeforeTheModemHearsAnything) {
    OpenWindowOnModem();
    for (auto [path, text] :
         {std::pair{WriteFile("junk.bin", "JUNKJUNKJUNK"), "Warning:\nYour image is not correct."},
          {dir + "/missing.pack", "Warning:\nCannot open file."}}) {
        ASSERT_TRUE(Type(IDC_IMAGE_PATH, path));
        ASSERT_TRUE(Click(IDC_DOWNLOAD));
        EXPECT_EQ(desktop.BoxTexts().back(), text);
        EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    }
    EXPECT_TRUE(net.Trace().empty());
}

TEST_F(UpgradePageTest, VxWorksWritesOnlyTheBoardRequestAndChecksTheCompatibleList) {
    OpenWindowOnModem(true);
    ASSERT_TRUE(Click(IDC_VXWORKS));
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, WriteFile("fw.pack", pack)));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), Names{"RequestID"});
    EXPECT_EQ(ReceivedText("RequestID"), "secret\r\n");

    ByteVector other = BuildImage("", Payload(10));
    AppendCompatibleList(other, {"OTHER-BOARD"});
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, WriteFile("other.comp", other)));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), Names{"RequestID"}) << "nothing more for a foreign board";
    EXPECT_EQ(desktop.BoxTexts().back(), "Not compatible board: SIM-BOARD-1");

    // The file is only read for its list: one of no known format still asks the modem,
    // one that does not open is refused before the modem hears anything.
    std::size_t datagrams = net.Trace().size();
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, WriteFile("junk.bin", "JUNKJUNKJUNK")));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_GT(net.Trace().size(), datagrams);
    datagrams = net.Trace().size();
    EXPECT_EQ(desktop.BoxTexts().back(), "Not compatible board: SIM-BOARD-1");
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, dir + "/missing.comp"));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    EXPECT_EQ(desktop.BoxTexts().back(), "Warning:\nCannot open file.");
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    EXPECT_EQ(net.Trace().size(), datagrams);
}

TEST_F(UpgradePageTest, ModemInfoReadsTheIdentificationFilesIntoTheInformationDialog) {
    WriteFile("modem/info", "Acme;  2026/12/01; HW1.0/FW2.3;");
    WriteFile("modem/ProductInfo", "P-660;00:11:22:33:44:55;tftp 1.2");
    OpenWindowOnModem(true);
    Names shown;
    desktop.OnModal(IDD_MODEM_INFO, [&](fw::CDialog& dialog) {
        for (int id : {IDC_INFO_COMPANY, IDC_INFO_DATE, IDC_INFO_HW_VERSION, IDC_INFO_FW_VERSION,
                       IDC_INFO_PRODUCT_ID, IDC_INFO_MAC, IDC_INFO_TFTP_VERSION}) {
            shown.push_back(dialog.GetDlgItemText(id));
        }
    });
    ASSERT_TRUE(Click(IDC_MODEM_INFO));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(shown, (Names{"Acme", "2026/12/01", "HW1.0", "FW2.3", "P-660", "00:11:22:33:44:55",
                            "tftp 1.2"}));
    EXPECT_EQ(Received(), Names(4, "tftplock.key")) << "the key first and before every read";
}

TEST_F(UpgradePageTest, BroadcastTwiceThenUnicastRestoresTheFirstAddress) {
    modem.reset();
    modem::ModemConfig config;
    config.answer_from_listen_port = true;  // as modems answering one broadcast must
    StartModem(config);
    OpenWindowOnModem(true);
    ASSERT_TRUE(Click(IDC_BROADCAST));
    ASSERT_TRUE(Click(IDC_BROADCAST));
    EXPECT_EQ(window->ModemAddress()->GetWindowText(), "255.255.255.255");
    EXPECT_FALSE(window->ModemAddress()->IsWindowEnabled());
    EXPECT_FALSE(window->Server().IsServing());
    EXPECT_EQ(Text(IDC_SERVER_NOTE) + Text(IDC_DELAY_LABEL), "Tftp server disabled.Delay:");

    ASSERT_TRUE(Type(IDC_DELAY, "250"));
    ASSERT_TRUE(Click(IDC_IMAGE_CHECK));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), (Names{"tftplock.key", "tftpupdt.beg", "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(net.Trace().front().to.addr, fw::kBroadcastAddr);
    EXPECT_EQ(net.Trace().front().sent_at, 250) << "after the Delay box's pause";

    ASSERT_TRUE(Click(IDC_UNICAST));
    EXPECT_EQ(window->ModemAddress()->GetWindowText(), "10.0.0.2");
    EXPECT_TRUE(window->ModemAddress()->IsWindowEnabled());
    EXPECT_TRUE(window->Server().IsServing());
    EXPECT_EQ(Text(IDC_SERVER_NOTE), "");
}

struct FakeResolver : fw::Resolver {
    std::string HostName() override { return "box"; }
    std::vector<std::uint32_t> ResolveHost(const std::string&) override { return resolved; }
    std::vector<fw::InterfaceAddress> Interfaces() override { return interfaces; }
    std::vector<std::uint32_t> resolved{0x7F000101};  // 127.0.1.1
    std::vector<fw::InterfaceAddress> interfaces{{"lo", 0x7F000001, true, true},
                                                 {"eth1", 0x0A000009, false, false},
                                                 {"eth0", 0x0A000005, true, false}};
};

TEST_F(UpgradePageTest, BrowseButtonsFillTheBoxesAndAVxWorksImageGetsLatestVersion) {
    FakeResolver resolver;
    fw::SetDefaultResolver(&resolver);
    std::filesystem::create_directory("fw");
    std::string chosen = WriteFile("fw/pkg.pack", std::string(1000, 'x'));
    OpenWindowOnModem(true);
    ASSERT_TRUE(Click(IDC_IMAGE_CHECK));
    ASSERT_TRUE(Click(IDC_IMAGE_BROWSE));
    ASSERT_TRUE(Click(IDC_FILE1_BROWSE));
    EXPECT_TRUE(desktop.FileDialogs().empty()) << "no dialog while a row is unchecked";

    ASSERT_TRUE(Click(IDC_IMAGE_CHECK));
    desktop.QueueOpenFile(chosen);  // Atmos: nothing beside it
    ASSERT_TRUE(Click(IDC_IMAGE_BROWSE));
    EXPECT_EQ(Text(IDC_IMAGE_PATH), chosen);
    EXPECT_FALSE(std::filesystem::exists(dir + "/fw/LatestVersion"));
    ASSERT_TRUE(Click(IDC_VXWORKS));
    desktop.QueueOpenFile(chosen);
    ASSERT_TRUE(Click(IDC_IMAGE_BROWSE));
    EXPECT_EQ(ReadFile(dir + "/fw/LatestVersion"), "99.0\r\npkg.pack\r\n10.0.0.5\r\n1000\r\n");

    ASSERT_TRUE(Click(IDC_FILE1_CHECK));
    desktop.QueueOpenFile(dir + "/sub/extra.bin");
    ASSERT_TRUE(Click(IDC_FILE1_BROWSE));
    EXPECT_EQ(Text(IDC_FILE1_SOURCE) + " " + Text(IDC_FILE1_DEST),
              dir + "/sub/extra.bin extra.bin");

    resolver.resolved = {0x0A000007};
    EXPECT_EQ(HostAddressForModem(resolver), 0x0A000007u);
    resolver.resolved.clear();
    resolver.interfaces.pop_back();
    EXPECT_EQ(HostAddressForModem(resolver), 0u) << "no interface up but loopback";
    fw::SetDefaultResolver(nullptr);
}

}  // namespace
