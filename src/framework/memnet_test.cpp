#include "framework/memnet.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "framework/async_socket.h"

namespace fw {
namespace {

constexpr std::uint32_t kHostA = 0x0A000001;  // 10.0.0.1
constexpr std::uint32_t kHostB = 0x0A000002;
constexpr std::uint32_t kHostC = 0x0A000003;

// Records what arrives, reading one datagram per notification as the engines do.
class Receiver : public CAsyncSocket {
public:
    struct Got {
        std::string text;
        std::string from;
        unsigned port;
    };
    std::vector<Got> got;
    std::vector<int> errors;
    int notifications = 0;
    bool close_on_receive = false;

    void OnReceive(int) override {
        ++notifications;
        char buf[64];
        std::string from;
        unsigned port = 0;
        int n = ReceiveFrom(buf, sizeof buf, from, port);
        if (n == SOCKET_ERROR) {
            errors.push_back(GetLastError());
        } else {
            got.push_back({std::string(buf, static_cast<std::size_t>(n)), from, port});
        }
        if (close_on_receive) Close();
    }
};

class MemNetTest : public ::testing::Test {
protected:
    ManualClock clock;
    EventLoop loop{clock};
    InMemoryNetwork net{loop};
    NetStack& a = net.AddHost(kHostA);
    NetStack& b = net.AddHost(kHostB);

    std::unique_ptr<DatagramSocket> Open(NetStack& host, std::uint16_t port, bool reuse = false) {
        int err = -1;
        auto s = host.OpenUdp(&err);
        EXPECT_EQ(err, 0);
        if (reuse) s->SetReuseAddr(true);
        EXPECT_EQ(s->Bind({kAnyAddr, port}), 0);
        return s;
    }

    static void Send(DatagramSocket& s, const std::string& text, Endpoint to) {
        EXPECT_EQ(s.SendTo(text.data(), text.size(), to), static_cast<long>(text.size()));
    }

    static std::string Recv(DatagramSocket& s, Endpoint* from = nullptr) {
        char buf[128];
        long n = s.RecvFrom(buf, sizeof buf, from);
        return n < 0 ? "<" + std::to_string(-n) + ">" : std::string(buf, static_cast<size_t>(n));
    }
};

TEST_F(MemNetTest, PortsAreEphemeralFrom49152AndExclusiveUnlessReused) {
    auto s1 = Open(a, 0);
    auto s2 = Open(a, 0);
    EXPECT_EQ(s1->Local().port, 49152);
    EXPECT_EQ(s2->Local().port, 49153);
    EXPECT_EQ(a.HostAddress(), kHostA);

    auto fixed = Open(a, 69);
    auto clash = a.OpenUdp(nullptr);
    EXPECT_EQ(clash->Bind({kAnyAddr, 69}), EADDRINUSE);
    auto other_host = Open(b, 69);  // another host's port 69 is free

    auto r1 = Open(a, 7000, true);
    auto r2 = Open(a, 7000, true);
    EXPECT_EQ(r2->Local().port, 7000);
    auto foreign = a.OpenUdp(nullptr);
    EXPECT_EQ(foreign->Bind({kHostB, 0}), EADDRNOTAVAIL);

    fixed.reset();  // a closed socket frees its port
    EXPECT_EQ(clash->Bind({kAnyAddr, 69}), 0);
}

TEST_F(MemNetTest, UnicastArrivesWithTheSendersAddressAndPortWhenTheClockRuns) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    Send(*client, "hello", {kHostB, 69});
    EXPECT_EQ(Recv(*server), "<" + std::to_string(EAGAIN) + ">");  // not before the loop runs
    loop.RunPending();
    Endpoint from;
    EXPECT_EQ(Recv(*server, &from), "hello");
    EXPECT_EQ(from, (Endpoint{kHostA, client->Local().port}));

    ASSERT_EQ(net.Trace().size(), 1u);
    EXPECT_EQ(net.Trace()[0].to, (Endpoint{kHostB, 69}));
    net.ClearTrace();
    EXPECT_TRUE(net.Trace().empty());

    // Nobody listens on port 70: the datagram is lost without an error, as UDP does.
    Send(*client, "void", {kHostB, 70});
    Send(*client, "void", {0x0A0000FF, 69});
    loop.RunPending();
    EXPECT_EQ(net.Trace().size(), 2u);
}

TEST_F(MemNetTest, LoopbackStaysOnTheSendersHost) {
    auto local = Open(a, 6969);
    auto remote = Open(b, 6969);
    auto client = Open(a, 0);
    Send(*client, "ping", {0x7F000001, 6969});
    loop.RunPending();
    Endpoint from;
    EXPECT_EQ(Recv(*local, &from), "ping");
    EXPECT_EQ(from.addr, 0x7F000001u);
    EXPECT_EQ(Recv(*remote), "<" + std::to_string(EAGAIN) + ">");
}

TEST_F(MemNetTest, BroadcastReachesEveryHostOnThatPortTheSendersOwnIncluded) {
    NetStack& c = net.AddHost(kHostC);
    auto on_a = Open(a, 69);
    auto on_b = Open(b, 69);
    auto on_c = Open(c, 69);
    auto wrong_port = Open(c, 70);
    auto sender = Open(a, 0);
    EXPECT_EQ(sender->SendTo("x", 1, {kBroadcastAddr, 69}), -EACCES);  // SO_BROADCAST first

    sender->SetBroadcast(true);
    Send(*sender, "all", {kBroadcastAddr, 69});
    loop.RunPending();
    for (auto* s : {on_a.get(), on_b.get(), on_c.get()}) {
        Endpoint from;
        EXPECT_EQ(Recv(*s, &from), "all");
        EXPECT_EQ(from, (Endpoint{kHostA, sender->Local().port}));
    }
    EXPECT_EQ(Recv(*wrong_port), "<" + std::to_string(EAGAIN) + ">");
    EXPECT_EQ(net.Trace().back().to.addr, kBroadcastAddr);
}

TEST_F(MemNetTest, OversizeDatagramIsAFailedReadThatConsumesIt) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    std::string big(600, 'x');
    Send(*client, big, {kHostB, 69});
    Send(*client, "next", {kHostB, 69});
    loop.RunPending();
    char buf[516];
    EXPECT_EQ(server->RecvFrom(buf, sizeof buf, nullptr), -EMSGSIZE);
    EXPECT_EQ(Recv(*server), "next");
    EXPECT_EQ(client->SendTo(big.data(), 70000, {kHostB, 69}), -EMSGSIZE);
}

TEST_F(MemNetTest, SeededLossAndDuplicationAreRepeatableAndRoughlyTheirShare) {
    auto count_arrivals = [&](const LinkFaults& faults) {
        InMemoryNetwork lossy(loop);
        auto server = lossy.AddHost(kHostB).OpenUdp(nullptr);
        server->Bind({kAnyAddr, 69});
        auto client = lossy.AddHost(kHostA).OpenUdp(nullptr);
        lossy.SetFaults(faults);
        for (int i = 0; i < 1000; ++i) client->SendTo("d", 1, {kHostB, 69});
        loop.RunFor(faults.delay + faults.reorder_delay + 1);
        int arrived = 0;
        char buf[4];
        while (arrived < 5000 && server->RecvFrom(buf, sizeof buf, nullptr) == 1) ++arrived;
        EXPECT_EQ(lossy.Trace().size(), 1000u);  // the trace holds what was sent
        return arrived;
    };
    LinkFaults loss;
    loss.loss_percent = 30;
    loss.seed = 7;
    int lossy_count = count_arrivals(loss);
    EXPECT_EQ(count_arrivals(loss), lossy_count);
    EXPECT_GT(lossy_count, 620);
    EXPECT_LT(lossy_count, 780);

    LinkFaults dup;
    dup.duplicate_percent = 20;
    int dup_count = count_arrivals(dup);
    EXPECT_GT(dup_count, 1130);
    EXPECT_LT(dup_count, 1270);
}

TEST_F(MemNetTest, DelayAndReorderAreDrivenByTheLoopClock) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    LinkFaults faults;
    faults.delay = 40;
    net.SetFaults(faults);
    Send(*client, "slow", {kHostB, 69});
    loop.RunFor(39);
    EXPECT_EQ(Recv(*server), "<" + std::to_string(EAGAIN) + ">");
    loop.RunFor(1);
    EXPECT_EQ(Recv(*server), "slow");

    faults.delay = 0;
    faults.reorder_percent = 100;
    faults.reorder_delay = 5;
    net.SetFaults(faults);
    Send(*client, "first", {kHostB, 69});
    net.SetFaults(LinkFaults{});
    Send(*client, "second", {kHostB, 69});
    loop.RunFor(10);
    EXPECT_EQ(Recv(*server), "second");
    EXPECT_EQ(Recv(*server), "first");
}

TEST_F(MemNetTest, FilterPicksDatagramsBeforeRandomFaults) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    net.SetFilter([](const Datagram& d) {
        if (d.bytes == std::vector<std::uint8_t>{'2'}) return Verdict::kDrop;
        if (d.bytes == std::vector<std::uint8_t>{'3'}) return Verdict::kDuplicate;
        return Verdict::kDeliver;
    });
    for (const char* text : {"1", "2", "3"}) Send(*client, text, {kHostB, 69});
    loop.RunPending();
    EXPECT_EQ(Recv(*server), "1");
    EXPECT_EQ(Recv(*server), "3");
    EXPECT_EQ(Recv(*server), "3");
    EXPECT_EQ(Recv(*server), "<" + std::to_string(EAGAIN) + ">");

    LinkFaults all_lost;
    all_lost.loss_percent = 100;
    net.SetFaults(all_lost);
    Send(*client, "3", {kHostB, 69});  // the filter's duplicate wins over the loss
    Send(*client, "1", {kHostB, 69});  // left to the random loss
    loop.RunPending();
    EXPECT_EQ(Recv(*server), "3");
    EXPECT_EQ(Recv(*server), "3");
    EXPECT_EQ(Recv(*server), "<" + std::to_string(EAGAIN) + ">");
}

// The shaper decides each datagram's copies: none, one held back, or two apart; a copy
// whose condition no longer holds when it is due is lost then.
TEST_F(MemNetTest, ShaperSetsTheCopiesAndTheirDelaysAndACopyCanBeWithdrawn) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    bool still = true;
    net.SetShaper([&](const Datagram& d) -> std::vector<Delivery> {
        switch (d.bytes[0]) {
            case 'L': return {};
            case 'D': return {{0, {}}, {30, {}}};
            case 'W': return {{20, [&] { return still; }}};
            default: return {{10, {}}};
        }
    });
    for (const char* text : {"L", "D", "W", "s"}) Send(*client, text, {kHostB, 69});
    loop.RunFor(15);
    still = false;
    loop.RunFor(30);
    EXPECT_EQ(Recv(*server), "D");
    EXPECT_EQ(Recv(*server), "s");
    EXPECT_EQ(Recv(*server), "D");
    EXPECT_EQ(Recv(*server), "<" + std::to_string(EAGAIN) + ">");
    EXPECT_EQ(net.Trace().size(), 4u);  // the trace has what was sent, lost or not
}

TEST_F(MemNetTest, AsyncSocketIsNotifiedAgainWhileDatagramsWait) {
    Receiver server;
    server.SetStack(&b);
    ASSERT_TRUE(server.Create(69));
    CAsyncSocket client;
    client.SetStack(&a);
    ASSERT_TRUE(client.Create());
    for (std::string text : {"one", "two", "three"}) {
        int len = static_cast<int>(text.size());
        EXPECT_EQ(client.SendTo(text.data(), len, 69, "10.0.0.2"), len);
    }
    loop.RunPending();
    ASSERT_EQ(server.got.size(), 3u);
    EXPECT_EQ(server.got[2].text, "three");
    EXPECT_EQ(server.got[0].from, "10.0.0.1");
    EXPECT_EQ(server.got[0].port, client.LocalPort());
    EXPECT_EQ(server.notifications, 3);
}

TEST_F(MemNetTest, HandlerThatDoesNotReadIsNotCalledAgainUntilTheSocketIsRead) {
    auto server = Open(b, 69);
    int calls = 0;
    server->SetReadableCallback([&] { ++calls; });
    auto client = Open(a, 0);
    Send(*client, "1", {kHostB, 69});
    Send(*client, "2", {kHostB, 69});
    loop.RunPending();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Recv(*server), "1");  // reading re-arms: what is left is announced again
    loop.RunPending();
    EXPECT_EQ(calls, 2);
}

TEST_F(MemNetTest, AsyncSocketClosedInsideOnReceiveGetsNoFurtherNotifications) {
    Receiver server;
    server.SetStack(&b);
    ASSERT_TRUE(server.Create(69));
    server.close_on_receive = true;
    auto client = Open(a, 0);
    Send(*client, "a", {kHostB, 69});
    Send(*client, "b", {kHostB, 69});
    loop.RunPending();
    EXPECT_EQ(server.notifications, 1);
    EXPECT_FALSE(server.IsOpen());
    EXPECT_EQ(server.LocalPort(), 0u);
}

TEST_F(MemNetTest, AsyncSocketReportsFailuresAsValuesWithTheLastError) {
    Receiver s;
    s.SetStack(&a);
    EXPECT_EQ(s.SendTo("x", 1, 69, "10.0.0.2"), SOCKET_ERROR);  // not created yet
    EXPECT_EQ(s.GetLastError(), ENOTSOCK);
    EXPECT_FALSE(s.Create(69, "not-an-address"));
    ASSERT_TRUE(s.Create(69, "10.0.0.1"));
    EXPECT_EQ(s.SendTo("x", 1, 69, "modem.local"), SOCKET_ERROR);  // no name lookups
    EXPECT_EQ(s.GetLastError(), EINVAL);
    EXPECT_FALSE(s.BindToDevice("nosuch0"));
    EXPECT_EQ(s.GetLastError(), ENODEV);

    Receiver twin;
    twin.SetStack(&a);
    EXPECT_FALSE(twin.Create(69));
    EXPECT_EQ(twin.GetLastError(), EADDRINUSE);

    // The receivers read into 64 bytes: a longer datagram is a failed read.
    std::string big(100, 'b');
    ASSERT_TRUE(s.SetSockOpt(SO_BROADCAST_OPT, 1));
    EXPECT_EQ(s.SendTo(big.data(), 100, 69, "255.255.255.255"), 100);
    loop.RunPending();
    EXPECT_EQ(s.errors, (std::vector<int>{EMSGSIZE}));  // its own host hears it too
}

TEST_F(MemNetTest, SocketsOutlivingTheNetworkStaySafe) {
    auto orphan = std::make_unique<InMemoryNetwork>(loop);
    auto s = orphan->AddHost(kHostC).OpenUdp(nullptr);
    ASSERT_EQ(s->Bind({kAnyAddr, 69}), 0);
    s->SetReadableCallback([] {});
    s->SendTo("x", 1, {kHostC, 69});
    orphan.reset();
    loop.RunPending();
    s.reset();
}

}  // namespace
}  // namespace fw
