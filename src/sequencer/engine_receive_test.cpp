// Reading from the modem: "Modem Info" into the information fields, "Get" into one
// configuration pack, and that pack sent back.
#include <gtest/gtest.h>

#include <map>

#include "formats/pack_builder.h"
#include "testing/engine_rig.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using Names = std::vector<std::string>;

const std::initializer_list<int> kGetConfig = {STEP_CONNECT, STEP_PUT_LOCK_KEY,
                                               STEP_GET_CONFIG_FILES, STEP_REPORT_CONFIG_SAVED};
const char* const kConfigNames[] = {"initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"};

TEST(ModemInfo, TheKeyBeforeEveryReadAndOnlyEachFilesFirstBlockParsed) {
    EngineRig rig;
    rig.Write("ProductInfo", std::string("  SIM-1000;00:11:22:33:44:55; tftp 1.2 \r\n"));
    std::string profile(600, 'p');  // two blocks, each acknowledged; the field keeps 499
    rig.Write("hw.prof", profile.replace(0, 5, "FIRST"));
    // "info" is missing: the modem says so, and the read goes on.

    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_MODEM_INFO, STEP_GET_FILES,
                         STEP_SHOW_MODEM_INFO}));

    EXPECT_EQ(rig.HostSentNames(),
              (Names{"WRQ tftplock.key", "DATA 1 (5)", "RRQ ProductInfo", "ACK 1",
                     "WRQ tftplock.key", "DATA 1 (5)", "RRQ info", "WRQ tftplock.key",
                     "DATA 1 (5)", "RRQ hw.prof", "ACK 1", "ACK 2", "WRQ tftplock.key",
                     "DATA 1 (5)"}));
    EXPECT_EQ(g_szProductId.str(), "SIM-1000");
    EXPECT_EQ(g_szMacAddress.str(), "00:11:22:33:44:55");
    EXPECT_EQ(g_szTftpVersion.str(), "tftp 1.2 \r\n");
    EXPECT_EQ(g_szHwProfile.str(), profile.substr(0, 499));
    EXPECT_EQ(EngineHost().modem_info_shown, 1);
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kFinalStep);
}

class ConfigRead : public ::testing::Test {
protected:
    explicit ConfigRead(testhost::RigOptions options = {}) : rig(options) {
        for (const char* name : kConfigNames) {
            contents[name] = std::string(name) + " settings\n";
            rig.Write(name, contents[name]);
        }
        rig.Write("initbridge", contents["initbridge"] = std::string(1300, 'i'));
        rig.Write("resolve", contents["resolve"] = std::string(512, 'r'));
    }
    std::string Pack() const { return rig.Path("config.pack"); }
    // The header byte for byte: magic, the empty version's zero, every name with its zero
    // and its length (32-bit, least significant byte first), the table's closing zero; the
    // files follow.
    std::string SavedPack() {
        std::string header("PK11\0", 5), files;
        for (const char* name : kConfigNames) {
            std::size_t length = contents[name].size();
            header += std::string(name) + '\0';
            for (int shift = 0; shift < 32; shift += 8) header += char((length >> shift) & 0xFF);
            files += contents[name];
        }
        return header + '\0' + files;
    }
    std::string Saved() const {
        auto bytes = rig.Read(Pack());
        return {bytes.begin(), bytes.end()};
    }
    EngineRig rig;
    std::map<std::string, std::string> contents;
};

// The saved pack, sent back, arrives entry by entry with identical bytes.
TEST_F(ConfigRead, SavedPackIsLaidOutByteForByteAndGoesBackWhole) {
    ASSERT_TRUE(rig.Run(kGetConfig));
    EXPECT_EQ(Saved(), SavedPack());
    EXPECT_EQ(rig.desktop.BoxTexts(),
              (Names{"Get configuration done!\nConfiguration file now saved on host:    \n" +
                     Pack() + "\n"}));
    EXPECT_FALSE(std::filesystem::exists(Pack() + ".part"));

    EngineHost().tab_index = 1;
    EngineHost().restore_box = Pack();
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE,
                         STEP_REPORT_DOWNLOAD_DONE}));
    for (const char* name : kConfigNames) {
        auto f = rig.modems[0]->LastReceived(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(std::string(f->bytes.begin(), f->bytes.end()), contents[name]) << name;
    }
    EXPECT_EQ(rig.desktop.BoxTexts().back(),
              "Download Success!\nUpdate progress will take about 20 seconds.\nYou should reboot "
              "ADSL to take effect!");
}

// A slow line on which the modem repeats a file's last block while the next unlock key is
// being written: answered again, and the pack stays exact. (Repeated blocks mid-file and
// refused files on every kind of line: the chaos schedules.)
class SlowLineConfigRead : public ConfigRead {
protected:
    SlowLineConfigRead() : ConfigRead({.modem_retransmit_ms = 300}) {
        rig.net.SetFaults({.delay = 400});
    }
};

TEST_F(SlowLineConfigRead, LostFinalAckIsAnsweredAgainWithoutADuplicate) {
    rig.DropFromHost("ACK 3");  // initbridge's last block
    ASSERT_TRUE(rig.Run(kGetConfig));
    EXPECT_GE(rig.HostSentCount("ACK 3"), 2);
    EXPECT_EQ(Saved(), SavedPack());
}

// A read that fails keeps the pack saved before and leaves no partial one; nothing received
// at all is a failure too, never "done".
TEST_F(ConfigRead, FailedReadsKeepTheOldPack) {
    modem::FaultPlan none_read, stopped;
    for (const char* name : kConfigNames) none_read.error_for[name] = "Failed to open file for reading";
    stopped.error_for["resolve"] = "Access denied";
    for (auto [faults, message] : {std::pair{none_read, "Error:\nNo configuration received."},
                                   {stopped, "Access denied"}}) {
        rig.Write("config.pack", std::string("old pack"));
        rig.desktop.ClearRecord();
        rig.modems[0]->SetFaults(faults);
        ASSERT_TRUE(rig.Run(kGetConfig));
        EXPECT_EQ(rig.desktop.BoxTexts(), (Names{message}));
        EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
        EXPECT_EQ(rig.Read(Pack()), ToBytes("old pack"));
        EXPECT_FALSE(std::filesystem::exists(Pack() + ".part"));
    }
}

}  // namespace
