#include "framework/memnet.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "framework/async_socket.h"

namespace fw {
namespace {

// Simulated hosts: every socket here is on the in-memory network, nothing reaches the system.
// CTest still runs this binary inside a network namespace that holds only loopback, so that a
// socket left on the real stack by mistake could reach no other host either.
constexpr std::uint32_t kHostA = 0x0A000001;  // 10.0.0.1
constexpr std::uint32_t kHostB = 0x0A000002;
const std::string kNothing = "<" + std::to_string(EAGAIN) + ">";

// Reads one datagram per notification, as the engines do.
class Receiver : public CAsyncSocket {
public:
    std::vector<std::string> got;  // text, or "!errno" for a failed read
    bool close_on_receive = false;
    void OnReceive(int) override {
        char buf[64];
        std::string from;
        unsigned port = 0;
        int n = ReceiveFrom(buf, sizeof buf, from, port);
        got.push_back(n == SOCKET_ERROR ? "!" + std::to_string(GetLastError())
                                        : std::string(buf, static_cast<std::size_t>(n)));
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
        auto s = host.OpenUdp(nullptr);
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
    EXPECT_EQ(s1->Local().port, 49152);
    auto fixed = Open(a, 69);
    auto clash = a.OpenUdp(nullptr);
    EXPECT_EQ(clash->Bind({kAnyAddr, 69}), EADDRINUSE);
    auto other_host = Open(b, 69);
    auto r1 = Open(a, 7000, true);
    auto r2 = Open(a, 7000, true);
    EXPECT_EQ(a.OpenUdp(nullptr)->Bind({kHostB, 0}), EADDRNOTAVAIL);
    fixed.reset();  // a closed socket frees its port
    EXPECT_EQ(clash->Bind({kAnyAddr, 69}), 0);
}

// (Who hears what, from whom: every engine test on this network; loopback on one host: the
// terminal UI's window tests; broadcast to another host: the upgrade page's broadcast test.)
TEST_F(MemNetTest, OversizeDatagramIsAFailedReadThatConsumesIt) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    Send(*client, std::string(600, 'x'), {kHostB, 69});
    Send(*client, "next", {kHostB, 69});
    loop.RunPending();
    char buf[516];
    EXPECT_EQ(server->RecvFrom(buf, sizeof buf, nullptr), -EMSGSIZE);
    EXPECT_EQ(Recv(*server), "next");
    EXPECT_EQ(client->SendTo(buf, 70000, {kHostB, 69}), -EMSGSIZE);
}

TEST_F(MemNetTest, DelayIsDrivenByTheLoopClock) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    net.SetFaults({.delay = 40});
    Send(*client, "slow", {kHostB, 69});
    loop.RunFor(39);
    EXPECT_EQ(Recv(*server), kNothing);
    loop.RunFor(1);
    EXPECT_EQ(Recv(*server), "slow");
}

// The filter drops or repeats a datagram; the shaper sets each copy's delay (so that later
// ones overtake) and may withdraw a copy whose condition no longer holds when it is due.
TEST_F(MemNetTest, FilterAndShaperDecideEachDatagramsCopies) {
    auto server = Open(b, 69);
    auto client = Open(a, 0);
    net.SetFilter([](const Datagram& d) {
        return d.bytes[0] == '2' ? Verdict::kDrop
               : d.bytes[0] == '3' ? Verdict::kDuplicate : Verdict::kDeliver;
    });
    for (const char* text : {"1", "2", "3"}) Send(*client, text, {kHostB, 69});
    loop.RunPending();
    for (const char* want : {"1", "3", "3"}) EXPECT_EQ(Recv(*server), want);
    EXPECT_EQ(Recv(*server), kNothing);

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
    for (const char* want : {"D", "s", "D"}) EXPECT_EQ(Recv(*server), want);
    EXPECT_EQ(Recv(*server), kNothing);
}

TEST_F(MemNetTest, AsyncSocketHearsOneNotificationPerWaitingDatagramUntilClosed) {
    Receiver server;
    server.SetStack(&b);
    ASSERT_TRUE(server.Create(69));
    CAsyncSocket client;
    client.SetStack(&a);
    ASSERT_TRUE(client.Create());
    for (std::string text : {"one", "two", "three"})
        client.SendTo(text.data(), static_cast<int>(text.size()), 69, "10.0.0.2");
    loop.RunPending();
    EXPECT_EQ(server.got, (std::vector<std::string>{"one", "two", "three"}));

    server.close_on_receive = true;
    client.SendTo("a", 1, 69, "10.0.0.2");
    client.SendTo("b", 1, 69, "10.0.0.2");
    loop.RunPending();
    EXPECT_EQ(server.got.size(), 4u) << "no notification after Close inside OnReceive";
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
    // Broadcasts want SO_BROADCAST first (refused here: nothing goes out). The receivers
    // read into 64 bytes: a longer datagram, here to the socket's own address, is a failed
    // read.
    std::string big(100, 'b');
    EXPECT_EQ(s.SendTo(big.data(), 100, 69, "255.255.255.255"), SOCKET_ERROR);
    EXPECT_EQ(s.GetLastError(), EACCES);
    EXPECT_EQ(s.SendTo(big.data(), 100, 69, "10.0.0.1"), 100);
    loop.RunPending();
    EXPECT_EQ(s.got, (std::vector<std::string>{"!" + std::to_string(EMSGSIZE)}));
}

TEST_F(MemNetTest, SocketsOutlivingTheNetworkStaySafe) {
    auto orphan = std::make_unique<InMemoryNetwork>(loop);
    auto s = orphan->AddHost(0x0A000003).OpenUdp(nullptr);
    ASSERT_EQ(s->Bind({kAnyAddr, 69}), 0);
    s->SetReadableCallback([] {});
    s->SendTo("x", 1, {0x0A000003, 69});
    orphan.reset();
    loop.RunPending();
}

}  // namespace
}  // namespace fw
