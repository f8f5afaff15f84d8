// The modem's service as a host meets it, on the in-memory segment and the manual clock.
#include <gtest/gtest.h>

#include "modem/modem_test_fixture.h"

namespace modem::testing {
namespace {

using ModemKeyTest = ModemTest;

TEST_F(ModemKeyTest, KeyThenReadServesTheFileFromAFreshTransferPort) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    Outcome key = Unlock(peer);
    ASSERT_TRUE(key.done) << key.error;
    EXPECT_TRUE(modem.IsUnlocked(kHostAddr));

    Outcome read = ReadFile(peer, ModemAt(), "info");
    ASSERT_TRUE(read.done) << read.error;
    EXPECT_EQ(read.bytes, BytesOf(kInfoText));
    EXPECT_EQ(read.answered_from.addr, kModemAddr);
    EXPECT_NE(read.answered_from.port, kModemPort);
    EXPECT_NE(read.answered_from.port, key.answered_from.port);
    loop.RunPending();  // the modem takes in the final ACK
    // One line per exchange.
    ASSERT_EQ(modem.LogLines().size(), 2u);
    EXPECT_NE(modem.LogLines()[1].find("read info: sent 38 bytes in 1 block"), std::string::npos);
}

TEST_F(ModemKeyTest, LockedModemRefusesEverythingButTheKeyAndRequestId) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    EXPECT_EQ(ReadFile(peer, ModemAt(), "info").error, "Access denied: modem is locked");
    EXPECT_EQ(WriteFile(peer, ModemAt(), "cmdmacro", BytesOf("\r\n")).error,
              "Access denied: modem is locked");
    EXPECT_EQ(WriteFile(peer, ModemAt(), "tftpupdt.beg", BytesOf("\r\n")).error,
              "Access denied: modem is locked");
    EXPECT_FALSE(modem.InUpdateMode());

    Outcome id = WriteFile(peer, ModemAt(), "RequestID", BytesOf(kPassword + "\r\n"));
    EXPECT_TRUE(id.done) << id.error;
    ASSERT_EQ(modem.Received().size(), 1u);  // refused writes leave nothing behind
    EXPECT_EQ(modem.Received()[0].name, "RequestID");
    EXPECT_FALSE(modem.IsUnlocked(kHostAddr));
}

TEST_F(ModemKeyTest, WrongKeyIsRefusedAndLocksTheHostAgain) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    Outcome wrong = WriteFile(peer, ModemAt(), "tftplock.key", BytesOf("guess\r\n"));
    EXPECT_FALSE(wrong.done);
    EXPECT_EQ(wrong.error, "Wrong password");
    EXPECT_FALSE(modem.IsUnlocked(kHostAddr));
    EXPECT_EQ(ReadFile(peer, ModemAt(), "info").error, "Access denied: modem is locked");
    // A key without its line end, as typed into a file by hand, is the same key.
    EXPECT_TRUE(WriteFile(peer, ModemAt(), "tftplock.key", BytesOf(kPassword)).done);
}

TEST_F(ModemKeyTest, UnlockLastsUntilSixtySecondsOfSilenceFromThatHost) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    TestPeer other(net.AddHost(0x0A000009));
    ASSERT_TRUE(Unlock(peer).done);
    // The key opens the modem to its sender's address only.
    EXPECT_EQ(ReadFile(other, ModemAt(), "info").error, "Access denied: modem is locked");

    loop.RunFor(59000);
    EXPECT_TRUE(ReadFile(peer, ModemAt(), "info").done);  // heard again: the minute restarts
    loop.RunFor(59000);
    EXPECT_TRUE(modem.IsUnlocked(kHostAddr));
    loop.RunFor(1000);
    EXPECT_FALSE(modem.IsUnlocked(kHostAddr));
    EXPECT_EQ(ReadFile(peer, ModemAt(), "info").error, "Access denied: modem is locked");
}

using ModemFilesTest = ModemTest;

TEST_F(ModemFilesTest, MissingOrOutsideFilesAnswerFailedToOpen) {
    StartModem();
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    for (const char* name : {"nosuch", "../data/info", "/etc/passwd", "a/../../info"}) {
        SCOPED_TRACE(name);
        Outcome read = ReadFile(peer, ModemAt(), name);
        EXPECT_FALSE(read.done);
        EXPECT_TRUE(tftp::StartsWith(read.error, tftp::kNoSuchFile)) << read.error;
    }
}

TEST_F(ModemFilesTest, RestoredFileIsWhatALaterReadReturnsButTheKeyIsNeverServed) {
    StartModem();
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    tftp::Bytes restored = Pattern(1024, 3);  // exactly two blocks: a third, empty one ends it
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "dhcpd.conf", restored).done);
    Outcome read = ReadFile(peer, ModemAt(), "dhcpd.conf");
    ASSERT_TRUE(read.done);
    EXPECT_EQ(read.bytes, restored);
    EXPECT_FALSE(ReadFile(peer, ModemAt(), "tftplock.key").done);
}

TEST_F(ModemFilesTest, StoreDirectoryKeepsEveryCompletedWrite) {
    ModemConfig config = Config();
    config.store_dir = dir + "/store";
    SimulatedModem& modem = StartModem(config);
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    tftp::Bytes image = Pattern(1500);
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "image", image).done);
    ASSERT_NE(modem.LastReceived("image"), nullptr);
    EXPECT_TRUE(modem.LastReceived("image")->complete);
    EXPECT_EQ(modem.LastReceived("image")->from_addr, kHostAddr);
    std::ifstream in(config.store_dir + "/image", std::ios::binary);
    tftp::Bytes stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(stored, image);
    EXPECT_TRUE(std::filesystem::exists(config.store_dir + "/tftplock.key"));
}

using ModemUpdateTest = ModemTest;

TEST_F(ModemUpdateTest, BracketEndsWithTheCompletionReportAfterTheDelay) {
    ModemConfig config = Config();
    config.completion_delay_ms = 2000;
    SimulatedModem& modem = StartModem(config);
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "tftpupdt.beg", BytesOf("\r\n")).done);
    EXPECT_TRUE(modem.InUpdateMode());
    EXPECT_EQ(WriteFile(peer, ModemAt(), "tftpupdt.beg", BytesOf("\r\n")).error,
              "Server already in update mode");
    tftp::Bytes image = Pattern(2000);
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "image", image).done);
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "tftpupdt.rbt", BytesOf("\r\n")).done);
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "tftpupdt.end", BytesOf("\r\n")).done);

    loop.RunFor(1999);
    EXPECT_TRUE(peer.inbox.empty());
    EXPECT_FALSE(modem.CompletionSent());
    auto report = peer.Next(50);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->bytes, tftp::BuildAck(65535));
    // From the listening port, to the port the host's requests came from.
    EXPECT_EQ(report->from, ModemAt());
    EXPECT_TRUE(modem.CompletionSent());
    EXPECT_FALSE(modem.InUpdateMode());

    std::vector<std::string> names;
    for (const auto& f : modem.Received()) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"tftplock.key", "tftpupdt.beg", "image",
                                               "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(modem.LastReceived("image")->bytes, image);
}

TEST_F(ModemUpdateTest, RequestIdAckZeroCarriesTheBoardThenTakesTheData) {
    ModemConfig config = Config();
    config.board_id = "BX-7";
    SimulatedModem& modem = StartModem(config);
    TestPeer peer(host);
    peer.Send(tftp::BuildRequest(tftp::WRQ, "RequestID"), ModemAt());
    auto ack0 = peer.Next();
    ASSERT_TRUE(ack0.has_value());
    EXPECT_EQ(ack0->bytes, (tftp::Bytes{0, 4, 0, 0, 'B', 'X', '-', '7', 0}));
    peer.Send(tftp::BuildData(1, "secret\r\n", 8), ack0->from);
    auto ack1 = peer.Next();
    ASSERT_TRUE(ack1.has_value());
    EXPECT_EQ(ack1->bytes, tftp::BuildAck(1));
    ASSERT_NE(modem.LastReceived("RequestID"), nullptr);
    EXPECT_EQ(modem.LastReceived("RequestID")->bytes, BytesOf("secret\r\n"));
    EXPECT_TRUE(modem.LastReceived("RequestID")->complete);
    EXPECT_TRUE(modem.Fetched().empty());  // no fetch unless asked for
}

using ModemRepeatTest = ModemTest;

TEST_F(ModemRepeatTest, DuplicateDataIsAcknowledgedAgainAndStoredOnce) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    tftp::Bytes first = Pattern(512);
    peer.Send(tftp::BuildRequest(tftp::WRQ, "image"), ModemAt());
    auto ack0 = peer.Next();
    ASSERT_TRUE(ack0 && ack0->opcode() == tftp::ACK);
    fw::Endpoint port = ack0->from;
    peer.Send(tftp::BuildData(1, first.data(), first.size()), port);
    peer.Send(tftp::BuildData(1, first.data(), first.size()), port);
    loop.RunPending();  // at once, not by the modem's own retransmission
    ASSERT_EQ(peer.inbox.size(), 2u);
    for (const auto& ack : peer.inbox) EXPECT_EQ(ack.bytes, tftp::BuildAck(1));
    peer.inbox.clear();
    peer.Send(tftp::BuildData(2, "end", 3), port);
    // The last block repeated (our final ACK lost) is acknowledged again too.
    peer.Send(tftp::BuildData(2, "end", 3), port);
    loop.RunPending();
    ASSERT_EQ(peer.inbox.size(), 2u);
    for (const auto& ack : peer.inbox) EXPECT_EQ(ack.bytes, tftp::BuildAck(2));
    EXPECT_EQ(modem.LastReceived("image")->bytes.size(), 515u);
}

TEST_F(ModemRepeatTest, RepeatedAckOfThePreviousBlockLeavesAReadOnCourse) {
    StartModem();
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    peer.Send(tftp::BuildRequest(tftp::RRQ, "dhcpd.conf"), ModemAt());
    auto data1 = peer.Next();
    ASSERT_TRUE(data1 && data1->field() == 1);
    peer.Send(tftp::BuildAck(1), data1->from);
    auto data2 = peer.Next();
    ASSERT_TRUE(data2 && data2->field() == 2);
    // The host's own time-out resends ACK 1; the modem must neither restart nor double
    // DATA 2 at once, and the transfer must still finish.
    peer.Send(tftp::BuildAck(1), data1->from);
    loop.RunPending();
    EXPECT_TRUE(peer.inbox.empty());
    peer.Send(tftp::BuildAck(2), data1->from);
    loop.RunFor(10000);
    EXPECT_TRUE(peer.inbox.empty());  // finished: nothing is retransmitted
    tftp::Bytes got(data1->bytes.begin() + 4, data1->bytes.end());
    got.insert(got.end(), data2->bytes.begin() + 4, data2->bytes.end());
    EXPECT_EQ(got, Pattern(731));
}

TEST_F(ModemRepeatTest, RepeatedRequestIsAnsweredAgainByTheSameExchange) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    peer.Send(tftp::BuildRequest(tftp::WRQ, "tftplock.key"), ModemAt());
    peer.Send(tftp::BuildRequest(tftp::WRQ, "tftplock.key"), ModemAt());
    auto a = peer.Next();
    auto b = peer.Next();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->bytes, tftp::BuildAck(0));
    EXPECT_EQ(b->bytes, tftp::BuildAck(0));
    EXPECT_EQ(a->from, b->from);
    EXPECT_EQ(modem.Received().size(), 1u);
}

TEST_F(ModemRepeatTest, MalformedDatagramsAreIgnored) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    peer.Send(tftp::Bytes{0, 1, 'i', 'n', 'f', 'o'}, ModemAt());  // name without its zero
    peer.Send(tftp::Bytes{0}, ModemAt());
    peer.Send(tftp::Bytes{0, 4, 0}, ModemAt());
    loop.RunFor(5000);
    EXPECT_TRUE(peer.inbox.empty());
    EXPECT_TRUE(modem.LogLines().empty());
    EXPECT_TRUE(Unlock(peer).done);  // and the modem still works
}

}  // namespace
}  // namespace modem::testing
