// `--broadcast` and `--delay` as the command line sets them: "Broadcast Download" shares
// its id with the main window's logo, so the click must land on the upgrade page's radio
// button, and an upgrade must then reach every modem of the (in-memory) segment whole.
// The same on a real segment of network namespaces is tests/segment/.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "frontends/cli/cli_options.h"
#include "frontends/cli/output.h"
#include "frontends/cli/runner.h"
#include "modem/simulated_modem.h"
#include "sequencer/step_ring.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kHostAddr = 0x0A000001;  // 10.0.0.1
constexpr std::uint32_t kModemAddrs[] = {0x0A00000B, 0x0A00000C, 0x0A00000D};

std::string ReadAll(std::FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, got);
    return text;
}

// An image of the newer format, larger than one block, whose compatible list names the
// modems' board.
std::string Image() {
    std::string board = "SIM-BOARD-1";
    std::string bytes = "LZ0110400000";
    for (int i = 0; i < 1500; ++i) bytes += static_cast<char>('a' + i % 26);
    bytes += board + '\0';
    std::size_t list = board.size() + 1;
    bytes += static_cast<char>(list >> 8);
    bytes += static_cast<char>(list & 0xFF);
    return bytes;
}

class BroadcastCommandTest : public ::testing::Test {
protected:
    BroadcastCommandTest() {
        fw::SetMainLoop(&loop);
        char tmpl[] = "/tmp/sperrow-cli-broadcast-XXXXXX";
        dir = mkdtemp(tmpl);
        oldCwd = fs::current_path();
        fs::current_path(dir);
        ResetStepRings();
        TheRunObserver().Reset();
        g_bUnicast = 1;
        g_nTargetOs = 0;
        g_bUpdateComplete = 0;
        for (std::uint32_t addr : kModemAddrs) {
            modem::ModemConfig config;
            config.listen_addr = fw::kAnyAddr;
            config.listen_port = 6969;
            config.answer_from_listen_port = true;
            config.password = "secret";
            config.data_dir = dir;
            modems.push_back(std::make_unique<modem::SimulatedModem>(net.AddHost(addr), config));
            EXPECT_TRUE(modems.back()->Start());
        }
        options.modem = "10.0.0.11";
        options.password = "secret";
        options.port = 6969;
        options.broadcast = true;
        options.delay = 10;
        options.quiet = true;
        options.noWait = true;
        options.command = Command::kUpgrade;
        options.file = "fw.comp";
        std::ofstream("fw.comp", std::ios::binary) << Image();
    }
    ~BroadcastCommandTest() override {
        modems.clear();
        std::fclose(out);
        std::fclose(err);
        fs::current_path(oldCwd);
        fs::remove_all(dir);
        fw::SetMainLoop(nullptr);
    }

    int Run() {
        Output output(out, err, false, false);
        return RunCommandWith(options, output, false, &host);
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& host = net.AddHost(kHostAddr);
    std::vector<std::unique_ptr<modem::SimulatedModem>> modems;
    std::string dir;
    fs::path oldCwd;
    CliOptions options;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
};

TEST_F(BroadcastCommandTest, UpgradeReachesEveryModemOfTheSegmentWhole) {
    EXPECT_EQ(Run(), 0) << ReadAll(err);
    EXPECT_EQ(g_bUnicast, 0) << "the page's Broadcast Download was not chosen";
    std::string image = Image();
    std::vector<std::uint8_t> expected(image.begin(), image.end());
    for (const auto& m : modems) {
        const modem::ReceivedFile* got = m->LastReceived("image");
        ASSERT_NE(got, nullptr);
        EXPECT_TRUE(got->complete);
        EXPECT_EQ(got->bytes, expected);
        const modem::ReceivedFile* end = m->LastReceived("tftpupdt.end");
        ASSERT_NE(end, nullptr);
        EXPECT_TRUE(end->complete);
    }
}

}  // namespace
}  // namespace cli
