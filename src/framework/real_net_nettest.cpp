// Real UDP sockets on loopback, where they differ from the in-memory network's contract if
// anywhere: a datagram too long for the buffer, and when the handler is called again, whether
// the loop waits in poll() (several sockets) or in the one socket's read. (Exchanges,
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

// Param: whether the sender stays open (two sockets watched: the loop polls) or is closed once
// it has sent (the receiver alone: the loop waits in its read).
class RealNetTest : public ::testing::TestWithParam<bool> {
protected:
    SteadyClock clock;
    EventLoop loop{clock};
    void SetUp() override { SetMainLoop(&loop); }
    void TearDown() override { SetMainLoop(nullptr); }
    void Sent(CAsyncSocket& client) {
        if (!GetParam()) client.Close();
    }
};

INSTANTIATE_TEST_SUITE_P(Waits, RealNetTest, ::testing::Values(true, false));

TEST_P(RealNetTest, DatagramLongerThanTheBufferIsAFailedReadNotATruncatedOne) {
    Collector server;
    CAsyncSocket client;
    ASSERT_TRUE(server.Create(0, "127.0.0.1"));
    ASSERT_TRUE(client.Create());
    std::string big(1024, 'x');
    ASSERT_EQ(client.SendTo(big.data(), 1024, server.LocalPort(), "127.0.0.1"), 1024);
    ASSERT_EQ(client.SendTo("ok", 2, server.LocalPort(), "127.0.0.1"), 2);
    Sent(client);
    ASSERT_TRUE(loop.RunUntil([&] { return !server.got.empty(); }, kPatience));
    EXPECT_EQ(server.errors, (std::vector<int>{EMSGSIZE}));
    EXPECT_EQ(server.got, (std::vector<std::string>{"ok"}));
}

TEST_P(RealNetTest, HandlerThatDoesNotReadIsNotCalledAgainUntilTheSocketIsRead) {
    struct Idle : CAsyncSocket {
        int calls = 0;
        void OnReceive(int) override { ++calls; }
    } server;
    CAsyncSocket client;
    ASSERT_TRUE(server.Create(0, "127.0.0.1"));
    ASSERT_TRUE(client.Create());
    client.SendTo("ab", 2, server.LocalPort(), "127.0.0.1");
    unsigned client_port = client.LocalPort();
    Sent(client);
    ASSERT_TRUE(loop.RunUntil([&] { return server.calls > 0; }, kPatience));
    loop.RunFor(50);  // a level-triggered poll would call the idle handler all along
    EXPECT_EQ(server.calls, 1);
    char buf[8];
    std::string from;
    unsigned port = 0;
    EXPECT_EQ(server.ReceiveFrom(buf, sizeof buf, from, port), 2);
    EXPECT_EQ(std::string(buf, 2) + " " + from + ":" + std::to_string(port),
              "ab 127.0.0.1:" + std::to_string(client_port));
}

// A wait that ends without a datagram ends no sooner than asked, and a wait already over
// does not block.
TEST_P(RealNetTest, WaitWithoutADatagramLastsItsTime) {
    Collector server;
    CAsyncSocket other;
    ASSERT_TRUE(server.Create(0, "127.0.0.1"));
    ASSERT_TRUE(!GetParam() || other.Create());
    for (Millis wait : {0, 1, 30}) {
        Millis before = loop.Now();
        EXPECT_FALSE(loop.RunOnce(wait));
        EXPECT_GE(loop.Now() - before, wait);
    }
    EXPECT_TRUE(server.got.empty());
}

}  // namespace
}  // namespace fw
