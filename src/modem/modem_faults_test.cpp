// The modem on a bad line: its own retransmissions, and the faults it can be told to make.
#include <gtest/gtest.h>

#include "modem/modem_test_fixture.h"

namespace modem::testing {
namespace {

// Datagrams the modem sent on the segment that match opcode and block.
int CountSent(const fw::InMemoryNetwork& net, std::uint16_t opcode, std::uint16_t block) {
    int n = 0;
    for (const auto& d : net.Trace()) {
        auto h = tftp::ParseHeader(d.bytes.data(), d.bytes.size());
        if (d.from.addr == kModemAddr && h.valid && h.opcode == opcode && h.field == block) ++n;
    }
    return n;
}

using ModemRetransmitTest = ModemTest;

TEST_F(ModemRetransmitTest, DataBlockLostOnTheLineIsSentAgainAfterTheTimeout) {
    StartModem();
    bool dropped = false;
    net.SetFilter([&](const fw::Datagram& d) {
        auto h = tftp::ParseHeader(d.bytes.data(), d.bytes.size());
        if (dropped || h.opcode != tftp::DATA || h.field != 2) return fw::Verdict::kDeliver;
        dropped = true;
        return fw::Verdict::kDrop;
    });
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    Outcome read = ReadFile(peer, ModemAt(), "dhcpd.conf");
    ASSERT_TRUE(read.done);
    EXPECT_EQ(read.bytes, Pattern(731));
    EXPECT_TRUE(dropped);
    EXPECT_EQ(CountSent(net, tftp::DATA, 2), 2);
}

TEST_F(ModemRetransmitTest, AckDroppedByThePlanIsSentAgainAndTheWriteGoesOn) {
    SimulatedModem& modem = StartModem();
    modem.SetFaults(FaultPlan{.drop = {"ack1:image"}});
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    tftp::Bytes image = Pattern(1200);
    fw::Millis before = loop.Now();
    ASSERT_TRUE(WriteFile(peer, ModemAt(), "image", image).done);
    EXPECT_EQ(modem.LastReceived("image")->bytes, image);
    // A dropped datagram never reaches the line: the key's ACK 1, then the image's resent
    // one after the modem's time-out.
    EXPECT_EQ(CountSent(net, tftp::ACK, 1), 2);
    EXPECT_GE(loop.Now() - before, modem.config().retransmit_timeout_ms);
}

TEST_F(ModemRetransmitTest, SilentPeerIsGivenUpAfterTheBudget) {
    ModemConfig config = Config();
    config.max_retransmits = 3;
    SimulatedModem& modem = StartModem(config);
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    peer.Send(tftp::BuildRequest(tftp::RRQ, "info"), ModemAt());
    loop.RunFor(30000);
    int data1 = 0;
    for (const auto& got : peer.inbox) data1 += got.opcode() == tftp::DATA && got.field() == 1;
    EXPECT_EQ(data1, 1 + 3);
    ASSERT_FALSE(modem.LogLines().empty());
    EXPECT_NE(modem.LogLines().back().find("read info: no ACK 1 after 3 retransmissions"),
              std::string::npos)
        << modem.LogLines().back();
}

using ModemFaultPlanTest = ModemTest;

TEST_F(ModemFaultPlanTest, ChosenErrorAnswersThatRequestOnlyAndSilenceAnswersNothing) {
    SimulatedModem& modem = StartModem();
    modem.SetFaults(FaultPlan{.error_for = {{"info", "Flash busy"}}});
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    EXPECT_EQ(ReadFile(peer, ModemAt(), "info").error, "Flash busy");
    EXPECT_TRUE(ReadFile(peer, ModemAt(), "dhcpd.conf").done);
    // A silent modem answers nothing at all, the key included.
    modem.SetFaults(FaultPlan{.silent = true});
    EXPECT_FALSE(Unlock(peer).done);
    EXPECT_TRUE(peer.inbox.empty());
}

TEST_F(ModemFaultPlanTest, DuplicatedBlockArrivesTwiceAndDelayHoldsEveryAnswer) {
    SimulatedModem& modem = StartModem();
    modem.SetFaults(FaultPlan{.duplicate = {"data1:info"}, .delay_ms = 300});
    TestPeer peer(host);
    fw::Millis before = loop.Now();
    ASSERT_TRUE(Unlock(peer).done);
    EXPECT_GE(loop.Now() - before, 2 * 300);  // ACK 0 and ACK 1 each held back
    peer.Send(tftp::BuildRequest(tftp::RRQ, "info"), ModemAt());
    auto a = peer.Next();
    auto b = peer.Next();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->bytes, b->bytes);
    EXPECT_EQ(a->field(), 1);
}

// A slow first answer (a modem erasing its flash) and a duplicate that follows its original
// after a gap, from the same port.
TEST_F(ModemFaultPlanTest, AnswerDelayHoldsTheFirstAnswerAndTheGapSeparatesTheCopies) {
    SimulatedModem& modem = StartModem();
    modem.SetFaults(FaultPlan{.duplicate = {"data1:info"},
                              .duplicate_gap_ms = 700,
                              .answer_delay_ms = {{"image", 2500}, {"info", 400}}});
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    fw::Millis before = loop.Now();
    peer.Send(tftp::BuildRequest(tftp::RRQ, "info"), ModemAt());
    auto a = peer.Next();
    fw::Millis first_at = loop.Now();
    auto b = peer.Next();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(first_at - before, 400);
    EXPECT_EQ(loop.Now() - first_at, 700);
    EXPECT_EQ(a->bytes, b->bytes);
    EXPECT_EQ(a->from, b->from);

    before = loop.Now();
    peer.Send(tftp::BuildRequest(tftp::WRQ, "image"), ModemAt());
    auto ack0 = peer.Next();
    ASSERT_TRUE(ack0);
    EXPECT_EQ(ack0->field(), 0);
    EXPECT_EQ(loop.Now() - before, 2500);
}

TEST_F(ModemFaultPlanTest, SeededLossStillCompletesThroughRetransmission) {
    ModemConfig config = Config();
    config.max_retransmits = 20;
    SimulatedModem& modem = StartModem(config);
    modem.SetFaults(FaultPlan{.loss_percent = 30, .seed = 42});
    TestPeer peer(host);
    ASSERT_TRUE(Unlock(peer).done);
    Outcome read = ReadFile(peer, ModemAt(), "dhcpd.conf");
    ASSERT_TRUE(read.done);
    EXPECT_EQ(read.bytes, Pattern(731));
}

using ModemBroadcastTest = ModemTest;

TEST_F(ModemBroadcastTest, TwoModemsOnListenPortRepliesFollowOneBroadcastTransfer) {
    constexpr std::uint32_t kSecondModem = 0x0A000003;
    ModemConfig config = Config(fw::kAnyAddr);
    config.answer_from_listen_port = true;
    SimulatedModem& first = StartModem(config, kModemAddr);
    SimulatedModem& second = StartModem(config, kSecondModem);
    TestPeer peer(host);
    const fw::Endpoint everyone{fw::kBroadcastAddr, kModemPort};

    // Every datagram of the host goes to the broadcast address, as in broadcast mode.
    auto write_to_all = [&](const std::string& name, const tftp::Bytes& content) {
        peer.Send(tftp::BuildRequest(tftp::WRQ, name), everyone);
        std::size_t blocks = content.size() / tftp::kBlockSize + 1;
        for (std::size_t block = 0; block <= blocks; ++block) {
            std::vector<fw::Endpoint> answered;
            for (int i = 0; i < 2; ++i) {
                auto ack = peer.Next();
                ASSERT_TRUE(ack.has_value()) << name << " block " << block;
                EXPECT_EQ(ack->opcode(), tftp::ACK);
                EXPECT_EQ(ack->field(), block);
                EXPECT_EQ(ack->from.port, kModemPort);
                answered.push_back(ack->from);
            }
            EXPECT_NE(answered[0].addr, answered[1].addr);
            if (block == blocks) break;
            std::size_t offset = block * tftp::kBlockSize;
            std::size_t len = std::min(tftp::kBlockSize, content.size() - offset);
            peer.Send(tftp::BuildData(static_cast<std::uint16_t>(block + 1),
                                      content.data() + offset, len),
                      everyone);
        }
    };
    write_to_all("tftplock.key", BytesOf(kPassword + "\r\n"));
    tftp::Bytes image = Pattern(1100);
    write_to_all("image", image);

    for (SimulatedModem* m : {&first, &second}) {
        const ReceivedFile* got = m->LastReceived("image");
        ASSERT_NE(got, nullptr);
        EXPECT_TRUE(got->complete);
        EXPECT_EQ(got->bytes, image);
    }
}

}  // namespace
}  // namespace modem::testing
