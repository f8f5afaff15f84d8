// The client against a hostile "modem": malformed, oversized, out-of-order and foreign
// datagrams during each kind of plan. A run either stops with a clear message or goes on
// correctly; it never reports success for a transfer that did not complete, and never
// writes anything but the file it was asked to write. Repeated, early and foreign blocks on
// every kind of plan: the chaos schedules and the client fuzz target, whose judge holds a
// run to the same promises.
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
    EXPECT_EQ(m.rig().HostSentCount("DATA 1 (5)"), 2);  // the key and the board request
    EXPECT_TRUE(m.StrayFiles().empty());
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
        EXPECT_EQ(m.rig().HostSentCount("DATA 1 (512)"), 4);  // first and three retries
        EXPECT_FALSE(m.SentWhole(m.ExpectedSends()[0]));
        EXPECT_EQ(g_bUpdateComplete, 0);
    }
}

// A read that stops midway (a modem gone silent, a key never acknowledged between files, a
// file past 65535 blocks) keeps the previous pack and leaves no other file.
TEST(HostileModemDuringConfigRead, ReadStoppedMidwayKeepsThePreviousPack) {
    struct Case {
        const char* what;
        std::function<void(HostileModem&)> act;
        std::string message;
    } cases[] = {
        {"silent mid-file", [](HostileModem& m) { m.Answer(kModem, testhost::Pattern(512, 4)); },
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

}  // namespace
