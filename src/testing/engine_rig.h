// Everything an engine test runs on: a manual clock and its loop, the in-memory network
// with the host and one or more simulated modems, the client attached to the Sequencer, a
// recording desktop and a scratch folder. Process-wide state is reset on construction
// (ResetEngineState, so an earlier upgrade's completion report is on record) with unicast
// on, and detached on destruction.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "modem/simulated_modem.h"
#include "sequencer/sequencer.h"
#include "tftp/step_codes.h"
#include "framework/ui/scripted_desktop.h"
#include "tftp/packet.h"
#include "tftp/tftp_client.h"

namespace testhost {

inline constexpr std::uint32_t kHostAddr = 0x0A000001;   // 10.0.0.1, in-memory only
inline constexpr std::uint32_t kModemAddr = 0x0A000002;  // 10.0.0.2, the next ones follow
inline constexpr std::uint16_t kModemPort = 6969;
inline constexpr const char* kPassword = "pw1";

struct RigOptions {
    int modems = 1;
    bool answer_from_listen_port = false;
    int modem_retransmit_ms = 1000;
    int modem_max_retransmits = 5;
    std::string password = kPassword;  // the modem's, and the Password box's
};

class EngineRig {
public:
    explicit EngineRig(RigOptions options = {});
    ~EngineRig();

    // A file in the scratch folder; its full path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string Write(const std::string& name, const std::string& text) const;
    std::string Path(const std::string& name) const;
    std::vector<std::uint8_t> Read(const std::string& path) const;

    // Starts a plan as a page button does and runs the loop until the run has ended or
    // stopped and nothing is pending any more (bounded in loop time).
    bool Run(std::initializer_list<int> plan, fw::Millis limit = 600000);
    bool RunLoopUntilSettled(fw::Millis limit = 600000);

    // The datagrams the host sent, in order.
    std::vector<tftp::Bytes> HostSent() const;
    // The host's datagrams as short readable names: "WRQ tftplock.key", "DATA 1 (9)",
    // "ACK 2", "RRQ info".
    std::vector<std::string> HostSentNames() const;
    // Drops the first `count` datagrams of the host whose readable name (DescribeDatagram)
    // equals `name`, before any reaches its peer.
    void DropFromHost(const std::string& name, int count = 1);
    // How often the host sent a datagram of this readable name.
    int HostSentCount(const std::string& name) const;

    // Names of the files the modem took, in order.
    std::vector<std::string> ReceivedNames(int modem = 0) const;

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack* host = nullptr;
    std::vector<std::unique_ptr<modem::SimulatedModem>> modems;
    TftpClient client;
    fw::ScriptedDesktop desktop;
    std::string dir;  // the scratch folder, also the modem's data folder

private:
    std::map<std::string, int> drops_;  // readable name -> how many more to drop
};

// Short readable name of a datagram, as HostSentNames gives them.
std::string DescribeDatagram(const tftp::Bytes& d);

}  // namespace testhost
