// The modem's service as a host meets it, on the in-memory segment and the manual clock: the
// key, the update bracket, repeats and losses, and the fault injector's counts. The files it
// serves and takes, its options and its firmware: the engine, chaos and process tests that
// run it (serve_crowd, verify, vxworks); several modems on one broadcast: the engine and
// segment tests.
#include <gtest/gtest.h>

#include "modem/fault_injector.h"
#include "modem/modem_test_fixture.h"

namespace modem::testing {
namespace {

const std::string kLocked = "Access denied: modem is locked";

// Datagrams the modem sent on the segment that match opcode and block.
int CountSent(const fw::InMemoryNetwork& net, std::uint16_t opcode, std::uint16_t block) {
    int n = 0;
    for (const auto& d : net.Trace()) {
        auto h = tftp::ParseHeader(d.bytes.data(), d.bytes.size());
        n += d.from.addr != kHostAddr && h.valid && h.opcode == opcode && h.field == block;
    }
    return n;
}

using ModemKeyTest = ModemTest;

TEST_F(ModemKeyTest, LockedModemTakesOnlyTheKeyAndTheBoardRequest) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    for (const char* name : {"cmdmacro", "tftpupdt.beg"})
        EXPECT_EQ(WriteFile(peer, ModemAt(), name, BytesOf("\r\n")).error, kLocked);
    EXPECT_EQ(ReadFile(peer, ModemAt(), "info").error, kLocked);
    EXPECT_TRUE(WriteFile(peer, ModemAt(), "RequestID", BytesOf(kPassword + "\r\n")).done);
    ASSERT_EQ(modem.Received().size(), 1u);  // refused writes leave nothing behind
    EXPECT_FALSE(modem.IsUnlocked(kHostAddr));
    EXPECT_EQ(WriteFile(peer, ModemAt(), "tftplock.key", BytesOf("guess\r\n")).error,
              "Wrong password");
    EXPECT_TRUE(WriteFile(peer, ModemAt(), "tftplock.key", BytesOf(kPassword)).done)
        << "a key without its line end, as typed into a file by hand, is the same key";
}

// The key opens the modem to its sender only, until a minute of silence from that host.
TEST_F(ModemKeyTest, KeyOpensTheModemToItsSenderUntilAMinuteOfSilence) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    TestPeer other(net.AddHost(0x0A000009));
    Outcome key = Unlock(peer);
    ASSERT_TRUE(key.done);
    EXPECT_EQ(ReadFile(other, ModemAt(), "info").error, kLocked);
    Outcome read = ReadFile(peer, ModemAt(), "info");
    EXPECT_EQ(read.bytes, BytesOf(kInfoText));
    EXPECT_NE(read.answered_from.port, kModemPort);  // a fresh port per transfer
    EXPECT_NE(read.answered_from.port, key.answered_from.port);
    loop.RunFor(59000);
    EXPECT_TRUE(ReadFile(peer, ModemAt(), "info").done);  // heard again: the minute restarts
    loop.RunFor(60000);
    EXPECT_FALSE(modem.IsUnlocked(kHostAddr));
    EXPECT_EQ(ReadFile(peer, ModemAt(), "info").error, kLocked);
}

TEST_F(ModemKeyTest, BracketEndsWithTheCompletionReportFromTheListeningPortAfterTheDelay) {
    ModemConfig config = Config();
    config.board_id = "BX-7";
    SimulatedModem& modem = StartModem(config);
    TestPeer peer(host);
    peer.Send(tftp::BuildRequest(tftp::WRQ, "RequestID"), ModemAt());
    EXPECT_EQ(peer.Next()->bytes, (tftp::Bytes{0, 4, 0, 0, 'B', 'X', '-', '7', 0}));
    peer.inbox.clear();
    ASSERT_TRUE(Unlock(peer).done);
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "tftpupdt.beg", BytesOf("\r\n")).done);
    EXPECT_EQ(WriteFile(peer, ModemAt(), "tftpupdt.beg", BytesOf("\r\n")).error,
              "Server already in update mode");
    for (const char* name : {"image", "tftpupdt.rbt", "tftpupdt.end"})
        ASSERT_TRUE(WriteFile(peer, ModemAt(), name, Pattern(700)).done) << name;
    loop.RunFor(1999);
    EXPECT_FALSE(modem.CompletionSent());
    auto report = peer.Next(50);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->bytes, tftp::BuildAck(65535));
    EXPECT_EQ(report->from, ModemAt());
    EXPECT_FALSE(modem.InUpdateMode());
}

// Repeats: a request again is answered again by the same exchange, a DATA again (the last
// one or one mid-file) is acknowledged again and stored once; malformed datagrams are ignored.
TEST_F(ModemKeyTest, RepeatsAreAnsweredOnceAndStoredOnce) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    peer.Send(tftp::BuildRequest(tftp::WRQ, "tftplock.key"), ModemAt());
    peer.Send(tftp::BuildRequest(tftp::WRQ, "tftplock.key"), ModemAt());
    for (tftp::Bytes junk : {tftp::Bytes{0, 1, 'i', 'n'}, tftp::Bytes{0}}) peer.Send(junk, ModemAt());
    auto a = peer.Next(), b = peer.Next();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->bytes, tftp::BuildAck(0));
    EXPECT_EQ(b->bytes, a->bytes);
    EXPECT_EQ(a->from, b->from);
    tftp::Bytes key = BytesOf(kPassword + "\r\n");
    for (int i = 0; i < 2; ++i) peer.Send(tftp::BuildData(1, key.data(), key.size()), a->from);
    loop.RunPending();
    ASSERT_EQ(peer.inbox.size(), 2u) << "the final block again, acknowledged again";
    for (const auto& ack : peer.inbox) EXPECT_EQ(ack.bytes, tftp::BuildAck(1));
    EXPECT_EQ(modem.Received().size(), 1u);

    peer.inbox.clear();
    tftp::Bytes first = Pattern(512);
    peer.Send(tftp::BuildRequest(tftp::WRQ, "image"), ModemAt());
    auto ack0 = peer.Next();
    for (int i = 0; i < 2; ++i) peer.Send(tftp::BuildData(1, first.data(), 512), ack0->from);
    loop.RunPending();
    ASSERT_EQ(peer.inbox.size(), 2u) << "a block mid-file again, acknowledged again";
    for (const auto& ack : peer.inbox) EXPECT_EQ(ack.bytes, tftp::BuildAck(1));
}

// The modem's own retransmissions: a block lost on the line goes again after the time-out,
// a silent peer is given up after the budget.
TEST_F(ModemKeyTest, LostBlocksAreSentAgainAndASilentPeerIsGivenUpAfterTheBudget) {
    ModemConfig config = Config();
    config.max_retransmits = 3;
    SimulatedModem& modem = StartModem(config);
    bool dropped = false;
    net.SetFilter([&](const fw::Datagram& d) {
        auto h = tftp::ParseHeader(d.bytes.data(), d.bytes.size());
        if (dropped || h.opcode != tftp::DATA || h.field != 2) return fw::Verdict::kDeliver;
        dropped = true;
        return fw::Verdict::kDrop;
    });
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    EXPECT_EQ(ReadFile(peer, ModemAt(), "dhcpd.conf").bytes, Pattern(731));
    EXPECT_EQ(CountSent(net, tftp::DATA, 2), 2);
    peer.Send(tftp::BuildRequest(tftp::RRQ, "info"), ModemAt());
    loop.RunFor(30000);
    EXPECT_EQ(peer.inbox.size(), 1u + 3u);
    EXPECT_NE(modem.LogLines().back().find("read info: no ACK 1 after 3 retransmissions"),
              std::string::npos)
        << modem.LogLines().back();
}

TEST(FaultInjector, AChoiceTakesAsManyMatchingDatagramsAsItsCount) {
    FaultInjector f;
    f.Reset(FaultPlan{.drop = {"ack:2:image*2"}, .duplicate = {"data1"}});
    auto ack2 = tftp::BuildAck(2);
    EXPECT_EQ(f.Decide(tftp::BuildAck(3), "image"), Fate::kSend);
    EXPECT_EQ(f.Decide(ack2, "info"), Fate::kSend);  // another transfer
    for (Fate fate : {Fate::kDrop, Fate::kDrop, Fate::kSend}) EXPECT_EQ(f.Decide(ack2, "image"), fate);
    EXPECT_EQ(f.Decide(tftp::BuildData(1, "x", 1), "any"), Fate::kDuplicate);
    EXPECT_EQ(f.Decide(tftp::BuildData(1, "x", 1), "any"), Fate::kSend);
}

}  // namespace
}  // namespace modem::testing
