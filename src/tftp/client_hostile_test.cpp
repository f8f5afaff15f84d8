// The client against a hostile "modem": malformed, oversized, out-of-order and foreign
// datagrams during each kind of plan. A run either stops with a clear message (or stalls,
// which the driver reports) or goes on correctly; it never reports success for a transfer
// that did not complete, and never writes anything but the file it was asked to write.
#include <gtest/gtest.h>

#include <filesystem>

#include "sequencer/response_timer.h"
#include "testing/hostile_modem.h"
#include "tftp/client_texts.h"

namespace {

using testhost::EngineHost;
using testhost::HostileModem;
using testhost::HostilePlan;
using testhost::Outcome;
using testhost::Sender;
using Names = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

constexpr Sender kModem = Sender::kTransferPort;

Bytes Text(const std::string& s) {
    return {s.begin(), s.end()};
}
Bytes Filled(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 13);
    return b;
}

// A command file written right: ACK 0, then ACK 1.
void Command(HostileModem& m) {
    m.Answer(kModem, {});
    m.Answer(kModem, {});
}

// The noise a hostile segment carries: nothing in it may move the transfer.
void Noise(HostileModem& m) {
    m.Send(Sender::kStranger, tftp::BuildAck(0));
    m.Send(Sender::kStranger, tftp::BuildData(1, "x", 1));
    m.Send(kModem, {0x04});
    m.Send(kModem, Bytes(1500, 0x03));
    m.Send(kModem, {0x00, 0x09, 0x00, 0x01});
}

std::string InUpdateMode(const std::string& text) { return text + "\n" + kUpdateModeText; }

int Count(const Names& names, const std::string& name) {
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

// ---- command files

TEST(HostileModemDuringCommandFiles, ForeignAndMalformedDatagramsLeaveTheWriteToTheModem) {
    HostileModem m(HostilePlan::kCommandFiles);
    m.Start();
    Noise(m);
    EXPECT_EQ(m.rig().HostSentNames(), (Names{"WRQ tftplock.key"}));
    // Noise is not traffic: it must not keep a driver from seeing a stalled run.
    EXPECT_EQ(TheRunObserver().LastReceived(), -1);
    for (int i = 0; i < 4; ++i) {
        Command(m);
        Noise(m);
    }
    m.Settle();
    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    EXPECT_EQ(Count(m.rig().HostSentNames(), "DATA 1 (5)"), 2);  // the key and the board request
    EXPECT_TRUE(m.StrayFiles().empty());
}

TEST(HostileModemDuringCommandFiles, OversizedBoardIdentifierStopsWithAShortenedMessage) {
    HostileModem m(HostilePlan::kCommandFiles);
    m.Start();
    Command(m);
    Command(m);
    ASSERT_EQ(m.rig().HostSentNames().back(), "WRQ RequestID");
    tftp::Bytes ack = tftp::BuildAck(0);
    std::string board(300, 'B');
    ack.insert(ack.end(), board.begin(), board.end());  // and no zero
    m.Send(kModem, ack);
    m.Settle();

    EXPECT_EQ(m.Result(), Outcome::kStopped);
    ASSERT_EQ(m.desktop().Boxes().size(), 1u);
    // The plan wrote the begin marker first.
    EXPECT_EQ(m.desktop().Boxes()[0].text,
              InUpdateMode("Not compatible board: " + board.substr(0, 77)));
    EXPECT_EQ(m.rig().HostSentNames().back(), "WRQ RequestID");  // no DATA with the password
}

TEST(HostileModemDuringCommandFiles, ErrorTextWithoutItsZeroIsShownAsFarAsTheDatagramGoes) {
    HostileModem m(HostilePlan::kCommandFiles);
    m.Start();
    tftp::Bytes error = tftp::BuildError(0, {});
    error.pop_back();
    std::string text(900, 'e');
    error.insert(error.end(), text.begin(), text.end());
    m.Send(kModem, error);
    m.Settle();
    EXPECT_EQ(m.Result(), Outcome::kStopped);
    ASSERT_EQ(m.desktop().Boxes().size(), 1u);
    EXPECT_EQ(m.desktop().Boxes()[0].text, text);
}

TEST(HostileModemDuringCommandFiles, StrayDataOrUnknownOpcodeDoesNotLeaveTheRunWaiting) {
    for (const tftp::Bytes& stray : {tftp::BuildData(1, "x", 1), tftp::Bytes{0, 9, 0, 1}}) {
        HostileModem m(HostilePlan::kCommandFiles);
        m.Start();
        m.Send(kModem, stray);  // while the key's write request waits for its answer
        m.Settle();
        EXPECT_EQ(m.Result(), Outcome::kStopped);
        EXPECT_EQ(m.desktop().BoxTexts(), (Names{"Timeout:\nADSL no response!"}));
    }
}

// ---- an image sent whole

// Gets the image's write under way: key, begin marker, then ACK 0 of "image".
void UpToImageData(HostileModem& m) {
    m.Start();
    Command(m);
    Command(m);
    ASSERT_EQ(m.rig().HostSentNames().back(), "WRQ image");
    m.Answer(kModem, {});
    ASSERT_EQ(m.rig().HostSentNames().back(), "DATA 1 (512)");
}

// An ACK of a block not sent yet changes nothing, nor does a completion report before this
// run's end marker: the block goes on being sent until the budget is spent.
TEST(HostileModemDuringImageSend, AckAheadOrAnEarlyCompletionReportChangesNothing) {
    for (std::uint16_t block : {9, 65535}) {
        SCOPED_TRACE(block);
        HostileModem m(HostilePlan::kImageSend);
        g_bUpdateComplete = 0;  // no report on record: none may be taken now
        UpToImageData(m);
        m.Send(kModem, tftp::BuildAck(block));
        EXPECT_EQ(ResponseTimerKind(), TimerKind::kBlockAck);
        m.Settle();
        EXPECT_EQ(m.Result(), Outcome::kStopped);
        EXPECT_EQ(m.desktop().BoxTexts(), (Names{InUpdateMode("Timeout:\nADSL no ACK! Retry? ")}));
        EXPECT_EQ(Count(m.rig().HostSentNames(), "DATA 1 (512)"), 4);
        EXPECT_FALSE(m.SentWhole(m.ExpectedSends()[0]));
        EXPECT_EQ(g_bUpdateComplete, 0);
    }
}

TEST(HostileModemDuringImageSend, RepeatedAndEarlierAcksNeitherSkipNorRepeatABlock) {
    HostileModem m(HostilePlan::kImageSend);
    UpToImageData(m);
    m.Answer(kModem, {});  // ACK 1
    m.Repeat();
    m.Send(kModem, tftp::BuildAck(0));
    m.Send(kModem, tftp::BuildData(2, "xx", 2));  // a DATA where an ACK belongs
    Names sent = m.rig().HostSentNames();
    EXPECT_EQ(Count(sent, "DATA 2 (512)"), 1);
    EXPECT_EQ(Count(sent, "DATA 3 (114)"), 0);
    m.Answer(kModem, {});
    m.Answer(kModem, {});
    Command(m);
    Command(m);
    m.Settle();
    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    EXPECT_TRUE(m.SentWhole(m.ExpectedSends()[0]));
}

TEST(HostileModemDuringImageSend, StrangerCannotStealTheTransferInUnicast) {
    HostileModem m(HostilePlan::kImageSend);
    UpToImageData(m);
    m.Send(Sender::kStranger, tftp::BuildAck(1));
    EXPECT_EQ(m.rig().HostSentNames().back(), "DATA 1 (512)");
    m.Answer(kModem, {});
    const fw::Datagram& last = m.rig().net.Trace().back();
    EXPECT_EQ(last.to.addr, testhost::kModemAddr);
    EXPECT_EQ(last.to.port, m.TransferPort());
}

TEST(HostileModemDuringImageSend, ModemThatFallsSilentEndsWithTheNoAckMessage) {
    HostileModem m(HostilePlan::kImageSend);
    UpToImageData(m);
    m.Answer(kModem, {});
    m.Settle();
    EXPECT_EQ(m.Result(), Outcome::kStopped);
    EXPECT_EQ(m.desktop().BoxTexts(), (Names{InUpdateMode("Timeout:\nADSL no ACK! Retry? ")}));
    EXPECT_EQ(Count(m.rig().HostSentNames(), "DATA 2 (512)"), 4);  // first and three retries
}

// ---- a pack sent entry by entry

// Once its first answer has come, a transfer takes nothing from any other port of the modem,
// its listening port included.
TEST(HostileModemDuringPackSend, OnceAnsweredATransferTakesNothingFromAnotherPortOfTheModem) {
    HostileModem m(HostilePlan::kPackSend);
    m.Start();
    Command(m);
    Command(m);
    for (int i = 0; i < 20 && m.rig().HostSentNames().back() != "WRQ tftpupdt.rbt"; ++i) {
        m.Answer(kModem, {});
        if (m.rig().HostSentNames().back().rfind("DATA", 0) != 0) continue;
        std::size_t sent = m.rig().HostSentNames().size();
        Noise(m);
        m.Answer(Sender::kOtherModemPort, {});
        m.Answer(Sender::kListenPort, {});
        EXPECT_EQ(m.rig().HostSentNames().size(), sent);
    }
    Command(m);
    Command(m);
    m.Settle();
    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    for (const auto& f : m.ExpectedSends()) EXPECT_TRUE(m.SentWhole(f)) << f.name;
}

TEST(HostileModemDuringPackSend, OutOfOrderAcksNeverLetAnEntryEndEarly) {
    HostileModem m(HostilePlan::kPackSend);
    m.Start();
    Command(m);
    Command(m);
    m.Answer(kModem, {});      // ACK 0 of "kernel": DATA 1 goes out
    m.Answer(kModem, {}, -1);  // ACK 0 again
    m.Answer(kModem, {}, 1);   // ACK 2 of a block not yet sent
    m.Settle();
    EXPECT_NE(m.Result(), Outcome::kSucceeded);
    EXPECT_EQ(Count(m.rig().HostSentNames(), "WRQ hw.cond"), 0);
}

// ---- the information read

TEST(HostileModemDuringInfoRead, RunawayTextsAreCutToTheirFieldsAndStrayBlocksDropped) {
    HostileModem m(HostilePlan::kInfoRead);
    m.Start();
    Command(m);
    ASSERT_EQ(m.rig().HostSentNames().back(), "RRQ ProductInfo");
    m.Send(kModem, tftp::BuildData(7, "late", 4));
    m.Send(kModem, Bytes(1500, 'P'));
    m.Send(Sender::kStranger, tftp::BuildData(1, "EVIL;EVIL;EVIL", 14));
    Bytes runaway(512, 'P');
    m.Answer(kModem, runaway);
    m.Answer(kModem, Text("second block, dropped"));
    Command(m);
    m.Answer(kModem, Text(std::string(60, 'C') + ";" + std::string(60, 'D') + ";" +
                          std::string(60, 'H') + "/" + std::string(300, 'F')));
    Command(m);
    m.Answer(kModem, Bytes(510, 'L'));
    Command(m);  // the key is written again before the list is found empty
    m.Settle();

    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    EXPECT_EQ(Count(m.rig().HostSentNames(), "ACK 7"), 0);
    EXPECT_EQ(g_szProductId.str(), std::string(31, 'P'));
    EXPECT_EQ(g_szCompany.str(), std::string(19, 'C'));
    EXPECT_EQ(g_szHardwareVersion.str(), std::string(29, 'H'));
    EXPECT_EQ(g_szFirmwareVersion.str(), std::string(29, 'F'));
    EXPECT_EQ(g_szHwProfile.str(), std::string(499, 'L'));
    EXPECT_TRUE(m.StrayFiles().empty());
}

TEST(HostileModemDuringInfoRead, RepeatedUnlockKeyAckSkipsNoFile) {
    HostileModem m(HostilePlan::kInfoRead);
    m.Start();
    Command(m);
    ASSERT_EQ(m.rig().HostSentNames().back(), "RRQ ProductInfo");
    m.Send(kModem, tftp::BuildAck(1));  // the key's last ACK, repeated by the modem
    EXPECT_EQ(m.rig().HostSentNames().back(), "RRQ ProductInfo");
    m.Answer(kModem, Text("SIM-1000;00:11:22:33:44:55;tftp 1.2"));
    Command(m);
    m.Answer(kModem, Text("Sperrow Labs;2026/12/01;HW1.0/FW2.3"));
    Command(m);
    m.Answer(kModem, Text("line one"));
    Command(m);
    m.Settle();

    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    EXPECT_EQ(Count(m.rig().HostSentNames(), "RRQ ProductInfo"), 1);
    EXPECT_EQ(g_szProductId.str(), "SIM-1000");
    EXPECT_EQ(g_szCompany.str(), "Sperrow Labs");
}

// ---- the configuration read

TEST(HostileModemDuringConfigRead, RepeatedSkippedAndForeignBlocksDoNotCorruptThePack) {
    HostileModem m(HostilePlan::kConfigRead);
    m.Start();
    Command(m);
    Bytes first = Filled(512, 1), rest = Filled(40, 9);
    m.Answer(kModem, first);
    m.Repeat();                                                   // DATA 1 again
    m.Send(Sender::kStranger, tftp::BuildData(2, "EVIL", 4));     // foreign
    m.Send(kModem, tftp::BuildData(3, "skip", 4));                // ahead of itself
    m.Send(Sender::kOtherModemPort, tftp::BuildData(1, "x", 1));  // block 1 from elsewhere
    m.Answer(kModem, rest);
    for (const char* text : {"brows", "resolv", "imode", "dhcp"}) {
        Command(m);
        m.Answer(kModem, Text(text));
    }
    Command(m);
    m.Settle();

    ASSERT_EQ(m.Result(), Outcome::kSucceeded);
    Bytes pack = m.rig().Read(m.rig().Path("config.pack"));
    HostileModem::PackTable table;
    ASSERT_TRUE(HostileModem::ReadConfigPack(pack, &table));
    ASSERT_EQ(table.entries.size(), 5u);
    EXPECT_EQ(table.entries[0], (std::pair<std::string, std::uint32_t>{"initbridge", 552}));
    Bytes expected = first;
    expected.insert(expected.end(), rest.begin(), rest.end());
    for (const char* text : {"brows", "resolv", "imode", "dhcp"}) {
        Bytes t = Text(text);
        expected.insert(expected.end(), t.begin(), t.end());
    }
    EXPECT_EQ(Bytes(pack.begin() + static_cast<long>(table.data_start), pack.end()), expected);
    EXPECT_TRUE(m.StrayFiles().empty());
}

TEST(HostileModemDuringConfigRead, KeyNeverAcknowledgedBetweenFilesDiscardsThePartialPack) {
    HostileModem m(HostilePlan::kConfigRead);
    m.Start();
    Command(m);
    m.Answer(kModem, Text("bridge"));
    m.Answer(kModem, {});  // ACK 0 of the key; its DATA 1 then goes unanswered
    m.Settle();

    EXPECT_EQ(m.Result(), Outcome::kStopped);
    EXPECT_EQ(m.desktop().BoxTexts(), (Names{"Timeout:\nADSL no ACK! Retry? "}));
    EXPECT_TRUE(m.StrayFiles().empty());
    EXPECT_FALSE(std::filesystem::exists(m.rig().Path("config.pack")));
}

TEST(HostileModemDuringConfigRead, AckMidFileIsIgnoredAndThePackComesOutWhole) {
    HostileModem m(HostilePlan::kConfigRead);
    std::string old = m.rig().Write("config.pack", std::string("previous pack"));
    m.Start();
    Command(m);
    m.Answer(kModem, Filled(512, 2));
    m.Send(kModem, tftp::BuildAck(9));  // a read waits for DATA: this must change nothing
    m.Answer(kModem, Text("rest"));
    for (const char* text : {"brows", "resolv", "imode", "dhcp"}) {
        Command(m);
        m.Answer(kModem, Text(text));
    }
    Command(m);
    m.Settle();

    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    ASSERT_EQ(m.desktop().BoxTexts().size(), 1u);
    EXPECT_EQ(m.desktop().BoxTexts()[0].rfind("Get configuration done!", 0), 0u);
    // The 74-byte header, then 512 + 4 bytes of the first file and the four short ones.
    EXPECT_EQ(m.rig().Read(old).size(), 74u + 516 + 5 + 6 + 5 + 4);
    EXPECT_TRUE(m.StrayFiles().empty());
}

// A read takes at most 65535 blocks: the counter does not wrap, and a file that goes on
// past them stops the run with nothing of it kept.
TEST(HostileModemDuringReads, FileLongerThan65535BlocksStopsTheRunAndNothingIsSaved) {
    for (HostilePlan plan : {HostilePlan::kInfoRead, HostilePlan::kConfigRead}) {
        HostileModem m(plan);
        testhost::Host().log_enabled = false;
        std::string old = m.rig().Write("config.pack", std::string("previous pack"));
        m.Start();
        Command(m);
        const Bytes full(512, 'x');
        for (std::uint32_t n = 1; n <= 65535; ++n) {
            auto block = static_cast<std::uint16_t>(n);
            m.Send(kModem, tftp::BuildData(block, full.data(), full.size()));
            if (n % 4096 == 0) m.rig().net.ClearTrace();  // the trace would hold 32 MB
        }
        Names last_sent = m.rig().HostSentNames();
        m.Settle();
        EXPECT_EQ(m.Result(), Outcome::kStopped);
        std::string name = plan == HostilePlan::kInfoRead ? "ProductInfo" : "initbridge";
        EXPECT_EQ(m.desktop().BoxTexts(),
                  (Names{"Error:\n" + name + " is longer than 65535 blocks."}));
        EXPECT_EQ(last_sent.back(), "ACK 65534");
        EXPECT_EQ(m.rig().Read(old), Text("previous pack"));
        EXPECT_TRUE(m.StrayFiles().empty());
    }
}

TEST(HostileModemDuringConfigRead, ModemThatStopsMidFileKeepsThePreviousPack) {
    HostileModem m(HostilePlan::kConfigRead);
    std::string old = m.rig().Write("config.pack", std::string("previous pack"));
    m.Start();
    Command(m);
    m.Answer(kModem, Filled(512, 4));
    m.Send(kModem, Bytes(1500, 1));
    m.Settle();

    EXPECT_EQ(m.Result(), Outcome::kStopped);
    EXPECT_EQ(m.desktop().BoxTexts(), (Names{"Timeout:\nADSL ack no response!"}));
    EXPECT_EQ(m.rig().Read(old), Text("previous pack"));
    EXPECT_TRUE(m.StrayFiles().empty());
}

}  // namespace
