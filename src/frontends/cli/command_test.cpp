// Commands run whole against the simulated modem on the in-memory network and the manual
// clock: the ends of a run that take long in real time (a countdown that runs out, a stall,
// a give-up in the middle of a configuration read) are proven here in an instant. The
// commands as programs are tested in tests/cli/ (and on real segments in tests/segment/),
// where json_test.sh holds an upgrade's JSON files and messages to what the modem took.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/window_test_support.h"
#include "formats/pack_builder.h"
#include "frontends/cli/cli_options.h"
#include "frontends/cli/driver.h"
#include "frontends/cli/output.h"
#include "frontends/cli/runner.h"
#include "modem/simulated_modem.h"
#include "tftp/packet.h"
#include "tftp/run_observer.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// The application tests' in-memory segment, clock and scratch folder, with the command line
// as the window's driver.
class CommandTest : public WindowTest {
protected:
    CommandTest() {
        options.modem = "10.0.0.2";
        options.password = "secret";
        options.port = 6969;
        config.listen_port = 6969;
        config.completion_delay_ms = 1000;
        WriteModemIdentity();
        std::setvbuf(out, nullptr, _IONBF, 0);  // what the command wrote is in the file at once
        std::setvbuf(err, nullptr, _IONBF, 0);
    }
    ~CommandTest() override {
        std::fclose(out);
        std::fclose(err);
    }

    // Runs the command with the modem started from `config` and `faults`.
    int Run(Command command, const std::string& file = "") {
        StartModem(config);
        modem->SetFaults(faults);
        options.command = command;
        options.file = file;
        Output output(out, err, false, false);
        return RunCommandWith(options, output, false, &host);
    }
    std::string Out() { return ReadFile(dir + "/out"); }
    std::string Err() { return ReadFile(dir + "/err"); }

    CliOptions options;
    modem::ModemConfig config;
    modem::FaultPlan faults;
    std::FILE* out = std::fopen("out", "w");  // in the scratch folder
    std::FILE* err = std::fopen("err", "w");
};

// An image of the newer format whose compatible list names the modem's board.
std::string Image() {
    ByteVector image = BuildImage("10400000", ByteVector(1500, 'x'));
    AppendCompatibleList(image, {"SIM-BOARD-1"});
    return std::string(image.begin(), image.end());
}

TEST_F(CommandTest, UpgradeWithoutCompletionReportEndsWithThree) {
    WriteFile("fw.comp", Image());
    faults.drop = {"ack:65535*"};
    EXPECT_EQ(Run(Command::kUpgrade, "fw.comp"), 3);
    EXPECT_EQ(Out(),
              "Modem is now updating .....\n"
              "Please check LED or console to see if modem is reboot\n");
}

// A peer on the segment that answers each datagram it gets as `reply` says (nothing: silence).
class ScriptedPeer {
public:
    using Reply = std::function<tftp::Bytes(const tftp::Header&, long size)>;
    ScriptedPeer(fw::NetStack& stack, fw::Endpoint local, Reply reply)
        : socket_(stack.OpenUdp(&error_)), reply_(std::move(reply)) {
        socket_->Bind(local);
        socket_->SetReadableCallback([this] {
            std::uint8_t buffer[1024];
            fw::Endpoint from;
            long got = socket_->RecvFrom(buffer, sizeof buffer, &from);
            if (got < 4) return;
            auto size = static_cast<std::size_t>(got);
            tftp::Bytes answer = reply_(tftp::ParseHeader(buffer, size), got);
            if (!answer.empty()) Send(answer, from);
        });
    }
    void Send(const tftp::Bytes& bytes, fw::Endpoint to) {
        socket_->SendTo(bytes.data(), bytes.size(), to);
    }

private:
    int error_ = 0;
    std::unique_ptr<fw::DatagramSocket> socket_;
    Reply reply_;
};

// A modem that takes the unlock key, answers the first read with a block out of order and
// then says nothing more. The client drops such a block without an acknowledgement, and
// without disarming the timer of the request it claims to answer: the run ends in that
// request's time-out, not in a stall.
TEST_F(CommandTest, StrayBlockLeavesTheReadRequestToItsTimeout) {
    bool strayed = false;
    ScriptedPeer stray(modemHost, {kModemAddr, 6969}, [&](const tftp::Header& h, long) {
        if (h.opcode == tftp::WRQ) return tftp::BuildAck(0);
        if (h.opcode == tftp::DATA) return tftp::BuildAck(h.field);
        if (h.opcode == tftp::RRQ && !std::exchange(strayed, true))
            return tftp::BuildData(7, "late", 4);
        return tftp::Bytes{};
    });
    options.command = Command::kInfo;
    options.timeout = 1;
    Output output(out, err, false, false);
    EXPECT_EQ(RunCommandWith(options, output, false, &host), 1);
    EXPECT_EQ(Err(), "Timeout:\nADSL no response!\n");
    EXPECT_EQ(Out(), "");
}

// Every acknowledgement of the end marker is lost, and the modem's completion report comes
// before the client's retransmission would: the report proves the marker arrived, so the run
// goes on to its end instead of waiting for an acknowledgement that will not come.
TEST_F(CommandTest, CompletionReportStandsForALostAcknowledgementOfTheEndMarker) {
    WriteFile("fw.comp", Image());
    config.completion_delay_ms = 200;
    faults.drop = {"ack1:tftpupdt.end*"};
    options.timeout = 3;
    EXPECT_EQ(Run(Command::kUpgrade, "fw.comp"), 0) << Err();
    std::string image = Image();
    EXPECT_EQ(modem->LastReceived("image")->bytes, std::vector<std::uint8_t>(image.begin(), image.end()));
    EXPECT_TRUE(modem->LastReceived("tftpupdt.end")->complete);
}

TEST_F(CommandTest, APasswordLongerThanTheBoxTakesIsCutWithAWarning) {
    options.password = std::string(30, 'x');
    EXPECT_EQ(Run(Command::kInfo), 1);
    EXPECT_EQ(Err().rfind("sperrow: warning: the password is cut to its first 29 characters.\n", 0),
              0u);
    EXPECT_EQ(modem->LastReceived("tftplock.key")->bytes.size(), 29u + 2);
}

// The board is accepted but the modem never comes to fetch its image, while another host
// reads it whole from the local server: that read is not the modem's, and the command gives
// up after two minutes of serving with the status of an upgrade the modem did not take.
TEST_F(CommandTest, VxWorksTakesOnlyTheModemsOwnReadOfItsImage) {
    fs::create_directory("images");
    WriteFile("images/fw.comp", Image());
    options.vxworks = true;
    options.serverPort = 6970;
    bool whole = false;  // a reader on another host, which takes the file block by block
    ScriptedPeer stranger(net.AddHost(0x0A000003), {0x0A000003, 0}, [&](const tftp::Header& h,
                                                                        long size) {
        if (!h.valid || h.opcode != tftp::DATA) return tftp::Bytes{};
        whole = whole || size < 4 + 512;
        return tftp::BuildAck(h.field);
    });
    loop.PostDelayed(5000, [&] {
        stranger.Send(tftp::BuildRequest(tftp::RRQ, "fw.comp"), {kHostAddr, 6970});
    });
    fw::Millis started = clock.Now();
    EXPECT_EQ(Run(Command::kUpgrade, dir + "/images/fw.comp"), 3);
    EXPECT_TRUE(whole) << "the stranger's read went through";
    EXPECT_EQ(Err(), "Timeout:\nThe modem did not read fw.comp within 120 seconds.\n");
    EXPECT_GE(clock.Now() - started, 120000);
    EXPECT_NE(modem->LastReceived("RequestID"), nullptr) << "the board request went out";
    EXPECT_TRUE(modem->Fetched().empty());
}

}  // namespace
}  // namespace cli
