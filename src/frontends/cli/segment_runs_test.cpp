// Upgrades run whole by the command line on an in-memory segment of simulated modems and
// the manual clock: what the real segments of tests/segment/ show in seconds, shown here in
// an instant and without privileges.
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
#include "sequencer/engine_state.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kHostAddr = 0x0A000001;        // 10.0.0.1
constexpr std::uint32_t kFirstModemAddr = 0x0A00000B;  // 10.0.0.11, then .12, .13

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

class SegmentRunTest : public ::testing::Test {
protected:
    SegmentRunTest() {
        fw::SetMainLoop(&loop);
        char tmpl[] = "/tmp/sperrow-cli-segment-XXXXXX";
        dir = mkdtemp(tmpl);
        oldCwd = fs::current_path();
        fs::current_path(dir);
        ResetEngineState();
        config.listen_port = 6969;
        config.password = "secret";
        config.data_dir = dir;
        options.modem = "10.0.0.11";
        options.password = "secret";
        options.port = 6969;
        options.quiet = true;
        options.noWait = true;
        options.command = Command::kUpgrade;
        options.file = "fw.comp";
        std::ofstream("fw.comp", std::ios::binary) << Image();
    }
    ~SegmentRunTest() override {
        modems.clear();
        std::fclose(out);
        std::fclose(err);
        fs::current_path(oldCwd);
        fs::remove_all(dir);
        fw::SetMainLoop(nullptr);
    }

    // `count` modems at 10.0.0.11 and up, each from `config` and `faults`.
    void StartModems(int count) {
        for (int i = 0; i < count; ++i) {
            fw::NetStack& stack = net.AddHost(kFirstModemAddr + static_cast<std::uint32_t>(i));
            modems.push_back(std::make_unique<modem::SimulatedModem>(stack, config));
            modems.back()->SetFaults(faults);
            EXPECT_TRUE(modems.back()->Start());
        }
    }

    int Run() {
        Output output(out, err, false, false);
        return RunCommandWith(options, output, false, &host);
    }

    void ExpectWholeImageAt(const modem::SimulatedModem& m) {
        std::string image = Image();
        const modem::ReceivedFile* got = m.LastReceived("image");
        ASSERT_NE(got, nullptr);
        EXPECT_TRUE(got->complete);
        EXPECT_EQ(got->bytes, std::vector<std::uint8_t>(image.begin(), image.end()));
        const modem::ReceivedFile* end = m.LastReceived("tftpupdt.end");
        ASSERT_NE(end, nullptr);
        EXPECT_TRUE(end->complete);
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& host = net.AddHost(kHostAddr);
    modem::ModemConfig config;
    modem::FaultPlan faults;
    std::vector<std::unique_ptr<modem::SimulatedModem>> modems;
    std::string dir;
    fs::path oldCwd;
    CliOptions options;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
};

// "Broadcast Download" shares its id with the main window's logo: --broadcast must press
// the upgrade page's radio button, and the upgrade then reaches every modem whole.
TEST_F(SegmentRunTest, BroadcastUpgradeReachesEveryModemOfTheSegmentWhole) {
    config.listen_addr = fw::kAnyAddr;
    config.answer_from_listen_port = true;
    StartModems(3);
    options.broadcast = true;
    options.delay = 10;
    EXPECT_EQ(Run(), 0) << ReadAll(err);
    EXPECT_EQ(g_bUnicast, 0) << "the page's Broadcast Download was not chosen";
    for (const auto& m : modems) ExpectWholeImageAt(*m);
}

// Every acknowledgement of the end marker is lost, and the modem's completion report comes
// before the client's retransmission would: the report proves the marker arrived, so the run
// goes on to its end instead of waiting for an acknowledgement that will not come.
TEST_F(SegmentRunTest, CompletionReportStandsForALostAcknowledgementOfTheEndMarker) {
    config.listen_addr = kFirstModemAddr;
    config.completion_delay_ms = 200;
    faults.drop = {"ack1:tftpupdt.end*"};
    StartModems(1);
    options.timeout = 3;
    EXPECT_EQ(Run(), 0) << ReadAll(err);
    ExpectWholeImageAt(*modems.front());
}

}  // namespace
}  // namespace cli
