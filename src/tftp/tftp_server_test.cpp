// The server on the in-memory network and a manual clock: exact datagrams, per-transfer
// timers, several peers at once, the errors peers are told, a root that no name or link
// leads out of, and uploads that never destroy a file (the rights a replacement keeps: the
// serve_rights process test).
#include "tftp/tftp_server.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "testing/server_rig.h"
#include "tftp/host_hooks.h"
#include "tftp/server_transfer_report.h"

namespace {

namespace fs = std::filesystem;
using tftp::Bytes;
using testhost::Host;
using testhost::Pattern;

constexpr std::uint32_t kServerAddr = 0x7F00000A;  // 127.0.0.10
constexpr std::uint32_t kClientAddr = 0x7F000014;  // 127.0.0.20
constexpr std::uint32_t kOtherAddr = 0x7F00001E;   // 127.0.0.30
constexpr std::uint16_t kPort = 69;

// A TFTP client's socket that keeps whatever reaches it. Client and server share one
// in-memory host, each on an address of its own.
class Peer {
public:
    Peer(fw::NetStack& stack, std::uint32_t addr, std::uint16_t port) : socket_(stack.OpenUdp(nullptr)) {
        socket_->Bind({addr, port});
        socket_->SetReadableCallback([this] {
            std::uint8_t buf[2048];
            fw::Endpoint from;
            for (long n; (n = socket_->RecvFrom(buf, sizeof buf, &from)) >= 0;) got.emplace_back(buf, buf + n);
        });
    }
    void Send(const Bytes& b) { socket_->SendTo(b.data(), b.size(), {kServerAddr, kPort}); }
    std::vector<Bytes> got;

private:
    std::unique_ptr<fw::DatagramSocket> socket_;
};

Bytes Rrq(const std::string& name) { return tftp::BuildRequest(tftp::RRQ, name); }
Bytes Wrq(const std::string& name) { return tftp::BuildRequest(tftp::WRQ, name); }
Bytes Ack(std::uint16_t n) { return tftp::BuildAck(n); }
// Block `block` of a file as the server must send it.
Bytes DataOf(std::uint16_t block, const Bytes& all) {
    std::size_t from = (block - 1u) * 512u, to = std::min(all.size(), from + 512u);
    return tftp::BuildData(block, all.data() + from, to - from);
}
// Our ERRORs: the code, the text and zeros up to 128 bytes.
Bytes Error(std::uint16_t code, const std::string& text) { return tftp::BuildError(code, text, 128); }
// Opcode and block of a datagram, e.g. {3, 2} for DATA 2.
std::pair<int, int> Kind(const Bytes& b) { return {b[0] << 8 | b[1], b[2] << 8 | b[3]}; }
std::pair<int, int> AckKind(int n) { return {4, n}; }
// Every entry under `dir`, relative to it and sorted; links not followed.
std::vector<std::string> Tree(const fs::path& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::recursive_directory_iterator(dir))
        names.push_back(e.path().lexically_relative(dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every case of a test runs once with the kernel resolving names and once with the walk.
class ServerTest : public ::testing::TestWithParam<tftp::ResolveWay>, public testhost::ServerRig {
protected:
    ServerTest() : ServerRig(kServerAddr, kPort) {
        tftp::ForceResolveWalk(GetParam() == tftp::ResolveWay::kWalk);
        SetServerTransferListener([this](const ServerTransferReport& r) { reports.push_back(r); });
    }
    ~ServerTest() override {
        SetServerTransferListener(nullptr);
        tftp::ForceResolveWalk(false);
        tftp::ForceNamedTemporary(false);
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

    Peer client{stack, kClientAddr, 40000};
    std::vector<ServerTransferReport> reports;
};

INSTANTIATE_TEST_SUITE_P(, ServerTest,
                         ::testing::Values(tftp::ResolveWay::kKernel, tftp::ResolveWay::kWalk),
                         [](const auto& i) { return i.param == tftp::ResolveWay::kKernel ? "Openat2" : "Walk"; });

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
    EXPECT_EQ(Exchange(client, Ack(2)), std::vector<Bytes>{DataOf(3, file)});
    EXPECT_TRUE(Exchange(client, Ack(3)).empty());
    EXPECT_TRUE(Logged("Transmit Complete !!! \n"));
    EXPECT_EQ(Host().activity_text, "IP: 127.0.0.20 \nFinished.");
    EXPECT_EQ(std::make_pair(Host().activity_icon, Host().progress_pos), std::make_pair(134, 4));
    EXPECT_FALSE(IsServerTimerRunning());
    EXPECT_EQ(server->TransferCount(), 0u);
    ASSERT_EQ(reports.size(), 1u);
    const auto& r = reports[0];
    EXPECT_EQ(r.peerAddress + ":" + std::to_string(r.peerPort) + " " + r.name + " " +
                  std::to_string(r.bytes) + " " + r.outcome + (r.write ? " write" : ""),
              "127.0.0.20:40000 " + name + " 1024 ok");
}

// Every resend is guarded again until the budget is spent, and only the timer resends: a
// repeated ACK of the previous block sends nothing. A late ACK still continues the read.
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
    EXPECT_EQ(std::make_pair(Host().activity_text, Host().progress_upper), std::make_pair(std::string("Retry Fail."), 2));
    EXPECT_EQ(reports.back().outcome, "Timed out");
    EXPECT_FALSE(IsServerTimerRunning());
    EXPECT_EQ(Exchange(client, Ack(2)), std::vector<Bytes>{DataOf(3, file)});
    Exchange(client, Ack(3));
    EXPECT_EQ(reports.back().outcome, "ok");
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
        EXPECT_EQ(Exchange(*stranger, DataOf(2, file)), std::vector<Bytes>{tftp::BuildError(5, "Unknown transfer ID")});
        EXPECT_TRUE(Exchange(*stranger, tftp::BuildError(0, "x")).empty());
    }
    EXPECT_TRUE(Logged("TftpServer : Unknown Transfer ID !\n"));
    EXPECT_EQ(Tree(root), std::vector<std::string>{}) << "nothing under any name yet";
    EXPECT_EQ(Exchange(client, DataOf(2, file)), std::vector<Bytes>{Ack(2)});
    EXPECT_EQ(Exchange(client, DataOf(2, file)), std::vector<Bytes>{Ack(2)}) << "final ACK lost";
    EXPECT_EQ(Tree(root), std::vector<std::string>{"up.bin"});
    EXPECT_EQ(Get("up.bin"), file);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(std::make_pair(reports[0].bytes, reports[0].write), std::make_pair(700LL, true));
    loop.RunFor(3500);
    EXPECT_EQ(server->TransferCount(), 0u) << "gone after one time-out";
}

// However an upload ends before its last block, the earlier file stays as it was and no
// other name appears; a full disk is told as such.
TEST_P(ServerTest, AbandonedWritesLeaveTheEarlierFileUntouched) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{1000, limit.rlim_max};
    const struct {
        const char* retry;
        Bytes sent;  // nothing: the retries run out
        const rlimit* fileLimit;
        Bytes answer;
        const char* outcome;
    } endings[] = {
        {"3", tftp::BuildError(0, "stop"), &limit, {}, "Error from the peer: stop"},
        {"3", DataOf(3, Pattern(1600)), &limit, {}, "Block out of sequence"},
        {"0", {}, &limit, {}, "Timed out"},
        {"3", DataOf(2, Pattern(1600, 2)), &small, Error(3, "Disk full or allocation exceeded"),
         "Disk full or allocation exceeded"},
    };
    std::signal(SIGXFSZ, SIG_IGN);
    for (const auto& e : endings) {
        SCOPED_TRACE(e.outcome);
        Host().retry_text = e.retry;
        Put("keep", Pattern(100));
        StartWrite(client, "keep", Pattern(1600, 2));
        ::setrlimit(RLIMIT_FSIZE, e.fileLimit);
        auto got = e.sent.empty() ? After(client, 3500) : Exchange(client, e.sent);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        EXPECT_TRUE(e.answer.empty() || got == std::vector<Bytes>{e.answer});
        EXPECT_EQ(Get("keep"), Pattern(100));
        EXPECT_EQ(Tree(root), std::vector<std::string>{"keep"});
        EXPECT_EQ(reports.at(0).outcome, e.outcome);
        reports.clear();
    }
    std::signal(SIGXFSZ, SIG_DFL);
}

// What a refused request is told, and that it leaves every transfer as it was: the read in
// progress of the same peer and of another one go on, timers and all.
TEST_P(ServerTest, RefusedRequestsAreToldWhyAndTouchNoTransfer) {
    fs::create_directories(fs::path(root) / "dir");
    const Bytes f = Pattern(9000);
    Put("f", f);
    Put("big", {});
    fs::resize_file(fs::path(root) / "big", std::uintmax_t{65535} * 512);  // needs block 65536
    std::ofstream(scratch + "/secret") << "outside";
    fs::create_symlink("../secret", fs::path(root) / "out.txt");
    fs::create_symlink("..", fs::path(root) / "up");
    fs::create_symlink("../..", fs::path(root) / "dir" / "out");
    ASSERT_EQ(::mkfifo((fs::path(root) / "fifo").c_str(), 0644), 0);
    const Bytes kDenied = Error(2, "Access violation"), kNotFound = Error(1, "File not found");
    const std::string kIllegal = "Illegal File Name", kRead = "Open Read File Fail", kWrite = "Open Write File Fail";
    const struct {
        int readable, writable;
        Bytes request, answer;
        std::string log;
    } cases[] = {
        {1, 0, Rrq("missing"), kNotFound, kRead},      {0, 0, Rrq("f"), kDenied, ""},
        {1, 0, Wrq("new"), kDenied, ""},               {1, 0, Rrq("../secret"), kDenied, kIllegal},
        {1, 0, Rrq("/etc/passwd"), kDenied, kIllegal}, {1, 0, Rrq("dir"), kDenied, kRead},
        {1, 0, Rrq("fifo"), kDenied, kRead},           {1, 0, Rrq("out.txt"), kDenied, kRead},
        {1, 0, Rrq("up/secret"), kDenied, kRead},      {1, 1, Wrq("up/new"), kDenied, kWrite},
        {1, 0, Rrq("dir/../../secret"), kDenied, kIllegal},
        {1, 1, Wrq("dir/out/new"), kDenied, kWrite},
        {1, 1, Wrq("nodir/new"), kNotFound, ""},       {1, 1, Wrq(std::string(256, 'n')), kDenied, ""},
        {1, 0, Rrq("big"), Error(0, "File too large"), "File Too Large"},
    };
    Peer other{stack, kOtherAddr, 40000};
    Exchange(other, Rrq("f"));
    Exchange(client, Rrq("f"));
    std::uint16_t acked = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.request.begin() + 2, c.request.end() - 7));
        testhost::ResetHost();
        Host().server_root = root;
        Host().server_read_enabled = c.readable;
        Host().server_write_enabled = c.writable;
        EXPECT_EQ(Exchange(client, c.request), std::vector<Bytes>{c.answer});
        EXPECT_TRUE(c.log.empty() || Logged("TftpServer : " + c.log + " !\n"));
        ++acked;
        EXPECT_EQ(Exchange(client, Ack(acked)), std::vector<Bytes>{DataOf(acked + 1, f)});
        EXPECT_EQ(reports.size(), 1u);
        reports.clear();
    }
    EXPECT_EQ(server->TransferCount(), 2u);
    EXPECT_EQ(After(other, 3100), std::vector<Bytes>{DataOf(1, f)}) << "the other peer's timer ran on";
    EXPECT_EQ(Get(scratch + "/secret"), (Bytes{'o', 'u', 't', 's', 'i', 'd', 'e'}));
    EXPECT_EQ(Tree(scratch), (std::vector<std::string>{"root", "root/big", "root/dir", "root/dir/out",
                                                      "root/f", "root/fifo", "root/out.txt",
                                                      "root/up", "secret"}));
}

// Until its last block an upload has no name in the root, or, where the file system has no
// unnamed files, a temporary name that no request may use; either is gone after a failure.
TEST_P(ServerTest, HalfReceivedUploadsCannotBeReachedAndLeaveNothing) {
    for (bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary file" : "unnamed temporary file");
        tftp::ForceNamedTemporary(named);
        StartWrite(client, std::string(255, 'x'), Pattern(1000));  // a temporary name fits beside it
        std::vector<std::string> during = Tree(root);
        ASSERT_EQ(during.size(), named ? 1u : 0u);
        Peer other{stack, kOtherAddr, 40000};
        for (const std::string& name : during) {
            EXPECT_TRUE(tftp::IsTemporaryName(name));
            EXPECT_EQ(Exchange(other, Rrq(name)), std::vector<Bytes>{Error(2, "Access violation")});
            EXPECT_EQ(Exchange(other, Wrq(name)), std::vector<Bytes>{Error(2, "Access violation")});
        }
        Exchange(client, tftp::BuildError(0, "gone"));
        EXPECT_EQ(Tree(root), std::vector<std::string>{});
    }
}

// Sixteen peers at once, each with its own timer; a seventeenth is told the server is busy
// until a place is free again.
TEST_P(ServerTest, SixteenPeersAtOnceEachWithItsOwnTimer) {
    std::vector<std::unique_ptr<Peer>> peers;
    Put("f", Pattern(2000));
    for (int i = 0; i < 16; ++i) {
        peers.push_back(std::make_unique<Peer>(stack, kClientAddr, 42000 + i));
        peers[i]->Send(Rrq("f"));
    }
    loop.RunPending();
    Peer late{stack, kOtherAddr, 42000};
    EXPECT_EQ(Exchange(late, Rrq("f")), std::vector<Bytes>{Error(0, "Server busy")});
    EXPECT_TRUE(Logged("TftpServer : Server Busy !\n"));
    Exchange(*peers[0], Ack(1));
    loop.RunFor(3100);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(Kind(peers[i]->got.back()), std::make_pair(3, i ? 1 : 2)) << i;
    Exchange(*peers[0], tftp::BuildError(0, "done"));
    EXPECT_EQ(Exchange(late, Rrq("f")), std::vector<Bytes>{DataOf(1, Pattern(2000))});
}

}  // namespace
