// The server on the in-memory network and a manual clock: exact datagrams, time-outs,
// strangers, refused names and writes that must never destroy a file.
#include "tftp/tftp_server.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "testing/test_host_server.h"
#include "tftp/host_hooks.h"

namespace {

namespace fs = std::filesystem;
using tftp::Bytes;
using testhost::Host;

constexpr std::uint32_t kServerAddr = 0x7F00000A;  // 127.0.0.10
constexpr std::uint32_t kClientAddr = 0x7F000014;  // 127.0.0.20
constexpr std::uint32_t kOtherAddr = 0x7F00001E;   // 127.0.0.30
constexpr std::uint16_t kPort = 69;

// A TFTP client's socket that keeps whatever reaches it. Client and server share one
// in-memory host and talk over its loopback, each on an address of its own.
class Peer {
public:
    Peer(fw::NetStack& stack, std::uint32_t addr, std::uint16_t port) {
        int err = 0;
        socket_ = stack.OpenUdp(&err);
        socket_->Bind({addr, port});
        socket_->SetReadableCallback([this] { Drain(); });
    }
    void Send(const Bytes& b) { socket_->SendTo(b.data(), b.size(), {kServerAddr, kPort}); }
    std::vector<Bytes> got;

private:
    void Drain() {
        std::uint8_t buf[2048];
        fw::Endpoint from;
        for (int i = 0; i < 64; ++i) {
            long n = socket_->RecvFrom(buf, sizeof buf, &from);
            if (n < 0) return;
            got.emplace_back(buf, buf + n);
        }
    }
    std::unique_ptr<fw::DatagramSocket> socket_;
};

Bytes Pattern(std::size_t n, int seed = 1) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return b;
}
Bytes Rrq(const char* name) { return tftp::BuildRequest(tftp::RRQ, name); }
Bytes Wrq(const char* name) { return tftp::BuildRequest(tftp::WRQ, name); }
Bytes Ack(std::uint16_t n) { return tftp::BuildAck(n); }
Bytes Data(std::uint16_t n, const Bytes& content) {
    return tftp::BuildData(n, content.data(), content.size());
}
// Block `block` of a file as the server must send it.
Bytes DataOf(std::uint16_t block, const Bytes& all) {
    std::size_t from = (block - 1u) * 512u, to = std::min(all.size(), from + 512u);
    return tftp::BuildData(block, all.data() + from, to - from);
}
// Opcode and block of a datagram, e.g. {3, 2} for DATA 2.
std::pair<int, int> Kind(const Bytes& b) { return {b[0] << 8 | b[1], b[2] << 8 | b[3]}; }
std::pair<int, int> AckKind(int n) { return {4, n}; }

class ServerTest : public ::testing::Test {
protected:
    ServerTest() {
        fw::SetMainLoop(&loop);
        testhost::ResetHost();
        parent = fs::temp_directory_path() / ("sperrow-server-" + std::to_string(::getpid()));
        fs::remove_all(parent);
        fs::create_directories(parent / "root");
        root = (parent / "root").string();
        Host().server_root = root;
        testhost::SetServerUnderTest(&server);
        AttachServerTimer(&server);
        server.SetStack(&stack);
        EXPECT_TRUE(server.CreateServerSocket(kPort));
    }
    ~ServerTest() override {
        AttachServerTimer(nullptr);
        testhost::SetServerUnderTest(nullptr);
        server.Close();
        fw::SetMainLoop(nullptr);  // the loop dies with the fixture
        fs::remove_all(parent);
    }

    void Put(const std::string& name, const Bytes& b) {
        std::ofstream(fs::path(root) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    Bytes Get(const std::string& name) {
        std::ifstream in(fs::path(root) / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> RootEntries() {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(root)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool Logged(const std::string& line) {
        return std::find(Host().log.begin(), Host().log.end(), line) != Host().log.end();
    }
    // Sends and lets everything that follows at once happen; returns what came back.
    std::vector<Bytes> Exchange(Peer& peer, const Bytes& bytes) {
        peer.got.clear();
        peer.Send(bytes);
        loop.RunPending();
        return peer.got;
    }
    std::vector<Bytes> After(Peer& peer, fw::Millis ms) {
        peer.got.clear();
        loop.RunFor(ms);
        return peer.got;
    }
    // A write from `peer` left half done: its request and a first full block.
    void StartWrite(Peer& peer, const char* name, const Bytes& content) {
        Host().server_write_enabled = true;
        ASSERT_EQ(Kind(Exchange(peer, Wrq(name)).at(0)), AckKind(0));
        ASSERT_EQ(Kind(Exchange(peer, DataOf(1, content)).at(0)), AckKind(1));
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& stack = net.AddHost(kServerAddr);
    TftpServer server;
    Peer client{stack, kClientAddr, 40000};
    fs::path parent;
    std::string root;
};

TEST_F(ServerTest, ReadOf1024BytesGoesAs512And512And0ThenCompletes) {
    Bytes file = Pattern(1024);
    Put("image.bin", file);
    auto got = Exchange(client, Rrq("image.bin"));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], DataOf(1, file));
    EXPECT_EQ(Host().log.at(0), "Remote IP : Port = 127.0.0.20:40000 Read Request Block=26989\n");
    EXPECT_EQ(Host().log.at(1), root + "/image.bin");
    EXPECT_EQ(Host().activity_text, "Read:image.bin\nIP: 127.0.0.20");
    EXPECT_EQ(Host().activity_icon, 135);
    EXPECT_EQ(Host().progress_upper, 4);
    EXPECT_EQ(Host().progress_pos, 2);

    EXPECT_EQ(Exchange(client, Ack(1)), std::vector<Bytes>{DataOf(2, file)});
    EXPECT_EQ(Exchange(client, Ack(2)), std::vector<Bytes>{Data(3, {})});
    EXPECT_TRUE(Exchange(client, Ack(3)).empty());
    EXPECT_TRUE(Logged("Transmit Complete !!! \n"));
    EXPECT_EQ(Host().activity_text, "IP: 127.0.0.20 \nFinished.");
    EXPECT_EQ(Host().activity_icon, 134);
    EXPECT_EQ(Host().progress_pos, 4);
    EXPECT_FALSE(IsServerTimerRunning());
}

TEST_F(ServerTest, EmptyFileIsOneEmptyBlockAndLongNamesAreShownCut) {
    Put("a-name-of-25-characters.x", {});
    EXPECT_EQ(Exchange(client, Rrq("a-name-of-25-characters.x")), std::vector<Bytes>{Data(1, {})});
    EXPECT_EQ(Host().activity_text, "Read:a-name-of-25-charact\nIP: 127.0.0.20");
    Exchange(client, Ack(1));
    EXPECT_TRUE(Logged("Transmit Complete !!! \n"));
}

TEST_F(ServerTest, TimerResendsUntilTheTransferBudgetIsSpent) {
    Host().retry_text = "1";
    Bytes file = Pattern(1500);
    Put("f", file);
    Exchange(client, Rrq("f"));
    EXPECT_TRUE(After(client, 10000).empty()) << "the first block is not guarded";

    EXPECT_EQ(Exchange(client, Ack(1)), std::vector<Bytes>{DataOf(2, file)});
    EXPECT_EQ(After(client, 3500), std::vector<Bytes>{DataOf(2, file)});
    EXPECT_TRUE(After(client, 10000).empty()) << "a resend that went out arms nothing";

    // The client repeats its ACK: the server goes back, and the budget is not refilled.
    EXPECT_EQ(Exchange(client, Ack(1)), std::vector<Bytes>{DataOf(2, file)});
    EXPECT_TRUE(Logged("TftpServer : ACK number less than current number !\n"));
    EXPECT_TRUE(After(client, 3500).empty());
    EXPECT_EQ(Host().activity_text, "Retry Fail.");
    EXPECT_EQ(Host().progress_upper, 2);

    // Given up, but a late ACK of the same peer still continues the read.
    EXPECT_EQ(Exchange(client, Ack(2)), std::vector<Bytes>{DataOf(3, file)});
}

TEST_F(ServerTest, AckZeroEndsTheRead) {
    Put("f", Pattern(2000));
    Exchange(client, Rrq("f"));
    EXPECT_TRUE(Exchange(client, Ack(0)).empty());
    EXPECT_TRUE(Logged("TftpServer : ACK number FAIL !\n"));
    EXPECT_EQ(Host().activity_text, "IP: 127.0.0.20 \nFinished.");
    EXPECT_EQ(server.CurrentBlock(), 0);
}

TEST_F(ServerTest, WriteSurvivesLostAcksAndRepeatedBlocks) {
    Host().server_write_enabled = true;
    Bytes file = Pattern(700, 3);
    EXPECT_EQ(Exchange(client, Wrq("up.bin")), std::vector<Bytes>{Ack(0)});
    EXPECT_EQ(Host().activity_text, "Write: up.bin\nIP: 127.0.0.20");
    EXPECT_EQ(After(client, 3500), std::vector<Bytes>{Ack(0)}) << "lost ACK 0 resent by the timer";

    EXPECT_EQ(Exchange(client, DataOf(1, file)), std::vector<Bytes>{Ack(1)});
    EXPECT_EQ(Exchange(client, DataOf(1, file)), std::vector<Bytes>{Ack(1)});
    EXPECT_FALSE(fs::exists(fs::path(root) / "up.bin")) << "no target before the last block";
    EXPECT_EQ(Exchange(client, DataOf(2, file)), std::vector<Bytes>{Ack(2)});
    EXPECT_EQ(Get("up.bin"), file);
    EXPECT_EQ(Exchange(client, DataOf(2, file)), std::vector<Bytes>{Ack(2)}) << "final ACK lost";
    EXPECT_FALSE(Logged("TftpServer : OnData() Fail !\n"));
    EXPECT_EQ(RootEntries(), std::vector<std::string>{"up.bin"});
}

TEST_F(ServerTest, StrangersCannotTakeOverATransfer) {
    Bytes file = Pattern(600, 5);
    StartWrite(client, "w", file);
    Peer otherHost{stack, kOtherAddr, 40000};
    Peer otherPort{stack, kClientAddr, 40001};
    for (Peer* stranger : {&otherHost, &otherPort}) {
        auto got = Exchange(*stranger, Data(2, Pattern(10, 9)));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(Kind(got[0]), std::make_pair(5, 5)) << "ERROR 5, unknown transfer";
        EXPECT_TRUE(Exchange(*stranger, tftp::BuildError(0, "x")).empty());
        EXPECT_TRUE(IsServerTimerRunning());
    }
    EXPECT_TRUE(Logged("TftpServer : Unknown Transfer ID !\n"));
    EXPECT_EQ(Exchange(client, DataOf(2, file)), std::vector<Bytes>{Ack(2)});
    EXPECT_EQ(Get("w"), file);
}

TEST_F(ServerTest, AbandonedWritesLeaveTheEarlierFileUntouched) {
    const Bytes old = Pattern(100, 1);
    Peer otherHost{stack, kOtherAddr, 40000};
    struct Ending {
        const char* what;
        const char* retry;
        std::function<void()> act;
    };
    std::vector<Ending> endings = {
        {"client error", "3", [&] { Exchange(client, tftp::BuildError(0, "stop")); }},
        {"new request", "3", [&] { Exchange(otherHost, Rrq("nothing")); }},
        {"block out of sequence", "3", [&] { Exchange(client, DataOf(3, Pattern(1600))); }},
        {"retries spent", "0", [&] { After(client, 3500); }},
    };
    for (auto& ending : endings) {
        SCOPED_TRACE(ending.what);
        Host().retry_text = ending.retry;
        Put("keep", old);
        StartWrite(client, "keep", Pattern(1600, 2));
        ending.act();
        EXPECT_EQ(Get("keep"), old);
        EXPECT_EQ(RootEntries(), std::vector<std::string>{"keep"});
        EXPECT_FALSE(server.IsWriting());
    }
    EXPECT_EQ(Host().activity_text, "Retry Fail.");
}

TEST_F(ServerTest, NamesReachingOutsideTheRootAreRefused) {
    Host().server_write_enabled = true;
    fs::create_directories(fs::path(root) / "a");
    std::ofstream(parent / "x") << "outside";
    for (const char* name : {"../x", "/etc/passwd", "a/../../x", "..", ""}) {
        SCOPED_TRACE(name);
        Host().log.clear();
        EXPECT_TRUE(Exchange(client, Rrq(name)).empty());
        EXPECT_TRUE(Exchange(client, Wrq(name)).empty());
        EXPECT_TRUE(Logged("TftpServer : Illegal File Name !\n"));
    }
    std::ifstream in(parent / "x");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "outside");
    EXPECT_EQ(fs::directory_iterator(parent / "root" / "a"), fs::directory_iterator());
}

TEST_F(ServerTest, RootIsJoinedWithOneSlashAndEmptyMeansTheCurrentDirectory) {
    Put("f", Pattern(3));
    Host().server_root = root + "/";
    EXPECT_EQ(Exchange(client, Rrq("f")), std::vector<Bytes>{Data(1, Pattern(3))});
    EXPECT_TRUE(Logged(root + "/f"));

    auto cwd = fs::current_path();
    fs::current_path(root);
    Host().server_root = "";
    auto got = Exchange(client, Rrq("f"));
    fs::current_path(cwd);
    EXPECT_EQ(got, std::vector<Bytes>{Data(1, Pattern(3))});
    EXPECT_TRUE(Logged("./f"));
}

TEST_F(ServerTest, RefusedRequestsGetNoAnswer) {
    Host().retry_text = "7";
    Host().server_read_enabled = false;
    Put("f", Pattern(3));
    EXPECT_TRUE(Exchange(client, Rrq("f")).empty());
    EXPECT_EQ(Host().log.size(), 1u) << "only the receive line";
    EXPECT_EQ(server.RetriesLeft(), 7);

    Host().server_read_enabled = true;
    EXPECT_TRUE(Exchange(client, Rrq("missing")).empty());
    EXPECT_EQ(Host().log.back(), "TftpServer : Open Read File Fail !\n");
    EXPECT_TRUE(Exchange(client, Wrq("new")).empty()) << "writing is off by default";
    EXPECT_EQ(RootEntries(), std::vector<std::string>{"f"});

    server.SetServing(false);
    Host().log.clear();
    EXPECT_TRUE(Exchange(client, Rrq("f")).empty());
    EXPECT_TRUE(Host().log.empty());
}

TEST_F(ServerTest, MalformedDatagramsChangeNothing) {
    Put("f", Pattern(2000));
    Exchange(client, Rrq("f"));
    Exchange(client, Ack(1));
    ASSERT_TRUE(IsServerTimerRunning());
    Host().log.clear();
    EXPECT_TRUE(Exchange(client, Bytes{0, 4, 0}).empty());
    EXPECT_TRUE(Exchange(client, Bytes{0, 1, 'a', 'b'}).empty()) << "name without its zero";
    EXPECT_EQ(server.CurrentBlock(), 2);
    EXPECT_TRUE(IsServerTimerRunning());
    EXPECT_TRUE(Exchange(client, Bytes(1100, 0)).empty());
    EXPECT_TRUE(Logged("TftpServer : Receive() Fail !\n"));
    Exchange(client, Bytes{0, 9, 0, 0});
    EXPECT_TRUE(Logged("Remote IP : Port = 127.0.0.20:40000 ? Block=0\n"));
    EXPECT_TRUE(Logged("TftpServer : Unknown P-Code !\n"));
    EXPECT_FALSE(IsServerTimerRunning());
}

TEST_F(ServerTest, FilesBeyondTheLastBlockNumberAreRefused) {
    const auto limit = static_cast<std::uintmax_t>(65535) * 512;
    Put("big", {});
    fs::resize_file(fs::path(root) / "big", limit);
    EXPECT_TRUE(Exchange(client, Rrq("big")).empty());
    EXPECT_TRUE(Logged("TftpServer : File Too Large !\n"));
    fs::resize_file(fs::path(root) / "big", limit - 1);
    EXPECT_EQ(Exchange(client, Rrq("big")).size(), 1u);
    EXPECT_EQ(server.LastBlock(), 65535);
}

}  // namespace
