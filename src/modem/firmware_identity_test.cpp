// The simulated modem's firmware after an update: what it takes from the files it received,
// how it reports it, and its silence while it reboots.
#include "modem/firmware_identity.h"

#include <gtest/gtest.h>

#include "modem/modem_test_fixture.h"

namespace modem::testing {
namespace {

TEST(VersionCarriedBy, TheInfoEntrysFirmwareFieldElseANewerImagesVersion) {
    struct Case {
        std::string name, bytes, version;
    } cases[] = {
        {"info", "Labs;2026;HW1.0;FW2.3;", "FW2.3"},
        {"info", "Labs;2026;HW1.0/ FW2.4 \r\n", "FW2.4"},
        {"info", "Labs;2026;HW1.0", ""},
        {"image", "LZ0110402300payload", "10402300"},
        {"fw.bin", std::string("LZ01104\0\0\0\0\0xx", 14), "104"},
        {"image", "LZ0120112345payload", ""},  // the older format carries none
        {"image", "LZ01104", ""},
        {"hw.cond", "board=X", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VersionCarriedBy(c.name, BytesOf(c.bytes)), c.version) << c.bytes;
    }
}

TEST(InfoReporting, ReplacesOnlyTheFirmwareField) {
    for (auto [info, shown] : {std::pair{"Sim;2024;HW 1.2/FW 3.0.8", "Sim;2024;HW 1.2/NEW"},
                               {"Sim;2024;HW 1.2/FW 3.0.8\r\n", "Sim;2024;HW 1.2/NEW\r\n"},
                               {"Sim;2024;HW1;FW1;extra", "Sim;2024;HW1;NEW;extra"},
                               {"Sim;2024;HW1", "Sim;2024;HW1;NEW"},
                               {"", ";;;NEW"}}) {
        EXPECT_EQ(InfoReporting(info, "NEW"), shown);
    }
}

using ModemRebootTest = ModemTest;

// An update with an image and an "info" entry, then silence for the reboot; afterwards the
// modem reports the entry's version, or keeps its own when it rejected the image.
TEST_F(ModemRebootTest, SilentWhileRebootingThenReportsTheVersionTheUpdateCarried) {
    std::uint32_t addr = kModemAddr;
    for (bool reject : {false, true}) {
        ModemConfig config = Config(++addr);
        config.reboot_seconds = 30;
        config.reject_image = reject;
        config.completion_delay_ms = 100;
        SimulatedModem& modem = StartModem(config, addr);
        TestPeer peer(host);
        ASSERT_TRUE(Unlock(peer, addr).done);
        for (auto [name, text] : {std::pair{"tftpupdt.beg", "\r\n"},
                                  {"image", "LZ0110402300xy"},
                                  {"info", "Labs;2026;HW1;FW2.3;"},
                                  {"tftpupdt.end", "\r\n"}}) {
            ASSERT_TRUE(WriteFile(peer, ModemAt(addr), name, BytesOf(text)).done) << name;
        }
        loop.RunFor(200);
        EXPECT_TRUE(modem.CompletionSent());
        EXPECT_TRUE(modem.IsRebooting());
        EXPECT_FALSE(Unlock(peer, addr).done) << "nothing answers while it reboots";
        loop.RunFor(30000);
        EXPECT_FALSE(modem.IsRebooting());
        ASSERT_TRUE(Unlock(peer, addr).done);
        Outcome info = ReadFile(peer, ModemAt(addr), "info");
        EXPECT_EQ(info.bytes, BytesOf(reject ? kInfoText : "Sperrow Sim;2024/05/17;HW 1.2/FW2.3"));
        EXPECT_EQ(modem.ReportedFirmware(), reject ? "" : "FW2.3");
    }
}

}  // namespace
}  // namespace modem::testing
