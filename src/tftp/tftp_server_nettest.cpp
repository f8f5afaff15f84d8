// The server on the real loopback, in-process, against real TFTP clients run as child
// processes (each wrapped in `timeout`). CTest runs this inside a loopback-only namespace.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "framework/event_loop.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "testing/test_host_server.h"
#include "tftp/host_hooks.h"
#include "tftp/tftp_server.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using testhost::Host;

struct Client {
    std::string name;
    std::function<Args(bool get, const std::string& remote, const std::string& local,
                       const std::string& port)>
        command;
};

std::string Curl(const std::string& port, const std::string& remote) {
    return "tftp://127.0.0.1:" + port + "/" + remote;
}

// The unpacked atftp lives in <build>/peers; fall back to one on the PATH.
std::string FindAtftp() {
    fs::path dir = fs::read_symlink("/proc/self/exe").parent_path();
    for (int up = 0; up < 6 && !dir.empty(); ++up, dir = dir.parent_path()) {
        for (const char* rel : {"peers/usr/bin/atftp", "build/peers/usr/bin/atftp"}) {
            if (fs::exists(dir / rel)) return (dir / rel).string();
        }
        if (dir == dir.root_path()) break;
    }
    return fs::exists("/usr/bin/atftp") ? "/usr/bin/atftp" : "";
}

std::vector<Client> Clients() {
    std::vector<Client> clients = {
        {"tftp-hpa",
         [](bool get, auto& remote, auto& local, auto& port) {
             return get ? Args{"tftp", "-m", "binary", "127.0.0.1", port, "-c", "get", remote, local}
                        : Args{"tftp", "-m", "binary", "127.0.0.1", port, "-c", "put", local, remote};
         }},
        {"curl",
         [](bool get, auto& remote, auto& local, auto& port) {
             return get ? Args{"curl", "-sS", "--path-as-is", "-o", local, Curl(port, remote)}
                        : Args{"curl", "-sS", "--path-as-is", "-T", local, Curl(port, remote)};
         }},
        {"curl --tftp-no-options",
         [](bool get, auto& remote, auto& local, auto& port) {
             return get ? Args{"curl", "-sS", "--tftp-no-options", "--path-as-is", "-o", local,
                               Curl(port, remote)}
                        : Args{"curl", "-sS", "--tftp-no-options", "--path-as-is", "-T", local,
                               Curl(port, remote)};
         }},
        {"busybox",
         [](bool get, auto& remote, auto& local, auto& port) {
             return Args{"busybox", "tftp", get ? "-g" : "-p", "-r", remote, "-l", local,
                         "127.0.0.1", port};
         }},
    };
    std::string atftp = FindAtftp();
    if (atftp.empty()) {
        std::cerr << "atftp not found (scripts/setup.sh unpacks it): its cases are skipped\n";
    } else {
        clients.push_back({"atftp", [atftp](bool get, auto& remote, auto& local, auto& port) {
                               return Args{atftp, get ? "-g" : "-p", "-r", remote, "-l", local,
                                           "127.0.0.1", port};
                           }});
    }
    return clients;
}

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

class ServerNetTest : public ::testing::Test {
protected:
    ServerNetTest() {
        fw::SetMainLoop(&loop);
        testhost::ResetHost();
        parent = fs::temp_directory_path() / ("sperrow-servernet-" + std::to_string(::getpid()));
        fs::remove_all(parent);
        fs::create_directories(parent / "root" / "a");
        fs::create_directories(parent / "client");
        Host().server_root = (parent / "root").string();
        Host().timeout_text = "1";
        testhost::SetServerUnderTest(&server);
        AttachServerTimer(&server);
        EXPECT_TRUE(server.CreateServerSocket(0, "127.0.0.1"));
        port = std::to_string(server.LocalPort());
    }
    ~ServerNetTest() override {
        AttachServerTimer(nullptr);
        testhost::SetServerUnderTest(nullptr);
        server.Close();
        fw::SetMainLoop(nullptr);  // the loop dies with the fixture
        fs::remove_all(parent);
    }

    // Runs a client to its end (at most `seconds`) while the server serves on this thread.
    // `interrupt`, polled between datagrams, may ask for the client to be stopped midway.
    int Run(const Args& args, int seconds, const std::function<bool()>& interrupt = {}) {
        Host().log.clear();
        std::string out = (parent / "client.out").string();
        pid_t pid = ::fork();
        if (pid == 0) {
            int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            if (::chdir((parent / "client").c_str()) != 0) ::_exit(126);
            std::vector<std::string> full = {"timeout", "-k", "1", std::to_string(seconds)};
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
    fs::path Root(const std::string& name) { return parent / "root" / name; }
    fs::path Local(const std::string& name) { return parent / "client" / name; }
    std::vector<std::string> Entries(const fs::path& dir) {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fw::SteadyClock clock;
    fw::EventLoop loop{clock};
    TftpServer server;
    fs::path parent;
    std::string port;
    std::string clientOutput;
};

const std::size_t kSizes[] = {0, 511, 512, 1024, 1000000};

TEST_F(ServerNetTest, DownloadsArriveIdentical) {
    for (std::size_t size : kSizes) WriteFile(Root("f" + std::to_string(size)), Pattern(size, 7));
    for (const Client& client : Clients()) {
        for (std::size_t size : kSizes) {
            std::string name = "f" + std::to_string(size);
            SCOPED_TRACE(client.name + " " + name);
            fs::remove(Local(name));
            int rc = Run(client.command(true, name, Local(name).string(), port), 30);
            EXPECT_EQ(rc, 0) << clientOutput;
            EXPECT_TRUE(ReadFile(Local(name)) == Pattern(size, 7));
        }
    }
}

TEST_F(ServerNetTest, UploadsArriveIdenticalOnlyWithWriteEnabled) {
    for (const Client& client : Clients()) {
        for (std::size_t size : kSizes) {
            std::string name = "u" + std::to_string(size);
            SCOPED_TRACE(client.name + " " + name);
            WriteFile(Local(name), Pattern(size, 3));
            Host().server_write_enabled = true;
            fs::remove(Root(name));
            EXPECT_EQ(Run(client.command(false, name, Local(name).string(), port), 30), 0)
                << clientOutput;
            EXPECT_TRUE(ReadFile(Root(name)) == Pattern(size, 3));
        }
        SCOPED_TRACE(client.name + " with Enable Write off");
        Host().server_write_enabled = false;
        WriteFile(Local("refused"), "data");
        Run(client.command(false, "refused", Local("refused").string(), port), 2);
        EXPECT_FALSE(fs::exists(Root("refused")));
        for (auto& line : Host().log) EXPECT_EQ(line.rfind("Remote IP", 0), 0u) << line;
    }
}

TEST_F(ServerNetTest, NamesOutsideTheRootNeverReachAFile) {
    WriteFile(parent / "x", "outside");
    WriteFile(Local("payload"), "payload");
    Host().server_write_enabled = true;
    for (const Client& client : Clients()) {
        for (const char* name : {"../x", "/etc/passwd", "a/../../x"}) {
            SCOPED_TRACE(client.name + " " + name);
            fs::remove(Local("got"));
            Run(client.command(true, name, Local("got").string(), port), 1);
            EXPECT_FALSE(fs::exists(Local("got")) && fs::file_size(Local("got")) > 0);
            Run(client.command(false, name, Local("payload").string(), port), 1);
            EXPECT_EQ(ReadFile(parent / "x"), "outside");
            EXPECT_EQ(Entries(parent), (std::vector<std::string>{"client", "client.out", "root", "x"}));
            EXPECT_EQ(Entries(parent / "root"), std::vector<std::string>{"a"});
            EXPECT_TRUE(Entries(parent / "root" / "a").empty());
        }
    }
}

TEST_F(ServerNetTest, UploadCutOffMidwayLeavesTheEarlierFileIntact) {
    Host().server_write_enabled = true;
    Host().retry_text = "0";  // the first expiry gives up
    WriteFile(Local("big"), Pattern(1000000, 5));
    for (const Client& client : Clients()) {
        SCOPED_TRACE(client.name);
        WriteFile(Root("big"), "earlier");
        Run(client.command(false, "big", Local("big").string(), port), 30,
            [&] { return server.IsWriting() && server.CurrentBlock() >= 50; });
        EXPECT_EQ(ReadFile(Root("big")), "earlier");
        // Once the server gives up (or the client says it stopped), the half-received copy
        // goes too.
        for (int i = 0; i < 100 && server.IsWriting(); ++i) loop.RunOnce(100);
        EXPECT_FALSE(server.IsWriting());
        EXPECT_EQ(Entries(parent / "root"), (std::vector<std::string>{"a", "big"}));
    }
}

}  // namespace
