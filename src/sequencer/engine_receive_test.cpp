// Reading from the modem: "Modem Info" into the information fields, "Get" into one
// configuration pack, and that pack sent back.
#include <gtest/gtest.h>

#include "formats/pack_table.h"
#include "framework/file.h"
#include "testing/engine_rig.h"
#include "testing/test_engine_host.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using testhost::Host;
using Names = std::vector<std::string>;

const std::initializer_list<int> kModemInfo = {STEP_CONNECT, STEP_PUT_LOCK_KEY,
                                               STEP_GET_MODEM_INFO, STEP_GET_FILES,
                                               STEP_SHOW_MODEM_INFO};
const std::initializer_list<int> kGetConfig = {STEP_CONNECT, STEP_PUT_LOCK_KEY,
                                               STEP_GET_CONFIG_FILES, STEP_REPORT_CONFIG_SAVED};
const char* const kConfigNames[] = {"initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"};

TEST(ModemInfo, FillsTheFieldsWithTheUnlockKeyWrittenBeforeEveryRead) {
    EngineRig rig;
    rig.Write("ProductInfo", std::string("  SIM-1000;00:11:22:33:44:55; tftp 1.2 \r\n"));
    rig.Write("info", std::string("Sperrow Labs; 2026/12/01 ;HW1.0/FW2.3;ignored\r\n"));
    rig.Write("hw.prof", std::string("line one\nline two\n"));
    g_szCompany = "stale";

    ASSERT_TRUE(rig.Run(kModemInfo));

    EXPECT_EQ(rig.HostSentNames(),
              (Names{"WRQ tftplock.key", "DATA 1 (5)", "RRQ ProductInfo", "ACK 1",
                     "WRQ tftplock.key", "DATA 1 (5)", "RRQ info", "ACK 1", "WRQ tftplock.key",
                     "DATA 1 (5)", "RRQ hw.prof", "ACK 1", "WRQ tftplock.key", "DATA 1 (5)"}));
    EXPECT_EQ(g_szProductId.str(), "SIM-1000");
    EXPECT_EQ(g_szMacAddress.str(), "00:11:22:33:44:55");
    EXPECT_EQ(g_szTftpVersion.str(), "tftp 1.2 \r\n");
    EXPECT_EQ(g_szCompany.str(), "Sperrow Labs");
    EXPECT_EQ(g_szDate.str(), "2026/12/01 ");
    EXPECT_EQ(g_szHardwareVersion.str(), "HW1.0");
    EXPECT_EQ(g_szFirmwareVersion.str(), "FW2.3");
    EXPECT_EQ(g_szHwProfile.str(), "line one\nline two\n");
    EXPECT_EQ(EngineHost().modem_info_shown, 1);
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kFinalStep);
}

TEST(ModemInfo, LongFileIsAcknowledgedBlockByBlockAndOnlyBlockOneIsParsed) {
    EngineRig rig;
    std::string profile(600, 'p');
    profile.replace(0, 5, "FIRST");
    rig.Write("hw.prof", profile);
    rig.Write("ProductInfo", std::string("id;mac;v"));
    // "info" is missing: the modem says so, and the read goes on.

    ASSERT_TRUE(rig.Run(kModemInfo));

    auto names = rig.HostSentNames();
    EXPECT_EQ(std::vector<std::string>(names.end() - 5, names.end()),
              (Names{"RRQ hw.prof", "ACK 1", "ACK 2", "WRQ tftplock.key", "DATA 1 (5)"}));
    EXPECT_EQ(g_szHwProfile.size(), 499u);  // cut at the field's size
    EXPECT_EQ(g_szHwProfile.str().substr(0, 5), "FIRST");
    EXPECT_EQ(g_szProductId.str(), "id");
    EXPECT_EQ(EngineHost().modem_info_shown, 1);
}

class ConfigRead : public ::testing::Test {
protected:
    explicit ConfigRead(testhost::RigOptions options = {}) : rig(options) {
        for (const char* name : kConfigNames) {
            std::string content = std::string(name) + " settings\n";
            if (std::string(name) == "initbridge") content = std::string(1300, 'i');
            if (std::string(name) == "resolve") content = std::string(512, 'r');
            contents[name] = content;
            rig.Write(name, content);
        }
    }
    // The entries of the saved pack, by name.
    std::map<std::string, std::string> PackEntries(const std::string& path) {
        std::map<std::string, std::string> out;
        fw::CFile f;
        if (!f.Open(path, fw::CFile::modeRead)) return out;
        char magic[4];
        f.Read(magic, 4);
        if (!ReadPackTable(f, std::string_view(magic, 4))) return out;
        for (int i = 0; i < g_nPackEntries; ++i) {
            std::string data(g_aPackEntries[i].length, '\0');
            f.Seek(g_aPackEntries[i].offset, fw::CFile::begin);
            if (!data.empty()) f.Read(data.data(), data.size());
            out[g_aPackEntries[i].name.str()] = data;
        }
        return out;
    }
    EngineRig rig;
    std::map<std::string, std::string> contents;
};

TEST_F(ConfigRead, RefusedImodeLeavesAnEmptyEntryAndTheOthersWhole) {
    rig.modems[0]->SetFaults({.error_for = {{"imode", "Failed to open file for reading"}}});
    ASSERT_TRUE(rig.Run(kGetConfig));

    std::string pack = rig.Path("config.pack");
    auto entries = PackEntries(pack);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries["imode"], "");
    for (const char* name : {"initbridge", "initbrowser", "resolve", "dhcpd.conf"})
        EXPECT_EQ(entries[name], contents[name]) << name;
    auto bytes = rig.Read(pack);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), std::string("PK11\0", 5));
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text,
              "Get configuration done!\nConfiguration file now saved on host:    \n" + pack + "\n");
    EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_ICONINFORMATION);
    EXPECT_FALSE(std::filesystem::exists(pack + ".part"));
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kFinalStep);
}

// The header byte for byte: magic, the empty version's zero, every name with its zero and
// its received length (32-bit, least significant byte first), and the table's closing zero.
TEST_F(ConfigRead, HeaderIs74BytesAndTheFirstFileFollowsIt) {
    ASSERT_TRUE(rig.Run(kGetConfig));
    auto bytes = rig.Read(rig.Path("config.pack"));
    ASSERT_GT(bytes.size(), 74u);

    std::string header("PK11\0", 5);
    for (const char* name : kConfigNames) {
        std::size_t length = contents[name].size();
        header += std::string(name) + '\0';
        for (int shift = 0; shift < 32; shift += 8) header += char((length >> shift) & 0xFF);
    }
    header += '\0';
    ASSERT_EQ(header.size(), 74u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 74), header);
    EXPECT_EQ(std::string(bytes.begin() + 74, bytes.begin() + 74 + 1300), contents["initbridge"]);
}

TEST_F(ConfigRead, SavedPackSentBackArrivesEntryByEntryWithIdenticalBytes) {
    ASSERT_TRUE(rig.Run(kGetConfig));
    EngineHost().tab_index = 1;
    EngineHost().restore_box = rig.Path("config.pack");

    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE,
                         STEP_REPORT_DOWNLOAD_DONE}));

    for (const char* name : kConfigNames) {
        auto f = rig.modems[0]->LastReceived(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(std::string(f->bytes.begin(), f->bytes.end()), contents[name]) << name;
    }
    ASSERT_EQ(rig.desktop.Boxes().size(), 2u);
    EXPECT_EQ(rig.desktop.Boxes()[1].text,
              "Download Success!\nUpdate progress will take about 20 seconds.\nYou should reboot "
              "ADSL to take effect!");
}

// Our acknowledgement lost: the modem sends the block again; it is acknowledged again but
// not written twice.
TEST_F(ConfigRead, LostAckMidFileLeavesNoDuplicate) {
    rig.DropFromHost("ACK 2");
    ASSERT_TRUE(rig.Run(kGetConfig));
    EXPECT_EQ(PackEntries(rig.Path("config.pack"))["initbridge"], contents["initbridge"]);
    EXPECT_EQ(rig.HostSentCount("ACK 2"), 3);  // initbridge's twice, resolve's once
}

// A slow line on which the modem repeats every block before our acknowledgement can reach
// it: each repetition is answered again and none is written twice.
class SlowLineConfigRead : public ConfigRead {
protected:
    SlowLineConfigRead() : ConfigRead({.modem_retransmit_ms = 300}) {
        rig.net.SetFaults({.delay = 400});
    }
};

// Our last acknowledgement of a file lost: the modem repeats the last block while the next
// unlock key is being written. It is answered again, and the pack stays exact.
TEST_F(SlowLineConfigRead, LostFinalAckIsAnsweredAgainWithoutADuplicate) {
    rig.DropFromHost("ACK 3");  // initbridge's last block
    ASSERT_TRUE(rig.Run(kGetConfig));
    EXPECT_GE(rig.HostSentCount("ACK 3"), 2);
    auto entries = PackEntries(rig.Path("config.pack"));
    for (const char* name : kConfigNames) EXPECT_EQ(entries[name], contents[name]) << name;
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kFinalStep);
}

TEST_F(ConfigRead, NothingReceivedIsReportedAsAFailureAndKeepsTheOldPack) {
    std::string pack = rig.Write("config.pack", std::string("old pack"));
    modem::FaultPlan faults;
    for (const char* name : kConfigNames) faults.error_for[name] = "Failed to open file for reading";
    rig.modems[0]->SetFaults(faults);

    ASSERT_TRUE(rig.Run(kGetConfig));

    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Error:\nNo configuration received.");
    EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    auto bytes = rig.Read(pack);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old pack");
}

TEST_F(ConfigRead, StoppedReadKeepsTheOldPackAndRemovesThePartialOne) {
    std::string pack = rig.Write("config.pack", std::string("old pack"));
    rig.modems[0]->SetFaults({.error_for = {{"resolve", "Access denied"}}});

    ASSERT_TRUE(rig.Run(kGetConfig));

    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Access denied");
    auto bytes = rig.Read(pack);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old pack");
    EXPECT_FALSE(std::filesystem::exists(pack + ".part"));
}

}  // namespace
