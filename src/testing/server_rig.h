// Everything a server test or fuzz target runs on: a manual clock and its loop, the in-memory
// network with one host for the server, and a scratch folder (in memory where there is such
// a place) whose "root" the server serves. Process-wide state is reset on construction, the
// server attached to its timer and to the test host; all of it is undone on destruction.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "sequencer/engine_state.h"
#include "sequencer/server_timer.h"
#include "testing/test_host.h"
#include "tftp/tftp_server.h"

namespace testhost {

inline tftp::Bytes Pattern(std::size_t n, int seed = 1) {
    tftp::Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return b;
}

class ServerRig {
public:
    ServerRig(std::uint32_t address, std::uint16_t port) : stack(net.AddHost(address)) {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::path base = fs::is_directory("/dev/shm", ec) ? "/dev/shm" : fs::temp_directory_path();
        std::string pattern = (base / "sperrow-server-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        scratch = pattern;
        root = scratch + "/root";
        fs::create_directories(root);
        fw::SetMainLoop(&loop);
        ResetEngineState();
        ResetHost();
        Host().server_root = root;
        server->SetStack(&stack);
        SetServerUnderTest(server.get());
        AttachServerTimer(server.get());
        if (!server->CreateServerSocket(port)) std::abort();
    }
    ~ServerRig() {
        StopServer();
        fw::SetMainLoop(nullptr);  // the loop dies with the rig
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }

    // The server gone and its files closed, so that the tree can be judged.
    void StopServer() {
        server.reset();
        AttachServerTimer(nullptr);
        SetServerUnderTest(nullptr);
    }

    // A file beneath the root (an absolute path as it is).
    void Put(const std::filesystem::path& path, const tftp::Bytes& b) const {
        std::ofstream(std::filesystem::path(root) / path, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    tftp::Bytes Get(const std::filesystem::path& path) const {
        std::ifstream in(std::filesystem::path(root) / path, std::ios::binary);
        return tftp::Bytes(std::istreambuf_iterator<char>(in), {});
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& stack;
    std::string scratch;  // holds the root and whatever a test lays beside it
    std::string root;
    std::unique_ptr<TftpServer> server = std::make_unique<TftpServer>();
};

}  // namespace testhost
