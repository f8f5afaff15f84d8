// Real UDP sockets on loopback, where they differ from the in-memory network's contract if
// anywhere: a datagram too long for the buffer, and when the handler is called again. (Exchanges,
// --interface and the interface list are the process and segment tests' business.) CTest
// runs this binary inside a network namespace that holds only loopback.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "framework/async_socket.h"
#include "framework/event_loop.h"

namespace fw {
namespace {

constexpr Millis kPatience = 5000;  // generous: loopback answers in microseconds

class Collector : public CAsyncSocket {
public:
    std::vector<std::string> got;
    std::vector<int> errors;

    void OnReceive(int) override {
        char buf[516];
        std::string from;
        unsigned port = 0;
        int n = ReceiveFrom(buf, sizeof buf, from, port);
        if (n == SOCKET_ERROR) {
            errors.push_back(GetLastError());
        } else {
            got.emplace_back(buf, static_cast<std::size_t>(n));
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

TEST_F(RealNetTest, DatagramLongerThanTheBufferIsAFailedReadNotATruncatedOne) {
    Collector server;
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

}  // namespace
}  // namespace fw
