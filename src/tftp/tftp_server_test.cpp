// The server on the in-memory network and a manual clock: exact datagrams, per-transfer
// timers, several peers at once, the errors peers are told, a root that no name or link
// leads out of, and uploads that never destroy a file (the rights a replacement keeps: the
// serve_rights process test).
#include "tftp/tftp_server.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>

#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "sequencer/engine_state.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "tftp/host_hooks.h"
#include "tftp/server_transfer_report.h"

namespace {

namespace fs = std::filesystem;
using tftp::Bytes;
using testhost::Host;

constexpr std::uint32_t kServerAddr = 0x7F00000A;  // 127.0.0.10
constexpr std::uint32_t kClientAddr = 0x7F000014;  // 127.0.0.20
constexpr std::uint32_t kOtherAddr = 0x7F00001E;   // 127.0.0.30
constexpr std::uint16_t kPort = 69;

// A TFTP client's socket that keeps whatever reaches it. With `acknowledge` on it answers
// every DATA with its ACK, as a sound client does (repeats included), and keeps the bytes of
// each new block. Client and server share one in-memory host, each on an address of its own.
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
    bool acknowledge = false;
    Bytes content;

private:
    void Drain() {
        std::uint8_t buf[2048];
        fw::Endpoint from;
        for (int i = 0; i < 64; ++i) {
            long n = socket_->RecvFrom(buf, sizeof buf, &from);
            if (n < 0) return;
            got.emplace_back(buf, buf + n);
            if (!acknowledge || n < 4 || buf[1] != tftp::DATA) continue;
            std::size_t block = buf[2] << 8 | buf[3];
            if (block == next_) {
                content.insert(content.end(), buf + 4, buf + n);
                ++next_;
            }
            socket_->SendTo(tftp::BuildAck(static_cast<std::uint16_t>(block)).data(), 4, from);
        }
    }
    std::unique_ptr<fw::DatagramSocket> socket_;
    std::size_t next_ = 1;

public:
    // The blocks up to `block` are taken as received.
    void Received(std::size_t block, Bytes bytes) {
        content = std::move(bytes);
        next_ = block + 1;
    }
};

Bytes Pattern(std::size_t n, int seed = 1) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return b;
}
Bytes Rrq(const std::string& name) { return tftp::BuildRequest(tftp::RRQ, name); }
Bytes Wrq(const std::string& name) { return tftp::BuildRequest(tftp::WRQ, name); }
Bytes Ack(std::uint16_t n) { return tftp::BuildAck(n); }
Bytes Data(std::uint16_t n, const Bytes& content) {
    return tftp::BuildData(n, content.data(), content.size());
}
// Block `block` of a file as the server must send it.
Bytes DataOf(std::uint16_t block, const Bytes& all) {
    std::size_t from = (block - 1u) * 512u, to = std::min(all.size(), from + 512u);
    return tftp::BuildData(block, all.data() + from, to - from);
}
// Our ERRORs: the code, the text and zeros up to 128 bytes.
Bytes Error(std::uint16_t code, const std::string& text) {
    return tftp::BuildError(code, text, 128);
}
// Opcode and block of a datagram, e.g. {3, 2} for DATA 2.
std::pair<int, int> Kind(const Bytes& b) { return {b[0] << 8 | b[1], b[2] << 8 | b[3]}; }
std::pair<int, int> AckKind(int n) { return {4, n}; }

// Every case of a test runs once with the kernel resolving names and once with the walk.
class ServerTest : public ::testing::TestWithParam<tftp::ResolveWay> {
protected:
    ServerTest() {
        tftp::ForceResolveWalk(GetParam() == tftp::ResolveWay::kWalk);
        fw::SetMainLoop(&loop);
        ResetEngineState();
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
        SetServerTransferListener([this](const ServerTransferReport& r) { reports.push_back(r); });
    }
    ~ServerTest() override {
        SetServerTransferListener(nullptr);
        AttachServerTimer(nullptr);
        testhost::SetServerUnderTest(nullptr);
        server.Close();
        fw::SetMainLoop(nullptr);  // the loop dies with the fixture
        fs::remove_all(parent);
        tftp::ForceResolveWalk(false);
        tftp::ForceNamedTemporary(false);
    }

    void Put(const std::string& name, const Bytes& b) {
        std::ofstream(fs::path(root) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    Bytes Get(const fs::path& path) {
        std::ifstream in(path.is_absolute() ? path : fs::path(root) / path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // Every entry under `dir`, links not followed.
    std::vector<std::string> Tree(const fs::path& dir) {
        std::vector<std::string> names;
        for (auto& e : fs::recursive_directory_iterator(dir))
            names.push_back(e.path().lexically_relative(dir).string());
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
    void StartWrite(Peer& peer, const std::string& name, const Bytes& content) {
        Host().server_write_enabled = true;
        ASSERT_EQ(Kind(Exchange(peer, Wrq(name)).at(0)), AckKind(0));
        ASSERT_EQ(Kind(Exchange(peer, DataOf(1, content)).at(0)), AckKind(1));
    }
    // A whole write from `peer`: what the server answered to its last block.
    std::vector<Bytes> Upload(Peer& peer, const std::string& name, const Bytes& content) {
        Host().server_write_enabled = true;
        std::vector<Bytes> got = Exchange(peer, Wrq(name));
        const std::size_t blocks = content.size() / 512 + 1;
        for (std::uint16_t b = 1; b <= blocks && got.size() == 1 && Kind(got[0]) == AckKind(b - 1);
             ++b)
            got = Exchange(peer, DataOf(b, content));
        return got;
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& stack = net.AddHost(kServerAddr);
    TftpServer server;
    Peer client{stack, kClientAddr, 40000};
    fs::path parent;
    std::string root;
    std::vector<ServerTransferReport> reports;
};

INSTANTIATE_TEST_SUITE_P(, ServerTest,
                         ::testing::Values(tftp::ResolveWay::kKernel, tftp::ResolveWay::kWalk),
                         [](const auto& info) {
                             return info.param == tftp::ResolveWay::kKernel ? "Openat2" : "Walk";
                         });

// A whole read as the host sees it; long names are shown cut.
TEST_P(ServerTest, ReadOf1024BytesGoesAs512And512And0ThenCompletes) {
    const std::string name = "a-name-of-25-characters.x";
    Bytes file = Pattern(1024);
    Put(name, file);
    EXPECT_EQ(Exchange(client, Rrq(name)), std::vector<Bytes>{DataOf(1, file)});
    EXPECT_EQ(Host().log.at(0), "Remote IP : Port = 127.0.0.20:40000 Read Request Block=24877\n");
    EXPECT_EQ(Host().log.at(1), root + "/" + name);
    EXPECT_EQ(Host().activity_text, "Read:a-name-of-25-charact\nIP: 127.0.0.20");
    EXPECT_EQ(std::make_tuple(Host().activity_icon, Host().progress_upper, Host().progress_pos),
              std::make_tuple(135, 4, 2));
    EXPECT_EQ(Exchange(client, Ack(1)), std::vector<Bytes>{DataOf(2, file)});
    EXPECT_EQ(Exchange(client, Ack(2)), std::vector<Bytes>{Data(3, {})});
    EXPECT_TRUE(Exchange(client, Ack(3)).empty());
    EXPECT_TRUE(Logged("Transmit Complete !!! \n"));
    EXPECT_EQ(Host().activity_text, "IP: 127.0.0.20 \nFinished.");
    EXPECT_EQ(std::make_pair(Host().activity_icon, Host().progress_pos), std::make_pair(134, 4));
    EXPECT_FALSE(IsServerTimerRunning());
    EXPECT_EQ(server.TransferCount(), 0u);
    ASSERT_EQ(reports.size(), 1u);
    const auto& r = reports[0];
    EXPECT_EQ(r.peerAddress + ":" + std::to_string(r.peerPort) + " " + r.name + " " +
                  std::to_string(r.bytes) + " " + r.outcome + (r.write ? " write" : ""),
              "127.0.0.20:40000 " + name + " 1024 ok");
}

// The first block is guarded too, every resend is guarded again until the budget is spent,
// and only the timer resends: a repeated ACK of the previous block sends nothing.
TEST_P(ServerTest, OnlyTheTimerResendsAndItIsArmedAfterEveryResend) {
    Host().retry_text = "2";
    Bytes file = Pattern(1500);
    Put("f", file);
    Exchange(client, Rrq("f"));
    EXPECT_EQ(After(client, 3100), std::vector<Bytes>{DataOf(1, file)});
    EXPECT_EQ(Exchange(client, Ack(1)), std::vector<Bytes>{DataOf(2, file)});
    EXPECT_TRUE(Exchange(client, Ack(1)).empty()) << "a duplicate ACK sends nothing";
    EXPECT_TRUE(Logged("TftpServer : ACK number less than current number !\n"));
    EXPECT_EQ(After(client, 3100), std::vector<Bytes>{DataOf(2, file)});
    EXPECT_TRUE(After(client, 2800).empty());
    EXPECT_NE(Host().activity_text, "Retry Fail.");
    EXPECT_TRUE(After(client, 200).empty()) << "the budget of 2 is spent";
    EXPECT_EQ(Host().activity_text, "Retry Fail.");
    EXPECT_EQ(Host().progress_upper, 2);
    EXPECT_EQ(reports.back().outcome, "Timed out");
    EXPECT_FALSE(IsServerTimerRunning());
    // Given up, but a late ACK of the same peer still continues the read.
    EXPECT_EQ(Exchange(client, Ack(2)), std::vector<Bytes>{DataOf(3, file)});
    Exchange(client, Ack(3));
    EXPECT_EQ(reports.back().outcome, "ok");
}

// Duplicated datagrams in both directions, a sound client that answers every DATA it gets:
// each block still leaves the server exactly once, and the file arrives whole.
TEST_P(ServerTest, DuplicatesNeverMultiplyTheBlocks) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        Bytes file = Pattern(seed * 3000 + 512, static_cast<int>(seed));
        Put("f", file);
        net.SetFaults({});
        net.ClearTrace();
        Peer peer{stack, kClientAddr, static_cast<std::uint16_t>(41000 + seed)};
        peer.acknowledge = true;
        peer.Send(Rrq("f"));  // a repeated request would start over, rightly
        net.SetFaults({.duplicate_percent = 30, .seed = seed});
        loop.RunFor(100);
        EXPECT_EQ(peer.content, file);
        std::map<int, int> sent;
        for (const auto& d : net.Trace())
            if (d.from.port == kPort && Kind(d.bytes).first == tftp::DATA) ++sent[Kind(d.bytes).second];
        EXPECT_EQ(sent.size(), file.size() / 512 + 1);
        for (auto [block, times] : sent) EXPECT_EQ(times, 1) << "block " << block;
    }
}

// A write through a lost ACK 0, repeated blocks and strangers' datagrams: strangers are told
// the transfer is unknown (their ERRORs go unanswered), the file has no name until it is whole.
TEST_P(ServerTest, WriteSurvivesLostAcksRepeatsAndStrangers) {
    Host().server_write_enabled = true;
    Bytes file = Pattern(700, 3);
    EXPECT_EQ(Exchange(client, Wrq("up.bin")), std::vector<Bytes>{Ack(0)});
    EXPECT_EQ(Host().activity_text, "Write: up.bin\nIP: 127.0.0.20");
    EXPECT_EQ(After(client, 3500), std::vector<Bytes>{Ack(0)}) << "lost ACK 0 resent by the timer";
    EXPECT_EQ(Exchange(client, DataOf(1, file)), std::vector<Bytes>{Ack(1)});
    EXPECT_EQ(Exchange(client, DataOf(1, file)), std::vector<Bytes>{Ack(1)});
    Peer otherHost{stack, kOtherAddr, 40000}, otherPort{stack, kClientAddr, 40001};
    for (Peer* stranger : {&otherHost, &otherPort}) {
        EXPECT_EQ(Exchange(*stranger, Data(2, Pattern(10, 9))), std::vector<Bytes>{tftp::BuildError(5, "Unknown transfer ID")});
        EXPECT_TRUE(Exchange(*stranger, tftp::BuildError(0, "x")).empty());
        EXPECT_TRUE(IsServerTimerRunning());
    }
    EXPECT_TRUE(Logged("TftpServer : Unknown Transfer ID !\n"));
    EXPECT_EQ(Tree(root), std::vector<std::string>{}) << "nothing under any name yet";
    EXPECT_EQ(Exchange(client, DataOf(2, file)), std::vector<Bytes>{Ack(2)});
    EXPECT_EQ(Exchange(client, DataOf(2, file)), std::vector<Bytes>{Ack(2)}) << "final ACK lost";
    EXPECT_FALSE(Logged("TftpServer : OnData() Fail !\n"));
    EXPECT_EQ(Tree(root), std::vector<std::string>{"up.bin"});
    EXPECT_EQ(Get("up.bin"), file);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(std::make_pair(reports[0].bytes, reports[0].write), std::make_pair(700LL, true));
    loop.RunFor(3500);
    EXPECT_EQ(server.TransferCount(), 0u) << "gone after one time-out";
    EXPECT_FALSE(IsServerTimerRunning());
}

// However an upload ends before its last block, the earlier file stays as it was and no
// other name appears; a full disk is told as such.
TEST_P(ServerTest, AbandonedWritesLeaveTheEarlierFileUntouched) {
    const Bytes old = Pattern(100, 1);
    struct Ending {
        const char* what;
        const char* retry;
        std::function<std::vector<Bytes>()> act;
        const char* outcome;
    };
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    std::vector<Ending> endings = {
        {"client error", "3", [&] { return Exchange(client, tftp::BuildError(0, "stop")); },
         "Error from the peer: stop"},
        {"new request", "3", [&] { return Exchange(client, Rrq("keep")); }, "Replaced by a new request"},
        {"block out of sequence", "3", [&] { return Exchange(client, DataOf(3, Pattern(1600))); },
         "Block out of sequence"},
        {"retries spent", "0", [&] { return After(client, 3500); }, "Timed out"},
        {"disk full", "3", [&] {
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit small{1000, limit.rlim_max};
             ::setrlimit(RLIMIT_FSIZE, &small);
             auto got = Exchange(client, DataOf(2, Pattern(1600, 2)));
             ::setrlimit(RLIMIT_FSIZE, &limit);
             std::signal(SIGXFSZ, SIG_DFL);
             EXPECT_EQ(got, std::vector<Bytes>{Error(3, "Disk full or allocation exceeded")});
             EXPECT_TRUE(Logged("TftpServer : Write File Fail !\n"));
             return got;
         }, "Disk full or allocation exceeded"},
    };
    for (auto& ending : endings) {
        SCOPED_TRACE(ending.what);
        Host().retry_text = ending.retry;
        Put("keep", old);
        StartWrite(client, "keep", Pattern(1600, 2));
        ending.act();
        EXPECT_EQ(Get("keep"), old);
        EXPECT_EQ(Tree(root), std::vector<std::string>{"keep"});
        EXPECT_EQ(reports.at(0).outcome, ending.outcome);
        Exchange(client, tftp::BuildError(0, "done"));  // ends the read of "new request"
        reports.clear();
    }
}
// What a refused request is told, and that it leaves every transfer as it was: the read in
// progress of the same peer and of another one go on, timers and all.
TEST_P(ServerTest, RefusedRequestsAreToldWhyAndTouchNoTransfer) {
    fs::create_directories(fs::path(root) / "dir");
    const Bytes f = Pattern(9000);
    Put("f", f);
    std::ofstream(parent / "secret") << "outside";
    fs::create_symlink("../secret", fs::path(root) / "out.txt");
    fs::create_symlink("..", fs::path(root) / "up");
    ASSERT_EQ(::mkfifo((fs::path(root) / "fifo").c_str(), 0644), 0);
    struct Case {
        std::function<void()> setting;
        Bytes request;
        Bytes answer;
        const char* log;
    };
    const Bytes kDenied = Error(2, "Access violation");
    auto reading_off = [] { Host().server_read_enabled = false; };
    auto writing_off = [] { Host().server_write_enabled = false; };
    auto writing_on = [] { Host().server_write_enabled = true; };
    std::vector<Case> cases = {
        {{}, Rrq("missing"), Error(1, "File not found"), "TftpServer : Open Read File Fail !\n"},
        {{}, Rrq("dir/missing"), Error(1, "File not found"), nullptr},
        {reading_off, Rrq("f"), kDenied, nullptr},
        {writing_off, Wrq("new"), kDenied, nullptr},
        {{}, Rrq("../secret"), kDenied, "TftpServer : Illegal File Name !\n"},
        {{}, Rrq("/etc/passwd"), kDenied, "TftpServer : Illegal File Name !\n"},
        {{}, Rrq("dir"), kDenied, "TftpServer : Open Read File Fail !\n"},
        {{}, Rrq("fifo"), kDenied, "TftpServer : Open Read File Fail !\n"},
        {{}, Rrq("out.txt"), kDenied, "TftpServer : Open Read File Fail !\n"},
        {{}, Rrq("up/secret"), kDenied, "TftpServer : Open Read File Fail !\n"},
        {writing_on, Wrq("up/new"), kDenied, "TftpServer : Open Write File Fail !\n"},
        {writing_on, Wrq("out.txt"), kDenied, "TftpServer : Open Write File Fail !\n"},
        {writing_on, Wrq("dir"), kDenied, "TftpServer : Open Write File Fail !\n"},
        {writing_on, Wrq("nodir/new"), Error(1, "File not found"), nullptr},
        {writing_on, Wrq(std::string(256, 'n')), kDenied, nullptr},
    };
    Peer other{stack, kOtherAddr, 40000};
    Exchange(other, Rrq("f"));
    Exchange(client, Rrq("f"));
    std::uint16_t acked = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.request.begin() + 2, c.request.end() - 7));
        testhost::ResetHost();
        Host().server_root = root;
        if (c.setting) c.setting();
        EXPECT_EQ(Exchange(client, c.request), std::vector<Bytes>{c.answer});
        if (c.log) {
            EXPECT_TRUE(Logged(c.log));
        }
        ++acked;
        EXPECT_EQ(Exchange(client, Ack(acked)), std::vector<Bytes>{DataOf(acked + 1, f)});
        EXPECT_EQ(reports.size(), 1u);
        reports.clear();
    }
    EXPECT_EQ(server.TransferCount(), 2u);
    EXPECT_EQ(After(other, 3100), std::vector<Bytes>{DataOf(1, f)})
        << "the other peer's timer ran on";
    EXPECT_EQ(Get(parent / "secret"), (Bytes{'o', 'u', 't', 's', 'i', 'd', 'e'}));
    EXPECT_EQ(Tree(parent), (std::vector<std::string>{"root", "root/dir", "root/f", "root/fifo",
                                                      "root/out.txt", "root/up", "secret"}));
}

// Links that stay inside the root are followed by the kernel's resolution and refused by the
// walk, which follows none; links that lead out are refused by both.
TEST_P(ServerTest, LinksInsideTheRootAreServedOnlyWhereTheKernelResolves) {
    Put("real", Pattern(10));
    fs::create_symlink("real", fs::path(root) / "inner");
    auto got = Exchange(client, Rrq("inner"));
    ASSERT_EQ(got.size(), 1u);
    bool kernel = GetParam() == tftp::ResolveWay::kKernel;
    EXPECT_EQ(got[0], kernel ? Data(1, Pattern(10)) : Error(2, "Access violation"));
    EXPECT_EQ(tftp::ActiveResolveWay(), GetParam());
}

// Until its last block an upload has no name in the root, or, where the file system has no
// unnamed files, a temporary name that no request may use; either is gone after a failure.
TEST_P(ServerTest, HalfReceivedUploadsCannotBeReachedAndLeaveNothing) {
    for (bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary file" : "unnamed temporary file");
        tftp::ForceNamedTemporary(named);
        StartWrite(client, "up", Pattern(1000));
        std::vector<std::string> during = Tree(root);
        ASSERT_EQ(during.size(), named ? 1u : 0u);
        Peer other{stack, kOtherAddr, 40000};
        if (named) {
            EXPECT_TRUE(tftp::IsTemporaryName(during[0]));
            EXPECT_EQ(Exchange(other, Rrq(during[0])),
                      std::vector<Bytes>{Error(2, "Access violation")});
            EXPECT_EQ(Exchange(other, Wrq(during[0])),
                      std::vector<Bytes>{Error(2, "Access violation")});
        }
        Exchange(client, tftp::BuildError(0, "gone"));
        EXPECT_EQ(Tree(root), std::vector<std::string>{});
        std::string longest(255, 'x');  // a temporary name of its own length fits beside it
        EXPECT_EQ(Upload(client, longest, Pattern(600)), std::vector<Bytes>{Ack(2)});
        EXPECT_EQ(Tree(root), std::vector<std::string>{longest});
        fs::remove(fs::path(root) / longest);
    }
}

// Sixteen peers at once, their ACKs in a seeded random order: each read is whole, each
// block leaves once, a peer that falls silent is resent to alone, and a seventeenth is told
// the server is busy until a place is free again.
TEST_P(ServerTest, SixteenPeersAtOnceEachWithItsOwnTimer) {
    std::vector<std::unique_ptr<Peer>> peers;
    std::vector<Bytes> files;
    for (int i = 0; i < 16; ++i) {
        files.push_back(Pattern(2000 + i * 300, i));
        Put("f" + std::to_string(i), files.back());
        peers.push_back(std::make_unique<Peer>(stack, kClientAddr, 42000 + i));
        peers[i]->Send(Rrq("f" + std::to_string(i)));
    }
    loop.RunPending();
    Peer late{stack, kOtherAddr, 42000};
    EXPECT_EQ(Exchange(late, Rrq("f0")), std::vector<Bytes>{Error(0, "Server busy")});
    EXPECT_TRUE(Logged("TftpServer : Server Busy !\n"));
    // From here on the datagrams take turns at random; peer 0 stays silent.
    net.SetFaults({.reorder_percent = 40, .seed = 7});
    for (int i = 1; i < 16; ++i) {
        peers[i]->acknowledge = true;
        peers[i]->Received(1, Bytes(files[i].begin(), files[i].begin() + 512));
        peers[i]->Send(Ack(1));
    }
    loop.RunFor(3500);
    for (int i = 1; i < 16; ++i) EXPECT_EQ(peers[i]->content, files[i]) << i;
    EXPECT_EQ(server.TransferCount(), 1u);

    std::map<std::pair<int, int>, int> sent;  // (peer port, block): times
    for (const auto& d : net.Trace()) {
        if (d.from.port == kPort && Kind(d.bytes).first == tftp::DATA)
            ++sent[{d.to.port, Kind(d.bytes).second}];
    }
    for (auto [to, times] : sent) {
        EXPECT_EQ(times, to.first == 42000 ? 2 : 1) << to.first << " block " << to.second;
    }
    net.SetFaults({});
    EXPECT_EQ(Exchange(late, Rrq("f0")), std::vector<Bytes>{DataOf(1, files[0])});
}

// Short, oversized and unknown datagrams, from the peer or anyone: logged as they are, and
// the transfer goes on, its timer too; an ACK of block 0 ends it.
TEST_P(ServerTest, MalformedDatagramsChangeNothing) {
    Put("f", Pattern(2000));
    Exchange(client, Rrq("f"));
    Peer stranger{stack, kOtherAddr, 40000};
    for (Peer* from : {&client, &stranger}) {
        Host().log.clear();
        for (const Bytes& b : {Bytes{0, 4, 0}, Bytes{0, 1, 'a', 'b'}, Bytes(1100, 0), Bytes{0, 9, 0, 0}})
            EXPECT_TRUE(Exchange(*from, b).empty());
        std::string line = "Remote IP : Port = 127.0.0." + std::string(from == &client ? "20" : "30");
        EXPECT_EQ(Host().log, (std::vector<std::string>{line + ":40000 Read Request Block=24930\n",
                                                        "TftpServer : Receive() Fail !\n",
                                                        line + ":40000 ? Block=0\n",
                                                        "TftpServer : Unknown P-Code !\n"}));
    }
    EXPECT_EQ(After(client, 3100), std::vector<Bytes>{DataOf(1, Pattern(2000))});
    EXPECT_EQ(Exchange(client, Ack(1)), std::vector<Bytes>{DataOf(2, Pattern(2000))});
    EXPECT_TRUE(Exchange(client, Ack(0)).empty());
    EXPECT_TRUE(Logged("TftpServer : ACK number FAIL !\n"));
    EXPECT_EQ(Host().activity_text, "IP: 127.0.0.20 \nFinished.");
    EXPECT_EQ(server.TransferCount(), 0u);
}

TEST_P(ServerTest, FilesBeyondTheLastBlockNumberAreRefused) {
    const auto limit = static_cast<std::uintmax_t>(65535) * 512;
    Put("big", {});
    fs::resize_file(fs::path(root) / "big", limit);
    EXPECT_EQ(Exchange(client, Rrq("big")), std::vector<Bytes>{Error(0, "File too large")});
    EXPECT_TRUE(Logged("TftpServer : File Too Large !\n"));
    fs::resize_file(fs::path(root) / "big", limit - 1);
    EXPECT_EQ(Exchange(client, Rrq("big")).size(), 1u);
    EXPECT_EQ(server.FindTransfer("127.0.0.20", 40000)->lastBlock, 65535);
}

TEST_P(ServerTest, RootIsJoinedWithOneSlashAndEmptyMeansTheCurrentDirectory) {
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
    server.SetServing(false);
    Host().log.clear();
    EXPECT_TRUE(Exchange(client, Rrq("f")).empty());
    EXPECT_TRUE(Host().log.empty());
}

}  // namespace
