// What the server's tests on the real loopback share: a scratch tree (<scratch>/root is
// served, clients run in <scratch>/client), the server on 127.0.0.1 on a free port, a client
// socket of our own that sends exactly the bytes it is given, and real TFTP clients run as
// child processes (each wrapped in `timeout`) while the server serves on this thread. CTest
// runs these tests inside a loopback-only namespace.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "framework/event_loop.h"
#include "sequencer/engine_state.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "tftp/packet.h"
#include "tftp/tftp_server.h"

namespace servernet {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

inline std::string Pattern(std::size_t n, int seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + i / 512 + seed) & 0xFF);
    return s;
}
inline void WriteFile(const fs::path& p, const std::string& content) {
    std::ofstream(p, std::ios::binary) << content;
}
inline std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
// Every entry under `dir`, links not followed.
inline std::vector<std::string> Tree(const fs::path& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::recursive_directory_iterator(dir))
        names.push_back(e.path().lexically_relative(dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

// A client socket of our own on 127.0.0.1.
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

    void Send(const tftp::Bytes& b, unsigned port) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    // Everything that has arrived, oldest first.
    std::vector<tftp::Bytes> Take() {
        std::vector<tftp::Bytes> got;
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

// "Data 2 (516)", "Error 2 (128)", ...
inline std::string Describe(const tftp::Bytes& d) {
    tftp::Header h = tftp::ParseHeader(d.data(), d.size());
    if (!h.valid) return "?";
    return std::string(tftp::PCodeName(h.opcode)) + " " + std::to_string(h.field) + " (" +
           std::to_string(d.size()) + ")";
}

class ServerNetFixture : public ::testing::Test {
protected:
    ServerNetFixture() {
        fw::SetMainLoop(&loop);
        ResetEngineState();
        testhost::ResetHost();
        scratch = fs::temp_directory_path() / ("sperrow-servernet-" + std::to_string(::getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch / "root");
        fs::create_directories(scratch / "client");
        testhost::Host().server_root = (scratch / "root").string();
        testhost::Host().timeout_text = "1";
        testhost::SetServerUnderTest(&server);
        AttachServerTimer(&server);
        EXPECT_TRUE(server.CreateServerSocket(0, "127.0.0.1"));
        port = server.LocalPort();
    }
    ~ServerNetFixture() override {
        AttachServerTimer(nullptr);
        testhost::SetServerUnderTest(nullptr);
        server.Close();
        fw::SetMainLoop(nullptr);  // the loop dies with the fixture
        fs::remove_all(scratch);
        tftp::ForceResolveWalk(false);
    }

    fs::path Root(const std::string& name) { return scratch / "root" / name; }
    fs::path Local(const std::string& name) { return scratch / "client" / name; }

    // Sends, lets the server work a little, and returns what came back to `from`.
    std::vector<std::string> Exchange(RawClient& from, const tftp::Bytes& b) {
        from.Send(b, port);
        loop.RunFor(30);
        std::vector<std::string> got;
        for (const tftp::Bytes& d : from.Take()) got.push_back(Describe(d));
        return got;
    }

    // Runs a client to its end (at most `seconds`) while the server serves on this thread: its
    // exit status (-1: killed), its output in clientOutput. `interrupt`, polled between
    // datagrams, may ask for the client to be stopped midway.
    int Run(const Args& args, int seconds, const std::function<bool()>& interrupt = {}) {
        testhost::Host().log.clear();
        std::string out = (scratch / "client.out").string();
        pid_t pid = ::fork();
        if (pid == 0) {
            int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            if (::chdir((scratch / "client").c_str()) != 0) ::_exit(126);
            Args full = {"timeout", "-k", "1", std::to_string(seconds)};
            full.insert(full.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (auto& a : full) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execvp("timeout", argv.data());
            ::_exit(127);
        }
        fw::Millis deadline = loop.Now() + (seconds + 5) * 1000;
        bool interrupted = false;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (loop.Now() > deadline) ::kill(pid, SIGKILL);
            if (!interrupted && interrupt && interrupt()) interrupted = ::kill(pid, SIGTERM) == 0;
            loop.RunOnce(10);
        }
        loop.RunFor(20);  // whatever the client sent last
        clientOutput = ReadFile(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fw::SteadyClock clock;
    fw::EventLoop loop{clock};
    TftpServer server;
    fs::path scratch;
    unsigned port = 0;
    std::string clientOutput;
};

}  // namespace servernet
