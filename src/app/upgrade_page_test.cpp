// The firmware upgrade page driven as a person would, shown by what the simulated modem
// receives and by the dialog the run ends in.
#include <gtest/gtest.h>

#include "app/window_test_support.h"
#include "formats/pack_builder.h"
#include "framework/resolver.h"
#include "pages/latest_version.h"
#include "pages/upgrade_page.h"
#include "tftp/packet.h"

namespace {

ByteVector Payload(std::size_t n) { return ByteVector(n, 7); }

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

// (A pack's whole upgrade, bracket and entries in order, ending in "Update Complete": the run
// guard's tests, once for every press they try during it. A file refused for its format or
// its checksum: the format tests and tests/cli's commands and integrity tests.)
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

// (A foreign board stopping the run: the engine's board request tests.)
TEST_F(UpgradePageTest, VxWorksWritesOnlyTheBoardRequest) {
    OpenWindowOnModem(true);
    ASSERT_TRUE(Click(IDC_VXWORKS));
    ASSERT_TRUE(Type(IDC_IMAGE_PATH, WriteFile("fw.pack", pack)));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(Received(), Names{"RequestID"});
    EXPECT_EQ(ReceivedText("RequestID"), "secret\r\n");
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
    std::uint32_t RouteSourceAddress(std::uint32_t) override { return route; }
    std::uint32_t route = 0;
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
    ASSERT_TRUE(Click(IDC_FILE1_BROWSE));
    EXPECT_TRUE(desktop.FileDialogs().empty()) << "no dialog while a row is unchecked";
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
    EXPECT_EQ(Text(IDC_FILE1_DEST), "extra.bin");

    // The listen address, the client's device, the route to the modem, in this order.
    resolver.route = 0x0A000008;
    HostAddressHints hints{"10.0.0.66", "eth0", kModemAddr};
    EXPECT_EQ(HostAddressForModem(resolver, hints), 0x0A000042u);
    hints.listen = "0.0.0.0";
    EXPECT_EQ(HostAddressForModem(resolver, hints), 0x0A000005u);
    hints.device = "wlan9";
    EXPECT_EQ(HostAddressForModem(resolver, hints), 0x0A000008u);
    fw::SetDefaultResolver(nullptr);
}

// With the image's folder read-only, an older "LatestVersion" there would send the modem
// to another image: the board request is never written.
TEST_F(UpgradePageTest, VxWorksStopsBeforeTheBoardRequestWhenLatestVersionCannotBeWritten) {
    std::filesystem::create_directories("fw/LatestVersion");  // cannot be opened as a file
    std::string chosen = WriteFile("fw/new.pack", pack);
    OpenWindowOnModem(true);
    ASSERT_TRUE(Click(IDC_VXWORKS));
    desktop.QueueOpenFile(chosen);
    ASSERT_TRUE(Click(IDC_IMAGE_BROWSE));
    ASSERT_TRUE(Click(IDC_DOWNLOAD));
    EXPECT_EQ(desktop.BoxTexts(), Names{"Error:\nCannot write the LatestVersion file."});
    EXPECT_EQ(desktop.Boxes().back().flags & 0xF0, unsigned{fw::MB_ICONSTOP});
    EXPECT_TRUE(net.Trace().empty());
}

// "Verify after reboot" against modems that reboot for a while, reject the image or never
// come back: one box with the outcome, and none for the reads that went unanswered.
TEST_F(UpgradePageTest, VerifyAfterRebootTellsWhatTheModemCameBackWith) {
    WriteFile("modem/info", "Acme;2026;HW 1/FW 1.0");
    struct Case {
        std::string version;  // of the image
        int reboot_seconds;
        bool reject;
        std::string box;
        unsigned icon;
        int min_reads;  // of "info", the one before the upgrade included
    } cases[] = {
        {"10402300", 20, false, "Verified: firmware 10402300 (was FW 1.0)", fw::MB_ICONINFORMATION,
         2},
        // Seen silent, then back with the old version: settled at once.
        {"10402300", 8, true, "The modem came back with firmware FW 1.0; expected 10402300.",
         fw::MB_ICONSTOP, 2},
        // Never seen silent: the old version may be a modem not yet gone down, so it is
        // asked again until the time is up.
        {"10402300", 1, true, "The modem came back with firmware FW 1.0; expected 10402300.",
         fw::MB_ICONSTOP, 30},
        {"10402300", 1000, false, "The modem did not come back within 180 s.", fw::MB_ICONSTOP, 1},
        {"20112345", 0, false, "Firmware unchanged: FW 1.0", fw::MB_ICONSTOP, 30},
    };
    for (const Case& c : cases) {
        modem.reset();
        modem::ModemConfig config;
        config.reboot_seconds = c.reboot_seconds;
        config.reject_image = c.reject;
        StartModem(config);
        OpenWindowOnModem(true);
        desktop.ClearRecord();
        ASSERT_TRUE(
            Type(IDC_IMAGE_PATH, WriteFile("fw.comp", BuildImage(c.version, Payload(900)))));
        ASSERT_TRUE(Click(IDC_VERIFY_REBOOT));
        ASSERT_TRUE(Click(IDC_DOWNLOAD));
        FirmwareVerifier& verifier = window->UpgradePage()->Verifier();
        net.ClearTrace();
        loop.RunUntil([&] { return !verifier.IsActive(); }, 600000);
        int reads = 0;
        for (const fw::Datagram& d : net.Trace())
            reads += d.bytes == tftp::BuildRequest(tftp::RRQ, "info");
        EXPECT_GE(reads, c.min_reads) << c.box;
        EXPECT_EQ(desktop.BoxTexts(), Names{c.box});
        EXPECT_EQ(desktop.Boxes().back().flags & 0xF0, c.icon);
        EXPECT_EQ(Text(IDC_VERIFY_STATUS), c.box);
        EXPECT_EQ(desktop.ModalTemplateIds(), std::vector<int>{IDD_UPGRADE_STATUS});
        window.reset();
    }
}

}  // namespace
