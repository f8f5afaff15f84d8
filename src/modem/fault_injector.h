// Decides the fate of each datagram the modem sends: delivered, dropped or sent twice, by
// chosen packet or at random from a seed, so that tests and technicians can rehearse a
// bad line on demand.
//
// A packet choice (FaultPlan::drop, FaultPlan::duplicate) reads
//     KIND[BLOCK][:FIELD[:FIELD]][*[COUNT]]
// KIND is ack, data, error, rrq, wrq or any; a FIELD of digits is a block number, any other
// FIELD is the name of the transfer's file. It affects the first matching datagram, the
// first COUNT with "*COUNT", every one with a bare "*". Examples: "ack:2" (the first ACK 2),
// "data1:info*" (every DATA 1 of "info"), "ack0:tftplock.key", "ack:65535".
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "modem/simulated_modem.h"
#include "tftp/packet.h"

namespace modem {

struct PacketChoice {
    std::string kind;  // "ack", "data", "error", "rrq", "wrq" or "any"
    std::optional<std::uint16_t> block;
    std::string name;  // empty: any transfer
    int count = 1;     // datagrams still to affect; -1: all
};

// Nothing when the text is not a valid choice.
std::optional<PacketChoice> ParsePacketChoice(std::string_view text);

// Empty when every choice of the plan parses; otherwise a message naming the first bad one.
std::string ValidateFaultPlan(const FaultPlan& plan);

enum class Fate { kSend, kDrop, kDuplicate };

class FaultInjector {
public:
    FaultInjector() { Reset(FaultPlan{}); }
    // Invalid choices in the plan are skipped (ValidateFaultPlan tells which).
    void Reset(const FaultPlan& plan);

    Fate Decide(const tftp::Bytes& datagram, const std::string& transfer_name);
    int delay_ms() const { return plan_.delay_ms; }
    int duplicate_gap_ms() const { return plan_.duplicate_gap_ms; }
    // Milliseconds before the first answer to a request of this name (0: at once).
    int AnswerDelay(const std::string& name) const;
    // The ERROR text chosen for requests of this name, if any.
    const std::string* ErrorFor(const std::string& name) const;

private:
    FaultPlan plan_;
    std::vector<PacketChoice> drops_;
    std::vector<PacketChoice> duplicates_;
    std::mt19937 random_;
};

}  // namespace modem
