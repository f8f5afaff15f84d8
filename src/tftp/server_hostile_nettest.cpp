// A scripted hostile client against the server on the real loopback: names that try to
// leave the root, names without their zero, datagrams of 1 and 1500 bytes, a request flood,
// and DATA and ACK from strangers in the middle of a transfer. The server must not crash,
// touch nothing outside its root, keep its memory bounded, and serve a normal client
// correctly afterwards. CTest runs this inside a loopback-only namespace.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/event_loop.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "testing/test_host_server.h"
#include "tftp/packet.h"
#include "tftp/tftp_server.h"

namespace {

namespace fs = std::filesystem;
using testhost::Host;
using Bytes = tftp::Bytes;

std::string Pattern(std::size_t n, int seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 29 + seed) & 0xFF);
    return s;
}
void WriteFile(const fs::path& p, const std::string& content) {
    std::ofstream(p, std::ios::binary) << content;
}
std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
Bytes Request(tftp::Opcode op, const std::string& name) {
    return tftp::BuildRequest(op, name);
}

// Resident memory of this process in KiB.
long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> value;
            return value;
        }
        in.ignore(1 << 12, '\n');
    }
    return -1;
}

// A client socket of our own on 127.0.0.1 that sends exactly the bytes it is given.
class RawClient {
public:
    RawClient() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~RawClient() { ::close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void Send(const Bytes& b, unsigned port) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    // Everything that has arrived, oldest first.
    std::vector<Bytes> Take() {
        std::vector<Bytes> got;
        std::uint8_t buf[2048];
        for (int i = 0; i < 10000; ++i) {
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n < 0) break;
            got.emplace_back(buf, buf + n);
        }
        return got;
    }

private:
    int fd_ = -1;
};

std::string Describe(const Bytes& d) {
    tftp::Header h = tftp::ParseHeader(d.data(), d.size());
    if (!h.valid) return "?";
    return std::string(tftp::PCodeName(h.opcode)) + " " + std::to_string(h.field) + " (" +
           std::to_string(d.size()) + ")";
}

class ServerHostileNetTest : public ::testing::Test {
protected:
    ServerHostileNetTest() {
        fw::SetMainLoop(&loop);
        testhost::ResetHost();
        scratch = fs::temp_directory_path() / ("sperrow-hostile-" + std::to_string(::getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch / "root" / "sub");
        fs::create_directories(scratch / "client");
        WriteFile(scratch / "secret", "outside the root");
        WriteFile(Root("big"), Pattern(1500, 1));
        WriteFile(Root("small"), Pattern(100, 2));
        Host().server_root = (scratch / "root").string();
        Host().server_write_enabled = true;
        Host().timeout_text = "1";
        testhost::SetServerUnderTest(&server);
        AttachServerTimer(&server);
        EXPECT_TRUE(server.CreateServerSocket(0, "127.0.0.1"));
        port = server.LocalPort();
    }
    ~ServerHostileNetTest() override {
        AttachServerTimer(nullptr);
        testhost::SetServerUnderTest(nullptr);
        fs::remove_all(scratch);
    }

    fs::path Root(const std::string& name) { return scratch / "root" / name; }

    // Sends, lets the server work a little, and returns what came back to `from`.
    std::vector<std::string> Exchange(RawClient& from, const Bytes& b) {
        from.Send(b, port);
        loop.RunFor(30);
        std::vector<std::string> got;
        for (const Bytes& d : from.Take()) got.push_back(Describe(d));
        return got;
    }

    std::vector<std::string> Entries(const fs::path& dir) {
        std::vector<std::string> names;
        for (auto& e : fs::recursive_directory_iterator(dir))
            names.push_back(e.path().lexically_relative(dir).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The scratch tree as the fixture laid it, plus `extra` under root/.
    std::vector<std::string> Untouched(std::vector<std::string> extra = {}) {
        std::vector<std::string> names = {"client",     "root",     "root/big",
                                          "root/small", "root/sub", "secret"};
        for (auto& e : extra) names.push_back("root/" + e);
        std::sort(names.begin(), names.end());
        return names;
    }

    // A normal client run to its end (at most 20 s) while the server serves on this thread.
    int RunClient(std::vector<std::string> args) {
        pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir((scratch / "client").c_str()) != 0) ::_exit(126);
            std::vector<std::string> full = {"timeout", "-k", "1", "20"};
            full.insert(full.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (auto& a : full) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execvp("timeout", argv.data());
            ::_exit(127);
        }
        fw::Millis deadline = loop.Now() + 25000;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (loop.Now() > deadline) ::kill(pid, SIGKILL);
            loop.RunOnce(10);
        }
        loop.RunFor(20);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fw::SteadyClock clock;
    fw::EventLoop loop{clock};
    TftpServer server;
    fs::path scratch;
    unsigned port = 0;
};

TEST_F(ServerHostileNetTest, NamesThatLeaveTheRootGetNoAnswerAndTouchNothing) {
    RawClient client;
    std::string secret = (scratch / "secret").string();
    for (const std::string& name :
         {std::string("../secret"), std::string("sub/../../secret"), std::string("./../secret"),
          std::string(".."), secret, "/" + secret, std::string("sub/"), std::string("/"),
          std::string("../../../../../../../../") + secret.substr(1)}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Exchange(client, Request(tftp::RRQ, name)).empty());
        std::vector<std::string> wrq = Exchange(client, Request(tftp::WRQ, name));
        EXPECT_TRUE(wrq.empty());
        // A client that goes on regardless is told the transfer is not there.
        Exchange(client, tftp::BuildData(1, "pwned", 5));
    }
    EXPECT_EQ(ReadFile(scratch / "secret"), "outside the root");
    EXPECT_EQ(Entries(scratch), Untouched());
}

TEST_F(ServerHostileNetTest, NamesWithoutTheirZeroAndOddSizedDatagramsAreDropped) {
    RawClient client;
    Bytes rrq = Request(tftp::RRQ, "small");
    rrq.resize(2 + 5);  // "small" without its zero or mode
    Bytes wrq = Request(tftp::WRQ, "new");
    wrq.resize(2 + 3);
    for (const Bytes& b : {rrq, wrq, Bytes{0x01}, Bytes(1500, 0x02), Bytes(1024 + 1, 0x01),
                           Bytes{0x00, 0x09, 0x00, 0x01}}) {
        SCOPED_TRACE(b.size());
        EXPECT_EQ(Exchange(client, b), std::vector<std::string>{});
    }
    EXPECT_EQ(Entries(scratch), Untouched());
    // And it still serves.
    EXPECT_EQ(Exchange(client, Request(tftp::RRQ, "small")),
              std::vector<std::string>{"Data 1 (104)"});
}

TEST_F(ServerHostileNetTest, StrangersMidReadAreRefusedAndTheReadGoesOn) {
    RawClient client, stranger;
    ASSERT_EQ(Exchange(client, Request(tftp::RRQ, "big")),
              std::vector<std::string>{"Data 1 (516)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildAck(1)), std::vector<std::string>{"Error 5 (24)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildData(1, "x", 1)),
              std::vector<std::string>{"Error 5 (24)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildError(0, "stop")), std::vector<std::string>{});
    EXPECT_EQ(Exchange(client, tftp::BuildAck(1)), std::vector<std::string>{"Data 2 (516)"});
    EXPECT_EQ(Exchange(client, tftp::BuildAck(2)), std::vector<std::string>{"Data 3 (480)"});
    EXPECT_EQ(Exchange(client, tftp::BuildAck(3)), std::vector<std::string>{});
    EXPECT_EQ(Host().activity_text, "IP: 127.0.0.1 \nFinished.");
}

TEST_F(ServerHostileNetTest, StrangersMidWriteLeaveTheFileToTheWriter) {
    RawClient client, stranger;
    std::string first = Pattern(512, 5), last = "the end";
    ASSERT_EQ(Exchange(client, Request(tftp::WRQ, "new")), std::vector<std::string>{"Ack 0 (4)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildData(1, "EVIL", 4)),
              std::vector<std::string>{"Error 5 (24)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildAck(0)), std::vector<std::string>{"Error 5 (24)"});
    EXPECT_EQ(Exchange(client, tftp::BuildData(1, first.data(), first.size())),
              std::vector<std::string>{"Ack 1 (4)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildData(2, "EVIL", 4)),
              std::vector<std::string>{"Error 5 (24)"});
    EXPECT_EQ(Exchange(client, tftp::BuildData(2, last.data(), last.size())),
              std::vector<std::string>{"Ack 2 (4)"});
    EXPECT_EQ(ReadFile(Root("new")), first + last);
    EXPECT_EQ(Entries(scratch), Untouched({"new"}));
}

TEST_F(ServerHostileNetTest, RequestFloodKeepsMemoryBoundedAndANormalClientIsServedAfter) {
    std::vector<std::unique_ptr<RawClient>> flood(20);
    for (auto& c : flood) c = std::make_unique<RawClient>();
    long before = ResidentKiB();
    for (int round = 0; round < 100; ++round) {
        for (std::size_t i = 0; i < flood.size(); ++i) {
            const char* name = i % 3 == 0 ? "big" : i % 3 == 1 ? "missing" : "sub/flood";
            flood[i]->Send(Request(i % 2 ? tftp::WRQ : tftp::RRQ, name), port);
        }
        loop.RunFor(5);
        for (auto& c : flood) c->Take();
    }
    loop.RunFor(50);
    long after = ResidentKiB();
    EXPECT_LT(after - before, 32 * 1024) << before << " KiB before, " << after << " after";
    for (const auto& e : fs::directory_iterator(scratch / "root" / "sub"))
        EXPECT_NE(e.path().filename().string().front(), '.') << "a write left half done";

    if (::system("command -v tftp >/dev/null 2>&1") != 0) GTEST_SKIP() << "tftp is not installed";
    std::string p = std::to_string(port);
    std::string got = (scratch / "client" / "got").string();
    EXPECT_EQ(RunClient({"tftp", "-m", "binary", "127.0.0.1", p, "-c", "get", "big", got}), 0);
    EXPECT_EQ(ReadFile(got), Pattern(1500, 1));
    WriteFile(scratch / "client" / "up", Pattern(2000, 9));
    EXPECT_EQ(RunClient({"tftp", "-m", "binary", "127.0.0.1", p, "-c", "put",
                         (scratch / "client" / "up").string(), "up"}),
              0);
    EXPECT_EQ(ReadFile(Root("up")), Pattern(2000, 9));
    EXPECT_EQ(ReadFile(scratch / "secret"), "outside the root");
    std::vector<std::string> root = Entries(scratch / "root");
    EXPECT_EQ(root, (std::vector<std::string>{"big", "small", "sub", "up"}));
    if (::system("command -v curl >/dev/null 2>&1") == 0) {
        std::string small = (scratch / "client" / "small").string();
        EXPECT_EQ(RunClient({"curl", "-sS", "-o", small, "tftp://127.0.0.1:" + p + "/small"}), 0);
        EXPECT_EQ(ReadFile(small), Pattern(100, 2));
    }
}

}  // namespace
