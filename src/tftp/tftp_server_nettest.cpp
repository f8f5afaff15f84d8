// The server on the real loopback, in-process, against tftp-hpa run as a child process
// (wrapped in `timeout`) while the server serves on this thread: whole files both ways, the
// names and links that lead out of the root. The process tests run the other clients; the
// in-memory tests prove uploads cut off midway. CTest runs these tests in a loopback-only namespace.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/event_loop.h"
#include "sequencer/engine_state.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "tftp/server_test_support.h"
#include "tftp/tftp_server.h"

namespace {

namespace fs = std::filesystem;
using servertest::Tree;
using testhost::Host;

std::string Pattern(std::size_t n, int seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + i / 512 + seed) & 0xFF);
    return s;
}
void WriteFile(const fs::path& p, const std::string& content) {
    std::ofstream(p, std::ios::binary) << content;
}
std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A scratch tree (<scratch>/root is served, the client runs in <scratch>/client) and the
// server on 127.0.0.1 on a free port.
class ServerNetTest : public ::testing::Test {
protected:
    ServerNetTest() {
        fw::SetMainLoop(&loop);
        ResetEngineState();
        testhost::ResetHost();
        scratch = fs::temp_directory_path() / ("sperrow-servernet-" + std::to_string(::getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch / "root");
        fs::create_directories(scratch / "client");
        Host().server_root = (scratch / "root").string();
        Host().timeout_text = "1";
        Host().server_write_enabled = true;
        testhost::SetServerUnderTest(&server);
        AttachServerTimer(&server);
        EXPECT_TRUE(server.CreateServerSocket(0, "127.0.0.1"));
    }
    ~ServerNetTest() override {
        AttachServerTimer(nullptr);
        testhost::SetServerUnderTest(nullptr);
        server.Close();
        fw::SetMainLoop(nullptr);  // the loop dies with the fixture
        fs::remove_all(scratch);
        tftp::ForceResolveWalk(false);
    }

    fs::path Root(const std::string& name) { return scratch / "root" / name; }
    fs::path Local(const std::string& name) { return scratch / "client" / name; }

    // Runs a get or a put of `remote` from or to `local` to its end (at most `seconds`) while
    // the server serves: the client's exit status (-1: killed), its output in `said`.
    int Run(bool get, const std::string& remote, const std::string& local, int seconds = 10) {
        std::string out = (scratch / "client.out").string();
        std::vector<std::string> args = {"timeout", "-k", "1", std::to_string(seconds), "tftp",
                                         "-m", "binary", "127.0.0.1",
                                         std::to_string(server.LocalPort()), "-c",
                                         get ? "get" : "put", get ? remote : local,
                                         get ? local : remote};
        pid_t pid = ::fork();
        if (pid == 0) {
            int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            if (::chdir((scratch / "client").c_str()) != 0) ::_exit(126);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execvp("timeout", argv.data());
            ::_exit(127);
        }
        fw::Millis deadline = loop.Now() + (seconds + 5) * 1000;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (loop.Now() > deadline) ::kill(pid, SIGKILL);
            loop.RunOnce(10);
        }
        loop.RunFor(20);  // whatever the client sent last
        said = ReadFile(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // tftp-hpa says so, and exits 0 all the same.
    bool ToldAccessViolation() const { return said.find("Access violation") != std::string::npos; }

    fw::SteadyClock clock;
    fw::EventLoop loop{clock};
    TftpServer server;
    fs::path scratch;
    std::string said;
};

// Files of the sizes around the block boundaries go both ways identically; a put is told
// an access violation when writing is off.
TEST_F(ServerNetTest, FilesMoveIdenticallyBothWays) {
    for (std::size_t size : {0, 512, 1000000}) {
        std::string name = std::to_string(size);
        SCOPED_TRACE(name);
        WriteFile(Root("f" + name), Pattern(size, 7));
        EXPECT_EQ(Run(true, "f" + name, Local("f" + name).string(), 30), 0) << said;
        EXPECT_TRUE(ReadFile(Local("f" + name)) == Pattern(size, 7));
        WriteFile(Local("u" + name), Pattern(size, 3));
        EXPECT_EQ(Run(false, "u" + name, Local("u" + name).string(), 30), 0) << said;
        EXPECT_TRUE(ReadFile(Root("u" + name)) == Pattern(size, 3));
    }
    Host().server_write_enabled = false;
    Run(false, "refused", Local("u0").string());
    EXPECT_TRUE(ToldAccessViolation()) << said;
    EXPECT_FALSE(fs::exists(Root("refused")));
}

// Every way out, with the kernel resolving the names and with the walk: nothing outside the
// root is read, written or made. The in-memory tests prove the rest.
TEST_F(ServerNetTest, NoNameAndNoLinkLeadsOutOfTheRoot) {
    fs::create_directories(scratch / "outside");
    WriteFile(scratch / "outside" / "secret.txt", "outside");
    fs::create_directories(Root("a"));
    fs::create_symlink("../outside/secret.txt", Root("link.txt"));
    fs::create_symlink("../outside", Root("linkdir"));
    fs::create_symlink("../../outside", Root("a/deeper"));
    WriteFile(Local("payload"), "payload");
    const std::vector<std::string> root_before = Tree(scratch / "root");
    for (bool walk : {false, true}) {
        tftp::ForceResolveWalk(walk);
        for (const char* name : {"../outside/secret.txt", "/etc/passwd", "a/../../outside/secret.txt",
                                 "link.txt", "linkdir/secret.txt", "a/deeper/new.txt"}) {
            SCOPED_TRACE(std::string(name) + (walk ? " (walk)" : ""));
            fs::remove(Local("got"));
            Run(true, name, "got");
            EXPECT_TRUE(ToldAccessViolation());
            EXPECT_FALSE(fs::exists(Local("got")) && fs::file_size(Local("got")) > 0);
            Run(false, name, "payload");
            EXPECT_TRUE(ToldAccessViolation());
            EXPECT_EQ(Tree(scratch / "outside"), std::vector<std::string>{"secret.txt"});
            EXPECT_EQ(ReadFile(scratch / "outside" / "secret.txt"), "outside");
            EXPECT_EQ(Tree(scratch / "root"), root_before);
        }
    }
}

}  // namespace
