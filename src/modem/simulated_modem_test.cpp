// The modem's service as a host meets it, on the in-memory segment (the host at 10.0.0.1, a
// modem at 10.0.0.2) and the manual clock, spoken to by a plain lock-step client: the key,
// the update bracket, repeats and losses, and the fault injector's counts. The files it
// serves and takes, its options and its firmware: the engine, chaos and process tests that
// run it (the commands, failures and json tests); several modems on one broadcast: the engine and
// segment tests. Every wait is bounded in loop time.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/async_socket.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "modem/fault_injector.h"
#include "modem/simulated_modem.h"
#include "tftp/packet.h"

namespace modem::testing {
namespace {

constexpr std::uint32_t kHostAddr = 0x0A000001;   // 10.0.0.1
constexpr std::uint32_t kModemAddr = 0x0A000002;  // 10.0.0.2
constexpr std::uint16_t kModemPort = 6969;
const std::string kPassword = "secret";
const std::string kInfoText = "Sperrow Sim;2024/05/17;HW 1.2/FW 3.0.8";

tftp::Bytes BytesOf(const std::string& text) { return tftp::Bytes(text.begin(), text.end()); }

tftp::Bytes Pattern(std::size_t n) {
    tftp::Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((i * 31 + 7) & 0xFF);
    return out;
}

struct Got {
    tftp::Bytes bytes;
    fw::Endpoint from;
    std::uint16_t opcode() const { return tftp::ParseHeader(bytes.data(), bytes.size()).opcode; }
    std::uint16_t field() const { return tftp::ParseHeader(bytes.data(), bytes.size()).field; }
    std::string text() const { return tftp::TrailingText(bytes.data(), bytes.size()); }
};

class TestPeer : public fw::CAsyncSocket {
public:
    explicit TestPeer(fw::NetStack& stack) {
        SetStack(&stack);
        Create(0);
    }
    void Send(const tftp::Bytes& datagram, fw::Endpoint to) {
        SendTo(datagram.data(), static_cast<int>(datagram.size()), to.port, fw::FormatIp(to.addr).c_str());
    }
    // The next datagram, waiting at most `timeout` ms of loop time.
    std::optional<Got> Next(fw::Millis timeout = 3000) {
        fw::MainLoop().RunUntil([this] { return !inbox.empty(); }, timeout);
        if (inbox.empty()) return std::nullopt;
        Got g = std::move(inbox.front());
        inbox.pop_front();
        return g;
    }
    void OnReceive(int) override {
        std::uint8_t buf[tftp::kReceiveBuffer];
        std::string addr;
        unsigned port = 0;
        int n = ReceiveFrom(buf, sizeof buf, addr, port);
        if (n >= 0)
            inbox.push_back({tftp::Bytes(buf, buf + n), {fw::ParseIp(addr).value_or(0), static_cast<std::uint16_t>(port)}});
    }
    std::deque<Got> inbox;
};

struct Outcome {
    bool done = false;
    std::string error;      // text of an ERROR answer
    tftp::Bytes bytes;      // what a read returned
    fw::Endpoint answered_from;
};

// A plain client's write of `content` (WRQ, then every block once, each waiting for its ACK)
// or, without content, read (RRQ, then an ACK for every block to the answering port).
Outcome Transfer(TestPeer& peer, fw::Endpoint modem, const std::string& name,
                 std::optional<tftp::Bytes> content = std::nullopt) {
    Outcome out;
    peer.Send(tftp::BuildRequest(content ? tftp::WRQ : tftp::RRQ, name), modem);
    const std::size_t blocks = content ? content->size() / tftp::kBlockSize + 1 : 0;
    std::uint16_t block = content ? 0 : 1;  // the ACK, or the DATA, awaited
    for (int guard = 0; guard < 200000; ++guard) {
        auto got = peer.Next();
        if (!got) return out;
        if (got->opcode() == tftp::ERROR) {
            out.error = got->text();
            return out;
        }
        if (got->opcode() != (content ? tftp::ACK : tftp::DATA)) continue;
        if (out.answered_from.port == 0) out.answered_from = got->from;
        if (!content) {
            if (got->field() == block) {
                out.bytes.insert(out.bytes.end(), got->bytes.begin() + 4, got->bytes.end());
                ++block;
            }
            peer.Send(tftp::BuildAck(got->field()), got->from);
            out.done = got->bytes.size() < 4 + tftp::kBlockSize && got->field() == block - 1;
        } else if (got->field() == block) {
            out.done = block == blocks;
            std::size_t offset = block++ * tftp::kBlockSize;
            if (!out.done)
                peer.Send(tftp::BuildData(block, content->data() + offset,
                                          std::min(tftp::kBlockSize, content->size() - offset)),
                          got->from);
        }
        if (out.done) return out;
    }
    return out;
}

class ModemTest : public ::testing::Test {
protected:
    ModemTest() {
        fw::SetMainLoop(&loop);
        char tmpl[] = "/tmp/sperrow-modem-test-XXXXXX";
        dir = mkdtemp(tmpl);
        data_dir = dir + "/data";
        std::filesystem::create_directories(data_dir);
        std::ofstream(data_dir + "/info") << kInfoText;
        tftp::Bytes conf = Pattern(731);
        std::ofstream(data_dir + "/dhcpd.conf").write(reinterpret_cast<const char*>(conf.data()), 731);
    }
    ~ModemTest() override {
        modems.clear();
        fw::SetMainLoop(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    ModemConfig Config() const {
        return {.listen_addr = kModemAddr, .listen_port = kModemPort, .data_dir = data_dir, .password = kPassword};
    }
    SimulatedModem& StartModem(ModemConfig config) {
        modems.push_back(std::make_unique<SimulatedModem>(net.AddHost(kModemAddr), config));
        EXPECT_TRUE(modems.back()->Start());
        return *modems.back();
    }
    SimulatedModem& StartModem() { return StartModem(Config()); }
    fw::Endpoint ModemAt() const { return {kModemAddr, kModemPort}; }
    Outcome Unlock(TestPeer& peer) { return Transfer(peer, ModemAt(), "tftplock.key", BytesOf(kPassword + "\r\n")); }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& host = net.AddHost(kHostAddr);
    std::string dir;
    std::string data_dir;
    std::vector<std::unique_ptr<SimulatedModem>> modems;
};

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
        EXPECT_EQ(Transfer(peer, ModemAt(), name, BytesOf("\r\n")).error, kLocked);
    EXPECT_EQ(Transfer(peer, ModemAt(), "info").error, kLocked);
    EXPECT_TRUE(Transfer(peer, ModemAt(), "RequestID", BytesOf(kPassword + "\r\n")).done);
    ASSERT_EQ(modem.Received().size(), 1u);  // refused writes leave nothing behind
    EXPECT_FALSE(modem.IsUnlocked(kHostAddr));
    EXPECT_EQ(Transfer(peer, ModemAt(), "tftplock.key", BytesOf("guess\r\n")).error,
              "Wrong password");
    EXPECT_TRUE(Transfer(peer, ModemAt(), "tftplock.key", BytesOf(kPassword)).done)
        << "a key without its line end, as typed into a file by hand, is the same key";
}

// The key opens the modem to its sender only, until a minute of silence from that host.
TEST_F(ModemKeyTest, KeyOpensTheModemToItsSenderUntilAMinuteOfSilence) {
    SimulatedModem& modem = StartModem();
    TestPeer peer(host);
    TestPeer other(net.AddHost(0x0A000009));
    Outcome key = Unlock(peer);
    ASSERT_TRUE(key.done);
    EXPECT_EQ(Transfer(other, ModemAt(), "info").error, kLocked);
    Outcome read = Transfer(peer, ModemAt(), "info");
    EXPECT_EQ(read.bytes, BytesOf(kInfoText));
    EXPECT_NE(read.answered_from.port, kModemPort);  // a fresh port per transfer
    EXPECT_NE(read.answered_from.port, key.answered_from.port);
    loop.RunFor(59000);
    EXPECT_TRUE(Transfer(peer, ModemAt(), "info").done);  // heard again: the minute restarts
    loop.RunFor(60000);
    EXPECT_FALSE(modem.IsUnlocked(kHostAddr));
    EXPECT_EQ(Transfer(peer, ModemAt(), "info").error, kLocked);
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
    ASSERT_TRUE(Transfer(peer, ModemAt(), "tftpupdt.beg", BytesOf("\r\n")).done);
    EXPECT_EQ(Transfer(peer, ModemAt(), "tftpupdt.beg", BytesOf("\r\n")).error,
              "Server already in update mode");
    for (const char* name : {"image", "tftpupdt.rbt", "tftpupdt.end"})
        ASSERT_TRUE(Transfer(peer, ModemAt(), name, Pattern(700)).done) << name;
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
    EXPECT_EQ(Transfer(peer, ModemAt(), "dhcpd.conf").bytes, Pattern(731));
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
