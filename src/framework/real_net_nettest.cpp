// Real UDP sockets on loopback. CTest runs this binary inside a network namespace that
// holds only loopback; every address used here is 127.0.0.1 all the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "framework/async_socket.h"
#include "framework/event_loop.h"
#include "framework/net.h"
#include "framework/resolver.h"

namespace fw {
namespace {

constexpr Millis kPatience = 5000;  // generous: loopback answers in microseconds

class Collector : public CAsyncSocket {
public:
    std::vector<std::string> got;
    std::vector<int> errors;
    std::string last_from;
    unsigned last_port = 0;
    int buffer_size = 516;

    void OnReceive(int) override {
        std::vector<char> buf(static_cast<std::size_t>(buffer_size));
        int n = ReceiveFrom(buf.data(), buffer_size, last_from, last_port);
        if (n == SOCKET_ERROR) {
            errors.push_back(GetLastError());
        } else {
            got.emplace_back(buf.data(), static_cast<std::size_t>(n));
        }
    }
};

class RealNetTest : public ::testing::Test {
protected:
    SteadyClock clock;
    EventLoop loop{clock};
    void SetUp() override { SetMainLoop(&loop); }
    void TearDown() override { SetMainLoop(nullptr); }
};

TEST_F(RealNetTest, LoopbackExchangeCarriesSenderAddressAndPort) {
    Collector server;
    Collector client;
    ASSERT_TRUE(server.Create(0, "127.0.0.1"));
    ASSERT_TRUE(client.Create());
    ASSERT_NE(server.LocalPort(), 0u);

    ASSERT_EQ(client.SendTo("\0\1info\0octet\0", 13, server.LocalPort(), "127.0.0.1"), 13);
    ASSERT_TRUE(loop.RunUntil([&] { return !server.got.empty(); }, kPatience));
    EXPECT_EQ(server.got[0], std::string("\0\1info\0octet\0", 13));
    EXPECT_EQ(server.last_from, "127.0.0.1");
    EXPECT_EQ(server.last_port, client.LocalPort());

    ASSERT_EQ(server.SendTo("\0\4\0\0", 4, server.last_port, "127.0.0.1"), 4);
    ASSERT_TRUE(loop.RunUntil([&] { return !client.got.empty(); }, kPatience));
    EXPECT_EQ(client.got[0], std::string("\0\4\0\0", 4));
    EXPECT_EQ(client.last_port, server.LocalPort());
}

TEST_F(RealNetTest, DatagramLongerThanTheBufferIsAFailedReadNotATruncatedOne) {
    Collector server;
    server.buffer_size = 516;
    CAsyncSocket client;
    ASSERT_TRUE(server.Create(0, "127.0.0.1"));
    ASSERT_TRUE(client.Create());
    std::string big(1024, 'x');
    ASSERT_EQ(client.SendTo(big.data(), 1024, server.LocalPort(), "127.0.0.1"), 1024);
    ASSERT_EQ(client.SendTo("ok", 2, server.LocalPort(), "127.0.0.1"), 2);
    ASSERT_TRUE(loop.RunUntil([&] { return !server.got.empty(); }, kPatience));
    EXPECT_EQ(server.errors, (std::vector<int>{EMSGSIZE}));
    EXPECT_EQ(server.got, (std::vector<std::string>{"ok"}));
}

TEST_F(RealNetTest, BindToDeviceAcceptsLoopbackAndNamesAnUnknownInterface) {
    CAsyncSocket s;
    ASSERT_TRUE(s.Create());
    EXPECT_TRUE(s.BindToDevice("lo"));
    EXPECT_FALSE(s.BindToDevice("nosuch0"));
    EXPECT_EQ(s.GetLastError(), ENODEV);
}

TEST_F(RealNetTest, ClosingInsideOnReceiveStopsNotifications) {
    struct Closer : Collector {
        void OnReceive(int e) override {
            Collector::OnReceive(e);
            Close();
        }
    } server;
    CAsyncSocket client;
    ASSERT_TRUE(server.Create(0, "127.0.0.1"));
    ASSERT_TRUE(client.Create());
    unsigned port = server.LocalPort();
    client.SendTo("a", 1, port, "127.0.0.1");
    client.SendTo("b", 1, port, "127.0.0.1");
    ASSERT_TRUE(loop.RunUntil([&] { return !server.got.empty(); }, kPatience));
    loop.RunFor(50);
    EXPECT_EQ(server.got.size(), 1u);
    EXPECT_FALSE(server.IsOpen());
}

TEST_F(RealNetTest, HandlerThatDoesNotReadIsNotCalledAgainUntilTheSocketIsRead) {
    struct Idle : CAsyncSocket {
        int calls = 0;
        void OnReceive(int) override { ++calls; }
    } server;
    CAsyncSocket client;
    ASSERT_TRUE(server.Create(0, "127.0.0.1"));
    ASSERT_TRUE(client.Create());
    client.SendTo("a", 1, server.LocalPort(), "127.0.0.1");
    ASSERT_TRUE(loop.RunUntil([&] { return server.calls > 0; }, kPatience));
    loop.RunFor(50);  // a level-triggered poll would call the idle handler all along
    EXPECT_EQ(server.calls, 1);
    char buf[8];
    std::string from;
    unsigned port = 0;
    EXPECT_EQ(server.ReceiveFrom(buf, sizeof buf, from, port), 1);
}

TEST(SystemResolverTest, ListsTheLoopbackInterface) {
    auto interfaces = SystemResolver().Interfaces();
    auto lo = std::find_if(interfaces.begin(), interfaces.end(),
                           [](const InterfaceAddress& i) { return i.addr == 0x7F000001; });
    ASSERT_NE(lo, interfaces.end());
    EXPECT_TRUE(lo->loopback);
    EXPECT_TRUE(lo->up);
    EXPECT_FALSE(SystemResolver().HostName().empty());
    auto local = SystemResolver().ResolveHost("127.0.0.1");
    EXPECT_EQ(local, (std::vector<std::uint32_t>{0x7F000001}));
}

}  // namespace
}  // namespace fw
