// The chaos suite: whole operations against the simulated modem on the in-memory network and
// the manual clock, with faults on the line in both directions, each run judged by what must
// hold whatever the line did:
// - success means the modem holds every file of the plan whole and byte-identical, each
//   exactly once as a completed write, in the plan's order, with the update bracket closed
//   (the unlock key excepted: retries write it again); a saved configuration pack holds
//   exactly the modem's files; the information fields are the modem's;
// - the password is inside no file but the unlock key and "RequestID";
// - a failure is a stop message with a reason (and the update-mode line while the bracket
//   is open), never a silent end;
// - the run ends within its bound: its last datagram plus one time-out, plus the countdown
//   where one runs.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "modem/simulated_modem.h"

namespace chaos {

// Numbers drawn in turn from a seed: a schedule's choices, the files' sizes and bytes, the
// line's faults.
template <typename Engine>
class Draw {
public:
    explicit Draw(std::uint64_t seed) : rng_(static_cast<typename Engine::result_type>(seed)) {}

    int Between(int low, int high) {
        return low + static_cast<int>(rng_() % static_cast<std::uint64_t>(high - low + 1));
    }
    unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }
    bool OneIn(unsigned n) { return Below(n) == 0; }
    std::uint32_t Seed() { return static_cast<std::uint32_t>(rng_()); }
    // Mostly small, now and then up to `cap`; a multiple of 512 every sixth time.
    std::size_t Size(std::size_t cap) {
        unsigned kind = Below(100);
        std::size_t most = std::min<std::size_t>(kind < 50 ? 3000 : kind < 85 ? 40000 : cap, cap);
        std::size_t size = rng_() % (most + 1);
        return Below(6) == 0 ? size / 512 * 512 : size;
    }
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        std::vector<std::uint8_t> out(n);
        for (auto& b : out) b = static_cast<std::uint8_t>(rng_());
        return out;
    }
    std::string Text(std::size_t n) {
        static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789 .-/:;";
        std::string out(n, ' ');
        for (auto& c : out) c = kChars[Below(sizeof kChars - 1)];
        return out;
    }

private:
    Engine rng_;
};

enum class Operation {
    kImageUpgrade,
    kPackUpgrade,
    kModemInfo,
    kConfigGet,
    kConfigPut,
    kDownloadFiles
};
inline constexpr int kOperationCount = 6;
inline constexpr const char* kOperationNames[kOperationCount] = {
    "image upgrade", "pack upgrade", "Modem Info", "config get", "config put", "download files"};

// Faults of the line, drawn per datagram from `seed`, in both directions.
struct LineFaults {
    int loss_percent = 0;
    int duplicate_percent = 0;  // sent again from the same port, after a gap of up to max_gap_ms
    int max_gap_ms = 0;
    int reorder_percent = 0;  // held back a few milliseconds, so that later ones overtake
    int delay_percent = 0;    // held back up to max_delay_ms
    int max_delay_ms = 0;
    std::uint32_t seed = 1;
};

struct Scenario {
    Operation op = Operation::kImageUpgrade;
    bool listen_port_replies = false;  // the modem answers from its listening port
    int retry_budget = 3;
    int timeout_seconds = 3;
    std::uint32_t content_seed = 1;  // sizes and bytes of the files
    LineFaults line;
    modem::FaultPlan modem;  // the modem's own faults (slow first answers, chosen ones)
};

enum class Verdict { kSuccess, kHonestFailure, kFalseSuccess, kHang, kViolation };
inline constexpr const char* kVerdictNames[] = {"success", "honest failure", "false success",
                                                "hang", "violation"};

struct Result {
    Verdict verdict = Verdict::kHang;
    std::string reason;                  // the stop message, or what broke
    std::vector<std::string> host_sent;  // the host's datagrams, by readable name
};

// Runs the scenario from a fresh rig and judges it.
Result Run(const Scenario& scenario);

// ---- Seeded schedules

enum class FaultMix { kLoss, kDuplication, kReordering, kDelay, kSlowFirstAnswer, kEverything };
inline constexpr int kFaultMixCount = 6;
inline constexpr const char* kFaultMixNames[kFaultMixCount] = {
    "loss", "duplication", "reordering", "delay", "slow first answer", "everything"};

struct Schedule {
    std::uint64_t number = 0;
    FaultMix mix = FaultMix::kLoss;
    Scenario scenario;
    // Loss alone, up to 20 %, with a budget of 1000: nothing but success will do.
    bool must_succeed = false;
};

// Schedule `number`: operation, answering mode and fault mix in turn, the rest drawn from
// the number.
Schedule MakeSchedule(std::uint64_t number);

// Runs the schedule; with slow first answers alone, also checks that the host sent exactly
// what it sends when the modem answers at once.
Result RunSchedule(const Schedule& schedule);

}  // namespace chaos
