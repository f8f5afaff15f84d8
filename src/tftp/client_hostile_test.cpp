// The client against a hostile "modem": malformed, oversized, out-of-order and foreign
// datagrams during each kind of plan. A run either stops with a clear message or goes on
// correctly; it never reports success for a transfer that did not complete, and never
// writes anything but the file it was asked to write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "sequencer/response_timer.h"
#include "testing/hostile_modem.h"
#include "tftp/client_texts.h"

namespace {

using testhost::HostileModem;
using testhost::HostilePlan;
using testhost::Outcome;
using testhost::Sender;
using Names = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

constexpr Sender kModem = Sender::kTransferPort;

Bytes Text(const std::string& s) { return {s.begin(), s.end()}; }
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

bool Logged(const std::string& text) {
    const auto& log = testhost::Host().log;
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

TEST(HostileModemDuringCommandFiles, NoiseLeavesTheWritesToTheModemAndIsLogged) {
    HostileModem m(HostilePlan::kCommandFiles);
    m.Start();
    Noise(m);
    EXPECT_EQ(m.rig().HostSentNames(), (Names{"WRQ tftplock.key"}));
    // Noise is not traffic: it must not keep a driver from seeing a stalled run.
    EXPECT_EQ(TheRunObserver().LastReceived(), -1);
    EXPECT_TRUE(Logged("Datagram from 127.0.0.9:7000 is not the modem's"));
    EXPECT_TRUE(Logged("Short datagram from 10.0.0.2:7100"));
    EXPECT_TRUE(Logged("Remote IP : Port = 10.0.0.2:7100 ? Block=1\n"));
    EXPECT_TRUE(Logged("Unknown P-Code = 9\n"));
    // Only the modem's address as the accessors write it names the modem.
    g_szModemAddress = "010.0.0.2";
    m.Answer(kModem, {});
    EXPECT_EQ(m.rig().HostSentNames().size(), 1u);
    g_szModemAddress = "10.0.0.2";
    for (int i = 0; i < 4; ++i) {
        Command(m);
        Noise(m);
    }
    m.Settle();
    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    EXPECT_EQ(Count(m.rig().HostSentNames(), "DATA 1 (5)"), 2);  // the key and the board request
    EXPECT_TRUE(m.StrayFiles().empty());
}

// Texts from the modem are shown as far as they go, an overlong board cut in the message;
// an ERROR is logged under its name.
TEST(HostileModemDuringCommandFiles, OversizedTextsStopWithAShortenedMessage) {
    {
        HostileModem m(HostilePlan::kCommandFiles);
        m.Start();
        Command(m);
        Command(m);
        tftp::Bytes ack = tftp::BuildAck(0);
        std::string board(300, 'B');
        ack.insert(ack.end(), board.begin(), board.end());  // and no zero
        m.Send(kModem, ack);
        m.Settle();
        EXPECT_EQ(m.Result(), Outcome::kStopped);
        EXPECT_EQ(m.desktop().BoxTexts(),
                  (Names{InUpdateMode("Not compatible board: " + board.substr(0, 77))}));
        EXPECT_EQ(m.rig().HostSentNames().back(), "WRQ RequestID");  // no DATA with the password
    }
    HostileModem e(HostilePlan::kCommandFiles);
    e.Start();
    tftp::Bytes error = tftp::BuildError(0, {});
    error.pop_back();
    std::string text(900, 'e');
    error.insert(error.end(), text.begin(), text.end());
    e.Send(kModem, error);
    e.Settle();
    EXPECT_EQ(e.desktop().BoxTexts(), (Names{text}));
    EXPECT_TRUE(Logged("Remote IP : Port = 10.0.0.2:7100 Error Block=0\n"));
}

// Gets the image's write under way: key, begin marker, then ACK 0 of "image".
void UpToImageData(HostileModem& m) {
    m.Start();
    Command(m);
    Command(m);
    m.Answer(kModem, {});
    ASSERT_EQ(m.rig().HostSentNames().back(), "DATA 1 (512)");
}

// An ACK of the block after the one just sent changes nothing, nor does a completion report before this
// run's end marker, nor a stranger: the block goes on being sent until the budget is spent.
TEST(HostileModemDuringImageSend, AckAheadEarlyReportOrStrangerChangesNothing) {
    struct Case {
        Sender from;
        std::uint16_t block;
    } cases[] = {{kModem, 2}, {kModem, 65535}, {Sender::kStranger, 1}, {Sender::kListenPort, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        HostileModem m(HostilePlan::kImageSend);
        g_bUpdateComplete = 0;  // no report on record: none may be taken now
        UpToImageData(m);
        m.Send(c.from, tftp::BuildAck(c.block));
        EXPECT_EQ(ResponseTimerKind(), TimerKind::kBlockAck);
        m.Settle();
        EXPECT_EQ(m.Result(), Outcome::kStopped);
        EXPECT_EQ(m.desktop().BoxTexts(), (Names{InUpdateMode(kNoAckRetryText)}));
        EXPECT_EQ(Count(m.rig().HostSentNames(), "DATA 1 (512)"), 4);  // first and three retries
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

// Once its first answer has come, a transfer takes nothing from any other port of the modem,
// its listening port included, and out-of-order ACKs never end an entry early.
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
        m.Answer(kModem, {}, -1);
        EXPECT_EQ(m.rig().HostSentNames().size(), sent);
    }
    Command(m);
    Command(m);
    m.Settle();
    EXPECT_EQ(m.Result(), Outcome::kSucceeded);
    for (const auto& f : m.ExpectedSends()) EXPECT_TRUE(m.SentWhole(f)) << f.name;
}

// Repeated, skipped, foreign blocks and an ACK mid-file: the pack comes out exact.
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
    m.Send(kModem, tftp::BuildAck(9));                            // a read waits for DATA
    m.Answer(kModem, rest);
    Bytes expected = first;
    expected.insert(expected.end(), rest.begin(), rest.end());
    for (const char* text : {"brows", "resolv", "imode", "dhcp"}) {
        Command(m);
        m.Answer(kModem, Text(text));
        expected.insert(expected.end(), text, text + std::strlen(text));
    }
    Command(m);
    m.Settle();

    ASSERT_EQ(m.Result(), Outcome::kSucceeded);
    Bytes pack = m.rig().Read(m.rig().Path("config.pack"));
    HostileModem::PackTable table;
    ASSERT_TRUE(HostileModem::ReadConfigPack(pack, &table));
    ASSERT_EQ(table.entries.size(), 5u);
    EXPECT_EQ(table.entries[0], (std::pair<std::string, std::uint32_t>{"initbridge", 552}));
    EXPECT_EQ(Bytes(pack.begin() + static_cast<long>(table.data_start), pack.end()), expected);
    EXPECT_TRUE(m.StrayFiles().empty());
}

// A read that stops midway (a modem gone silent, a key never acknowledged between files, a
// file past 65535 blocks) keeps the previous pack and leaves no other file.
TEST(HostileModemDuringConfigRead, ReadStoppedMidwayKeepsThePreviousPack) {
    struct Case {
        const char* what;
        std::function<void(HostileModem&)> act;
        std::string message;
    } cases[] = {
        {"silent mid-file", [](HostileModem& m) { m.Answer(kModem, Filled(512, 4)); },
         kAckNoResponseText},
        {"key unanswered",
         [](HostileModem& m) {
             m.Answer(kModem, Text("bridge"));
             m.Answer(kModem, {});  // ACK 0 of the key; its DATA 1 then goes unanswered
         },
         kNoAckRetryText},
        {"65536 blocks",
         [](HostileModem& m) {
             testhost::Host().log_enabled = false;
             const Bytes full(512, 'x');
             for (std::uint32_t n = 1; n <= 65535; ++n) {
                 m.Send(kModem, tftp::BuildData(static_cast<std::uint16_t>(n), full.data(), 512));
                 if (n % 4096 == 0) m.rig().net.ClearTrace();  // the trace would hold 32 MB
             }
             EXPECT_EQ(m.rig().HostSentNames().back(), "ACK 65534");
         },
         "Error:\ninitbridge is longer than 65535 blocks."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostileModem m(HostilePlan::kConfigRead);
        std::string old = m.rig().Write("config.pack", std::string("previous pack"));
        m.Start();
        Command(m);
        c.act(m);
        m.Settle();
        EXPECT_EQ(m.Result(), Outcome::kStopped);
        EXPECT_EQ(m.desktop().BoxTexts(), (Names{c.message}));
        EXPECT_EQ(m.rig().Read(old), Text("previous pack"));
        EXPECT_TRUE(m.StrayFiles().empty());
    }
}

TEST(ClientSettings, RequestsGoToPort69UnlessSetAndAnUnknownDeviceIsRefused) {
    EXPECT_EQ(TftpClient().ModemPort(), 69u);
    testhost::EngineRig rig({.modems = 0});
    EXPECT_TRUE(rig.client.SetBindDevice("eth0"));
    EXPECT_FALSE(rig.client.SetBindDevice("nosuch0"));
    TftpClient other;
    other.SetStack(rig.host);
    other.SetBindDevice("nosuch0");
    EXPECT_FALSE(other.CreateClientSocket());
}

}  // namespace
