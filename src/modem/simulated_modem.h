// The stand-in for an ADSL modem's TFTP service: real code on a NetStack (the real one, or
// an in-memory host in engine tests). Engine tests and the sperrow-modem program both use it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/net.h"

namespace modem {

struct ModemConfig {
    std::uint32_t listen_addr = 0x7F000001;  // 127.0.0.1
    std::uint16_t listen_port = 6969;
    // Answer every request from the listening port itself instead of a fresh transfer port
    // (what several modems answering one broadcast need).
    bool answer_from_listen_port = false;
    std::string data_dir;                  // identification and configuration files served on reads
    std::string password;                  // expected content of "tftplock.key" (before CR LF)
    std::string board_id = "SIM-BOARD-1";  // sent in the ACK 0 of a "RequestID" write
    int completion_delay_ms = 2000;        // after the "tftpupdt.end" write, before ACK 65535
    int retransmit_timeout_ms = 1000;
    int max_retransmits = 5;
    int unlock_idle_ms = 60000;  // an unlock lasts until the host has been silent this long
    // After accepting "RequestID", read "LatestVersion" and the image it names from the
    // host's TFTP server on this port (0: off).
    std::uint16_t fetch_port = 0;
    std::string store_dir;  // when set, every completed written or fetched file is saved here
    // After its completion report the modem reboots: silent for this many seconds (0: back
    // at once). It then reports the firmware version the update carried, unless it rejected
    // the image and kept its own.
    int reboot_seconds = 0;
    bool reject_image = false;
    // False (a long-running program): only the latest copy of each written or fetched file
    // keeps its bytes in memory, and log lines go to the sink only.
    bool keep_history = true;
};

// Faults chosen by packet, or at random from a seed.
struct FaultPlan {
    int loss_percent = 0;  // share of outgoing datagrams dropped
    int duplicate_percent = 0;
    std::uint32_t seed = 1;
    // Chosen datagrams in the form of fault_injector.h: "ack:2" is the first ACK 2 only,
    // "data1:info*" every DATA 1 of "info", "ack0:tftplock.key" the key's first ACK 0.
    std::vector<std::string> drop;
    std::vector<std::string> duplicate;            // same form
    int duplicate_gap_ms = 0;  // the second copy of a duplicated datagram follows this late
    int delay_ms = 0;                              // every outgoing datagram waits this long
    // Request name -> milliseconds before the first answer to every request of that name (a
    // modem erasing its flash before it takes an image, say).
    std::map<std::string, int> answer_delay_ms;
    std::map<std::string, std::string> error_for;  // request name -> ERROR text to answer with
    bool silent = false;  // answer nothing at all (a modem that has gone quiet)
};

struct ReceivedFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
    bool complete = false;
    std::uint32_t from_addr = 0;
};

struct FetchedFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
    bool complete = false;
};

// Runs on fw::MainLoop(): create and destroy it while that loop is set and alive.
class SimulatedModem {
public:
    SimulatedModem(fw::NetStack& stack, ModemConfig config);
    ~SimulatedModem();

    bool Start(std::string* error = nullptr);  // opens the listening socket
    void Stop();

    void SetFaults(FaultPlan faults);
    const ModemConfig& config() const;

    // Every file written to the modem, in arrival order (command files included).
    const std::vector<ReceivedFile>& Received() const;
    const ReceivedFile* LastReceived(const std::string& name) const;
    // What the modem fetched from the host in fetch mode.
    const std::vector<FetchedFile>& Fetched() const;
    bool InUpdateMode() const;
    // Silent while it reboots after an update.
    bool IsRebooting() const;
    // The firmware version it reports since its last reboot; empty: that of its "info" file.
    const std::string& ReportedFirmware() const;
    bool CompletionSent() const;
    // The port actually listened on (useful with listen_port 0); 0 when not started.
    std::uint16_t ListenPort() const;
    // Whether requests from this host address would be taken without a key right now.
    bool IsUnlocked(std::uint32_t host_addr) const;
    // One readable line per exchange.
    const std::vector<std::string>& LogLines() const;
    void SetLogSink(std::function<void(const std::string&)> sink);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace modem
