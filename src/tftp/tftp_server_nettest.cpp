// The server on the real loopback, in-process, against real TFTP clients run as child
// processes (each wrapped in `timeout`) while the server serves on this thread: whole files
// both ways with every client, and with one client the names and links that lead out of the
// root and an upload cut off midway. CTest runs these tests in a loopback-only namespace.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "framework/event_loop.h"
#include "sequencer/engine_state.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "tftp/tftp_server.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
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
// Every entry under `dir`, links not followed.
std::vector<std::string> Tree(const fs::path& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::recursive_directory_iterator(dir))
        names.push_back(e.path().lexically_relative(dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

// The unpacked atftp lives in <build>/peers; fall back to one on the PATH.
std::string FindAtftp() {
    fs::path dir = fs::read_symlink("/proc/self/exe").parent_path();
    for (int up = 0; up < 6 && dir != dir.root_path(); ++up, dir = dir.parent_path()) {
        for (const char* rel : {"peers/usr/bin/atftp", "build/peers/usr/bin/atftp"})
            if (fs::exists(dir / rel)) return (dir / rel).string();
    }
    return fs::exists("/usr/bin/atftp") ? "/usr/bin/atftp" : "";
}

// A client's command line for a get or a put of `remote` from or to `local`.
using Client = std::pair<std::string, std::function<Args(bool get, const std::string& remote,
                                                         const std::string& local,
                                                         const std::string& port)>>;

Args Curl(bool get, const std::string& remote, const std::string& local, const std::string& port,
          bool options) {
    Args a = {"curl", "-sS", "--path-as-is", get ? "-o" : "-T", local,
              "tftp://127.0.0.1:" + port + "/" + remote};
    if (!options) a.insert(a.begin() + 1, "--tftp-no-options");
    return a;
}

const Client kTftpHpa = {"tftp-hpa", [](bool get, auto& remote, auto& local, auto& port) {
                             return get ? Args{"tftp", "-m", "binary", "127.0.0.1", port, "-c",
                                               "get", remote, local}
                                        : Args{"tftp", "-m", "binary", "127.0.0.1", port, "-c",
                                               "put", local, remote};
                         }};

std::vector<Client> Clients() {
    std::vector<Client> clients = {
        kTftpHpa,
        {"curl", [](bool g, auto& r, auto& l, auto& p) { return Curl(g, r, l, p, true); }},
        {"curl --tftp-no-options",
         [](bool g, auto& r, auto& l, auto& p) { return Curl(g, r, l, p, false); }},
        {"busybox", [](bool get, auto& remote, auto& local, auto& port) {
             return Args{"busybox", "tftp", get ? "-g" : "-p", "-r", remote, "-l", local,
                         "127.0.0.1", port};
         }}};
    if (std::string atftp = FindAtftp(); !atftp.empty()) {
        clients.push_back({"atftp", [atftp](bool get, auto& remote, auto& local, auto& port) {
                               return Args{atftp, get ? "-g" : "-p", "-r", remote, "-l", local,
                                           "127.0.0.1", port};
                           }});
    } else {
        std::cerr << "atftp not found (scripts/setup.sh unpacks it): its cases are skipped\n";
    }
    return clients;
}

// A scratch tree (<scratch>/root is served, clients run in <scratch>/client) and the server
// on 127.0.0.1 on a free port.
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
        fs::remove_all(scratch);
        tftp::ForceResolveWalk(false);
    }

    fs::path Root(const std::string& name) { return scratch / "root" / name; }
    fs::path Local(const std::string& name) { return scratch / "client" / name; }

    // Runs a client to its end (at most `seconds`) while the server serves: its exit status
    // (-1: killed), its output in `said`, lower case. `interrupt`, polled between datagrams,
    // may ask for the client to be stopped midway.
    int Run(const Args& args, int seconds, const std::function<bool()>& interrupt = {}) {
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
        said = ReadFile(out);
        std::transform(said.begin(), said.end(), said.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Each client says it its own way (tftp-hpa even exits 0); curl's status for it is 69.
    bool ToldAccessViolation(int status) const {
        return said.find("access violation") != std::string::npos ||
               (status == 69 && said.find("curl") != std::string::npos);
    }

    fw::SteadyClock clock;
    fw::EventLoop loop{clock};
    TftpServer server;
    fs::path scratch;
    std::string port;
    std::string said;
};

// Every client gets and puts files of the sizes around the block boundaries identically,
// and is told an access violation when writing is off.
TEST_F(ServerNetTest, EveryClientMovesFilesIdenticallyBothWays) {
    const std::size_t sizes[] = {0, 512, 1000000};
    for (std::size_t size : sizes) WriteFile(Root("f" + std::to_string(size)), Pattern(size, 7));
    for (const auto& [client, command] : Clients()) {
        for (std::size_t size : sizes) {
            std::string name = std::to_string(size);
            SCOPED_TRACE(client + " " + name);
            EXPECT_EQ(Run(command(true, "f" + name, Local("f" + name).string(), port), 30), 0)
                << said;
            EXPECT_TRUE(ReadFile(Local("f" + name)) == Pattern(size, 7));
            WriteFile(Local("u" + name), Pattern(size, 3));
            Host().server_write_enabled = true;
            EXPECT_EQ(Run(command(false, "u" + name, Local("u" + name).string(), port), 30), 0)
                << said;
            EXPECT_TRUE(ReadFile(Root("u" + name)) == Pattern(size, 3));
            fs::remove(Root("u" + name));
            fs::remove(Local("f" + name));
        }
        Host().server_write_enabled = false;
        WriteFile(Local("refused"), "data");
        EXPECT_TRUE(ToldAccessViolation(Run(command(false, "refused", Local("refused").string(), port), 10)))
            << client << ": " << said;
        EXPECT_FALSE(fs::exists(Root("refused")));
    }
}

// Every way out, with the kernel resolving the names and with the walk: nothing outside the
// root is read, written or made. One client proves it; the in-memory tests prove the rest.
TEST_F(ServerNetTest, NoNameAndNoLinkLeadsOutOfTheRoot) {
    fs::create_directories(scratch / "outside");
    WriteFile(scratch / "outside" / "secret.txt", "outside");
    fs::create_directories(Root("a"));
    fs::create_symlink("../outside/secret.txt", Root("link.txt"));
    fs::create_symlink("../outside", Root("linkdir"));
    fs::create_symlink("../../outside", Root("a/deeper"));
    WriteFile(Local("payload"), "payload");
    Host().server_write_enabled = true;
    const std::vector<std::string> root_before = Tree(scratch / "root");
    for (bool walk : {false, true}) {
        tftp::ForceResolveWalk(walk);
        for (const char* name : {"../outside/secret.txt", "/etc/passwd", "a/../../outside/secret.txt",
                                 "link.txt", "linkdir/secret.txt", "a/deeper/new.txt"}) {
            SCOPED_TRACE(std::string(name) + (walk ? " (walk)" : ""));
            fs::remove(Local("got"));
            EXPECT_TRUE(ToldAccessViolation(Run(kTftpHpa.second(true, name, "got", port), 10)));
            EXPECT_FALSE(fs::exists(Local("got")) && fs::file_size(Local("got")) > 0);
            EXPECT_TRUE(ToldAccessViolation(Run(kTftpHpa.second(false, name, "payload", port), 10)));
            EXPECT_EQ(Tree(scratch / "outside"), std::vector<std::string>{"secret.txt"});
            EXPECT_EQ(ReadFile(scratch / "outside" / "secret.txt"), "outside");
            EXPECT_EQ(Tree(scratch / "root"), root_before);
        }
    }
}

TEST_F(ServerNetTest, UploadCutOffMidwayLeavesTheEarlierFileIntact) {
    Host().server_write_enabled = true;
    Host().retry_text = "0";  // the first expiry gives up
    WriteFile(Local("big"), Pattern(1000000, 5));
    WriteFile(Root("big"), "earlier");
    Run(kTftpHpa.second(false, "big", Local("big").string(), port), 30, [&] {
        return server.TransferCount() == 1 && !server.TransferAt(0).sending &&
               server.TransferAt(0).currentBlock >= 50;
    });
    EXPECT_EQ(ReadFile(Root("big")), "earlier");
    for (int i = 0; i < 100 && server.TransferCount() > 0; ++i) loop.RunOnce(100);
    EXPECT_EQ(server.TransferCount(), 0u);
    EXPECT_EQ(Tree(scratch / "root"), std::vector<std::string>{"big"});
}

}  // namespace
