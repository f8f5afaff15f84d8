// sperrow-chaos: runs many chaos schedules and prints the table of outcomes, or replays one.
//   sperrow-chaos [--schedules N] [--first N]   schedules FIRST .. FIRST+N-1 (default 0, 100000)
//   sperrow-chaos --replay N                    schedule N alone, with what the host sent
// Exit status 1 when any schedule ended in a false success, a hang or another violation, or
// when no more than half of them succeeded (a client that gives up on everything lies to nobody).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "testing/chaos.h"

namespace {

bool NumberArg(int argc, char** argv, int& i, const char* name, std::uint64_t& out) {
    if (std::strcmp(argv[i], name) != 0) return false;
    if (i + 1 >= argc) {
        std::fprintf(stderr, "sperrow-chaos: %s wants a number\n", name);
        std::exit(2);
    }
    char* end = nullptr;
    out = std::strtoull(argv[++i], &end, 10);
    if (end == argv[i] || *end != '\0') {
        std::fprintf(stderr, "sperrow-chaos: %s wants a number, got \"%s\"\n", name, argv[i]);
        std::exit(2);
    }
    return true;
}

void PrintSchedule(const chaos::Schedule& sc, const chaos::Result& r) {
    const chaos::Scenario& s = sc.scenario;
    std::printf("schedule %llu: %s, %s, %s, retry %d, timeout %d s: %s%s%s\n",
                static_cast<unsigned long long>(sc.number), chaos::OperationName(s.op),
                s.listen_port_replies ? "listening-port answers" : "new port per transfer",
                chaos::FaultMixName(sc.mix), s.retry_budget, s.timeout_seconds,
                chaos::VerdictName(r.verdict), r.reason.empty() ? "" : ": ", r.reason.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t first = 0, count = 100000, replay = 0;
    bool replaying = false;
    for (int i = 1; i < argc; ++i) {
        if (NumberArg(argc, argv, i, "--schedules", count) ||
            NumberArg(argc, argv, i, "--first", first)) {
            continue;
        }
        if (NumberArg(argc, argv, i, "--replay", replay)) {
            replaying = true;
            continue;
        }
        std::fprintf(stderr, "usage: sperrow-chaos [--schedules N] [--first N] | --replay N\n");
        return 2;
    }
    if (replaying) {
        chaos::Schedule sc = chaos::MakeSchedule(replay);
        chaos::Result r = chaos::RunSchedule(sc);
        PrintSchedule(sc, r);
        for (const std::string& name : r.host_sent) std::printf("  host sent %s\n", name.c_str());
        return r.verdict == chaos::Verdict::kSuccess || r.verdict == chaos::Verdict::kHonestFailure
                   ? 0
                   : 1;
    }
    chaos::Table table;
    int bad = 0;
    for (std::uint64_t n = first; n < first + count; ++n) {
        chaos::Schedule sc = chaos::MakeSchedule(n);
        chaos::Result r = chaos::RunSchedule(sc);
        table.Add(sc, r);
        if (r.verdict != chaos::Verdict::kSuccess && r.verdict != chaos::Verdict::kHonestFailure) {
            ++bad;
            PrintSchedule(sc, r);
        }
        if ((n - first + 1) % 5000 == 0) {
            std::fprintf(stderr, "%llu schedules run\n",
                         static_cast<unsigned long long>(n - first + 1));
        }
    }
    std::printf("%llu schedules from %llu\n\n%s", static_cast<unsigned long long>(count),
                static_cast<unsigned long long>(first), table.Format().c_str());
    if (table.Count(chaos::Verdict::kSuccess) * 2 <= static_cast<int>(count)) {
        std::printf("no more than half of the schedules succeeded\n");
        ++bad;
    }
    return bad == 0 ? 0 : 1;
}
