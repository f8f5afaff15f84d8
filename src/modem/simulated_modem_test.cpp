// The modem's service as a host meets it, on the in-memory segment and the manual clock: the
// key, the files it serves and takes, the update bracket, repeats and losses. The faults it
// is told to make: the fault injector's own test here, the engine and chaos tests that run
// on them; several modems on one broadcast: the engine and segment tests; the fetch after a
// board request and the reboot: the serve_crowd and verify process tests.
#include <gtest/gtest.h>

#include "modem/file_store.h"
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

TEST_F(ModemKeyTest, ServesItsFilesAndWhatWasRestoredButNeverTheKeyOrOutsideNames) {
    ModemConfig config = Config();
    config.store_dir = dir + "/store";
    SimulatedModem& modem = StartModem(config);
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    for (const char* name : {"nosuch", "../data/info", "/etc/passwd", "tftplock.key"})
        EXPECT_TRUE(tftp::StartsWith(ReadFile(peer, ModemAt(), name).error, tftp::kNoSuchFile));
    tftp::Bytes restored = Pattern(1024, 3);  // exactly two blocks: a third, empty one ends it
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "dhcpd.conf", restored).done);
    EXPECT_EQ(ReadFile(peer, ModemAt(), "dhcpd.conf").bytes, restored);
    EXPECT_EQ(ReadServedFile(config.store_dir, "dhcpd.conf"), restored);
    EXPECT_EQ(modem.LastReceived("dhcpd.conf")->from_addr, kHostAddr);
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

// Repeats: a DATA again is acknowledged again and stored once, the last one too; an ACK of
// the previous block again sends nothing at once; a request again is answered again by the
// same exchange; malformed datagrams are ignored.
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
    ASSERT_EQ(peer.inbox.size(), 2u);
    for (const auto& ack : peer.inbox) EXPECT_EQ(ack.bytes, tftp::BuildAck(1));

    peer.inbox.clear();
    peer.Send(tftp::BuildRequest(tftp::RRQ, "dhcpd.conf"), ModemAt());
    auto data1 = peer.Next();
    peer.Send(tftp::BuildAck(1), data1->from);
    auto data2 = peer.Next();
    peer.Send(tftp::BuildAck(1), data1->from);  // our time-out resends ACK 1
    loop.RunPending();
    EXPECT_TRUE(peer.inbox.empty());
    peer.Send(tftp::BuildAck(2), data1->from);
    loop.RunFor(10000);
    EXPECT_TRUE(peer.inbox.empty()) << "finished: nothing is sent again";
    EXPECT_EQ(data2->field(), 2);
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

}  // namespace
}  // namespace modem::testing
