// The client against hand-driven peers: what it lets steer a transfer and what it drops.
#include "tftp/tftp_client.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sequencer/response_timer.h"
#include "testing/engine_rig.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"

namespace {

using testhost::EngineRig;
using testhost::Host;

// A socket on a host of its own that records what reaches it and answers on demand.
class Peer : public fw::CAsyncSocket {
public:
    Peer(EngineRig& rig, std::uint32_t addr, std::uint16_t port) {
        SetStack(&rig.net.AddHost(addr));
        Create(port);
    }
    void OnReceive(int) override {
        std::uint8_t buf[1024];
        std::string address;
        unsigned port = 0;
        int n = ReceiveFrom(buf, sizeof buf, address, port);
        if (n <= 0) return;
        got.emplace_back(buf, buf + n);
        client_port = port;
    }
    void Send(const tftp::Bytes& d) {
        SendTo(d.data(), static_cast<int>(d.size()), client_port, "10.0.0.1");
    }
    std::vector<tftp::Bytes> got;
    unsigned client_port = 0;
};

bool LogHas(const std::string& text) {
    const auto& log = Host().log;
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

class ClientWithPeers : public ::testing::Test {
protected:
    ClientWithPeers()
        : rig({.modems = 0}), modem(rig, 0x0A000002, 6969), stranger(rig, 0x0A000009, 7000) {
        g_szModemAddress = "10.0.0.2";
        rig.client.BeginOperation();
    }
    // Starts the "tftpupdt.beg" write and lets the WRQ arrive.
    void StartMarkerWrite() {
        rig.client.PutCommandFile(2);
        rig.loop.RunPending();
        ASSERT_EQ(modem.got.size(), 1u);
    }
    EngineRig rig;
    Peer modem;
    Peer stranger;
};

TEST_F(ClientWithPeers, UnicastIgnoresAnotherHostsDatagram) {
    StartMarkerWrite();
    stranger.client_port = modem.client_port;
    stranger.Send(tftp::BuildAck(0));
    rig.loop.RunPending();

    EXPECT_TRUE(stranger.got.empty());
    EXPECT_EQ(rig.client.peerPort, 6969u);
    EXPECT_EQ(ResponseTimerKind(), TimerKind::kFirstAnswer);  // still waiting for the modem
    EXPECT_TRUE(LogHas("10.0.0.9:7000 is not the modem's"));

    modem.Send(tftp::BuildAck(0));
    rig.loop.RunPending();
    ASSERT_EQ(modem.got.size(), 2u);
    EXPECT_EQ(modem.got[1], (tftp::Bytes{0, 3, 0, 1, 0x0D, 0x0A}));
}

// Only the modem's address written as the accessors write it names the modem, and the text
// is read again whenever it changes: any other text names nobody.
TEST_F(ClientWithPeers, OnlyTheModemAddressAsTheAccessorsWriteItNamesTheModem) {
    StartMarkerWrite();
    for (const char* text : {"010.0.0.2", "10.0.0.9", "", "10.0.0.2 "}) {
        SCOPED_TRACE(text);
        g_szModemAddress = text;
        modem.Send(tftp::BuildAck(0));
        rig.loop.RunPending();
        EXPECT_EQ(modem.got.size(), 1u);
        EXPECT_EQ(ResponseTimerKind(), TimerKind::kFirstAnswer);
    }
    g_szModemAddress = "10.0.0.2";
    modem.Send(tftp::BuildAck(0));
    rig.loop.RunPending();
    ASSERT_EQ(modem.got.size(), 2u);
    EXPECT_EQ(modem.got[1], (tftp::Bytes{0, 3, 0, 1, 0x0D, 0x0A}));
}

TEST_F(ClientWithPeers, DatagramShorterThanItsHeaderIsDropped) {
    StartMarkerWrite();
    modem.Send(tftp::Bytes{0, 4, 0});
    rig.loop.RunPending();
    EXPECT_EQ(modem.got.size(), 1u);
    EXPECT_EQ(ResponseTimerKind(), TimerKind::kFirstAnswer);
    EXPECT_TRUE(LogHas("Short datagram from 10.0.0.2:6969"));
}

TEST_F(ClientWithPeers, UnknownOpcodeIsLoggedAndOtherwiseIgnored) {
    StartMarkerWrite();
    modem.Send(tftp::Bytes{0, 9, 0, 1});
    rig.loop.RunPending();
    EXPECT_TRUE(LogHas("Remote IP : Port = 10.0.0.2:6969 ? Block=1\n"));
    EXPECT_TRUE(LogHas("Unknown P-Code = 9\n"));
    EXPECT_EQ(modem.got.size(), 1u);
}

TEST_F(ClientWithPeers, DataWithoutAReadRequestCreatesNoFile) {
    rig.client.remoteName = rig.Path("victim");
    rig.Write("victim", std::string("keep me"));
    StartMarkerWrite();
    modem.Send(tftp::BuildData(1, "evil", 4));
    rig.loop.RunPending();
    auto bytes = rig.Read(rig.Path("victim"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep me");
    EXPECT_EQ(modem.got.size(), 1u);  // and no ACK for it
}

class BroadcastFilter : public ClientWithPeers {
protected:
    BroadcastFilter() {
        g_bUnicast = 0;
        g_szModemAddress = "255.255.255.255";
    }
};

TEST_F(BroadcastFilter, StrayDataAfterAWriteRequestIsDroppedAndTheTimerRuns) {
    StartMarkerWrite();
    stranger.client_port = modem.client_port;
    stranger.Send(tftp::BuildData(1, "x", 1));
    rig.loop.RunPending();
    EXPECT_EQ(ResponseTimerKind(), TimerKind::kFirstAnswer);
    EXPECT_EQ(rig.client.peerPort, 6969u);  // a datagram dropped steers nothing
    EXPECT_TRUE(LogHas("Remote IP : Port = 10.0.0.9:7000 Data Block=1\n"));
    EXPECT_EQ(modem.got.size(), 1u);
}

// The modem reports completion once it has the end marker: a report before this run's
// marker went out is an earlier upgrade's; after it, it passes whatever is awaited.
TEST_F(BroadcastFilter, CompletionReportCountsOnlyOnceTheEndMarkerIsOut) {
    g_bUpdateComplete = 0;  // no report on record: an early one must not be taken
    StartMarkerWrite();
    modem.Send(tftp::BuildAck(65535));
    rig.loop.RunPending();
    EXPECT_EQ(g_bUpdateComplete, 0);
    EXPECT_EQ(ResponseTimerKind(), TimerKind::kFirstAnswer);
    EXPECT_TRUE(LogHas("Completion report of an earlier upgrade dropped"));

    rig.client.PutCommandFile(4);  // "tftpupdt.end"
    rig.loop.RunPending();
    modem.Send(tftp::BuildAck(0));
    rig.loop.RunPending();
    ASSERT_EQ(modem.got.back(), (tftp::Bytes{0, 3, 0, 1, 0x0D, 0x0A}));
    stranger.client_port = modem.client_port;
    stranger.Send(tftp::BuildAck(65535));  // another modem on the segment
    rig.loop.RunPending();
    EXPECT_EQ(g_bUpdateComplete, 1);
    // And the report stands for the marker's own ACK.
    EXPECT_EQ(ResponseTimerKind(), TimerKind::kNone);
}

TEST_F(BroadcastFilter, OnlyTheAwaitedAckMovesTheTransferOn) {
    StartMarkerWrite();
    modem.Send(tftp::BuildAck(1));  // not what a WRQ expects
    rig.loop.RunPending();
    EXPECT_EQ(modem.got.size(), 1u);
    modem.Send(tftp::BuildAck(0));
    rig.loop.RunPending();
    ASSERT_EQ(modem.got.size(), 2u);
    EXPECT_EQ(modem.got[1], (tftp::Bytes{0, 3, 0, 1, 0x0D, 0x0A}));
    EXPECT_EQ(rig.client.expectedOpcode, tftp::ACK);
    EXPECT_EQ(rig.client.expectedBlock, 1);
}

}  // namespace

namespace {

TEST(ClientSettings, RequestsGoToPort69UnlessTheModemPortIsSet) {
    EXPECT_EQ(TftpClient().ModemPort(), 69u);
    EngineRig rig({.modems = 0});
    Peer modem(rig, 0x0A000002, 69);
    g_szModemAddress = "10.0.0.2";
    rig.client.SetModemPort(69);
    rig.client.BeginOperation();
    rig.client.PutCommandFile(1);
    rig.loop.RunPending();
    ASSERT_EQ(modem.got.size(), 1u);
    EXPECT_EQ(modem.got[0], tftp::BuildRequest(tftp::WRQ, "tftplock.key"));
}

TEST(ClientSettings, SocketIsBoundToTheChosenDeviceAndAnUnknownOneIsRefused) {
    EngineRig rig({.modems = 0});
    EXPECT_TRUE(rig.client.SetBindDevice("eth0"));
    EXPECT_FALSE(rig.client.SetBindDevice("nosuch0"));
    TftpClient other;
    other.SetStack(rig.host);
    other.SetBindDevice("nosuch0");
    EXPECT_FALSE(other.CreateClientSocket());
}

}  // namespace
