// sperrow-chaos: runs many chaos schedules and prints the table of outcomes, or replays one.
//   sperrow-chaos [--schedules N] [--first N]   schedules FIRST .. FIRST+N-1 (default 0, 100000)
//   sperrow-chaos --replay N                    schedule N alone, with what the host sent
// Exit status 1 when any schedule ended in a false success, a hang or another violation, or
// when no more than half of them succeeded (a client that gives up on everything lies to nobody).
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "testing/chaos.h"

namespace {

// The number after option `name` (null: there is none); exit status 2 without one.
std::uint64_t Number(const char* name, const char* text) {
    char* end = nullptr;
    std::uint64_t n = text != nullptr ? std::strtoull(text, &end, 10) : 0;
    if (text != nullptr && end != text && *end == '\0') return n;
    std::fprintf(stderr, "sperrow-chaos: %s wants a number%s%s%s\n", name,
                 text ? ", got \"" : "", text ? text : "", text ? "\"" : "");
    std::exit(2);
}

void PrintSchedule(const chaos::Schedule& sc, const chaos::Result& r) {
    const chaos::Scenario& s = sc.scenario;
    std::printf("schedule %llu: %s, %s, %s, retry %d, timeout %d s: %s%s%s\n",
                static_cast<unsigned long long>(sc.number),
                chaos::kOperationNames[static_cast<int>(s.op)],
                s.listen_port_replies ? "listening-port answers" : "new port per transfer",
                chaos::kFaultMixNames[static_cast<int>(sc.mix)], s.retry_budget,
                s.timeout_seconds, chaos::kVerdictNames[static_cast<int>(r.verdict)],
                r.reason.empty() ? "" : ": ", r.reason.c_str());
}

// Counts by answering mode, operation and fault mix, one per verdict.
using Row = std::array<int, 5>;
Row g_rows[2][chaos::kOperationCount][chaos::kFaultMixCount] = {};

void PrintRow(const char* op, const char* mix, const Row& r) {
    std::printf("%-15s %-18s %7d %9d %8d %8d %6d %10d\n", op, mix,
                r[0] + r[1] + r[2] + r[3] + r[4], r[0], r[1], r[2], r[3], r[4]);
}

void PrintTable() {
    const char* const modes[] = {"The modem answers from a new port per transfer",
                                 "The modem answers from its listening port"};
    for (int mode = 0; mode < 2; ++mode) {
        std::printf("%s\noperation       fault mix             runs successes   honest    false"
                    "  hangs violations\n%s\n", modes[mode], std::string(90, '-').c_str());
        Row total = {};
        for (int op = 0; op < chaos::kOperationCount; ++op) {
            for (int mix = 0; mix < chaos::kFaultMixCount; ++mix) {
                const Row& row = g_rows[mode][op][mix];
                for (int i = 0; i < 5; ++i) total[i] += row[i];
                if (row != Row{})
                    PrintRow(chaos::kOperationNames[op], chaos::kFaultMixNames[mix], row);
            }
        }
        PrintRow("total", "", total);
        std::printf("\n");
    }
    std::printf("honest: failures that said why; false: successes that were not\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t first = 0, count = 100000, replay = 0;
    bool replaying = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::uint64_t* number = arg == "--schedules" ? &count
                                : arg == "--first"   ? &first
                                : arg == "--replay"  ? &replay
                                                     : nullptr;
        if (number == nullptr) {
            std::fprintf(stderr, "usage: sperrow-chaos [--schedules N] [--first N] | --replay N\n");
            return 2;
        }
        *number = Number(argv[i], argv[i + 1]);  // argv[argc] is null
        replaying = replaying || number == &replay;
        ++i;
    }
    if (replaying) {  // that schedule alone, with what the host sent, and no table
        first = replay;
        count = 1;
    }
    std::uint64_t bad = 0, successes = 0;
    for (std::uint64_t n = first; n < first + count; ++n) {
        chaos::Schedule sc = chaos::MakeSchedule(n);
        chaos::Result r = chaos::RunSchedule(sc);
        const chaos::Scenario& s = sc.scenario;
        ++g_rows[s.listen_port_replies][static_cast<int>(s.op)][static_cast<int>(sc.mix)]
                [static_cast<int>(r.verdict)];
        successes += r.verdict == chaos::Verdict::kSuccess;
        bool wrong = r.verdict > chaos::Verdict::kHonestFailure;  // false, hang or violation
        bad += wrong;
        if (wrong || replaying) PrintSchedule(sc, r);
        for (std::size_t i = 0; replaying && i < r.host_sent.size(); ++i)
            std::printf("  host sent %s\n", r.host_sent[i].c_str());
        if (auto done = static_cast<unsigned long long>(n - first + 1); done % 5000 == 0)
            std::fprintf(stderr, "%llu schedules run\n", done);
    }
    if (replaying) return bad == 0 ? 0 : 1;
    std::printf("%llu schedules from %llu\n\n", static_cast<unsigned long long>(count),
                static_cast<unsigned long long>(first));
    PrintTable();
    if (successes * 2 <= count) {
        std::printf("no more than half of the schedules succeeded\n");
        ++bad;
    }
    return bad == 0 ? 0 : 1;
}
