// Seeded chaos schedules: which operation, answering mode and fault mix a schedule number
// stands for, and the faults drawn for it.
#include <random>

#include "testing/chaos.h"

namespace chaos {

namespace {

// The names each operation requests.
const std::vector<std::string>& RequestNames(Operation op) {
    static const std::vector<std::string> kNames[kOperationCount] = {
        {"tftplock.key", "tftpupdt.beg", "image", "tftpupdt.rbt", "tftpupdt.end"},
        {"tftplock.key", "tftpupdt.beg", "kernel", "rootfs", "hw.cond", "config", "web",
         "tftpupdt.rbt", "tftpupdt.end"},
        {"tftplock.key", "ProductInfo", "info", "hw.prof"},
        {"tftplock.key", "initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"},
        {"tftplock.key", "initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"},
        {"tftplock.key", "cmdmacro", "first.bin", "second.bin"}};
    return kNames[static_cast<int>(op)];
}

using Choices = Draw<std::mt19937_64>;

// First answers slower than usual but within the time-out that guards the request: a file
// send waits the Timeout setting, a command file ("tftp...") or a read one second.
void SlowFirstAnswers(Choices& d, Scenario& s) {
    const std::vector<std::string>& names = RequestNames(s.op);
    bool reads = s.op == Operation::kModemInfo || s.op == Operation::kConfigGet;
    for (int i = d.Between(1, 2); i > 0; --i) {
        const std::string& name = names[d.Between(0, static_cast<int>(names.size()) - 1)];
        bool file_send = !reads && name.rfind("tftp", 0) != 0;
        int guard = file_send ? s.timeout_seconds * 1000 : 1000;
        s.modem.answer_delay_ms[name] = d.Between(guard / 2, guard - 1);
    }
}

}  // namespace

// Each mix's faults of the line, drawn from these ranges in this order ({}: none); the
// delays reach two time-outs.
struct MixRanges {
    int loss[2], duplicate[2], gap[2], reorder[2], delay[2];
    bool slow_first_answers;
};
constexpr MixRanges kMixes[kFaultMixCount] = {
    {{1, 30}, {}, {}, {}, {}, false},  // up to 20 % with a budget of 1000
    {{}, {5, 30}, {50, 1500}, {}, {}, false},
    {{}, {5, 15}, {1, 100}, {10, 50}, {}, false},
    {{}, {}, {}, {}, {5, 30}, false},
    {{}, {}, {}, {}, {}, true},
    {{0, 10}, {0, 10}, {1, 1500}, {0, 10}, {0, 10}, true}};

Schedule MakeSchedule(std::uint64_t number) {
    Schedule sc;
    sc.number = number;
    Scenario& s = sc.scenario;
    s.op = static_cast<Operation>(number % kOperationCount);
    s.listen_port_replies = (number / kOperationCount) % 2 == 1;
    sc.mix = static_cast<FaultMix>((number / (2 * kOperationCount)) % kFaultMixCount);
    Choices d(number * 0x9E3779B97F4A7C15ull + 0x5EEDull);
    s.timeout_seconds = d.Between(1, 3);
    s.content_seed = d.Seed();
    s.line.seed = d.Seed();
    s.retry_budget = d.OneIn(4) ? 1000 : 3;
    if (sc.mix == FaultMix::kLoss) {  // loss alone with a budget of 1000: success or nothing
        s.retry_budget = d.OneIn(2) ? 1000 : 3;
        sc.must_succeed = s.retry_budget == 1000;
    }
    const MixRanges& m = kMixes[static_cast<int>(sc.mix)];
    auto draw = [&d](const int (&r)[2]) { return r[1] ? d.Between(r[0], r[1]) : 0; };
    LineFaults& f = s.line;
    f.loss_percent = sc.must_succeed ? d.Between(1, 20) : draw(m.loss);
    f.duplicate_percent = draw(m.duplicate);
    f.max_gap_ms = draw(m.gap);
    f.reorder_percent = draw(m.reorder);
    f.delay_percent = draw(m.delay);
    f.max_delay_ms = m.delay[1] ? 2 * s.timeout_seconds * 1000 : 0;
    if (m.slow_first_answers) SlowFirstAnswers(d, s);
    return sc;
}

Result RunSchedule(const Schedule& sc) {
    Result r = Run(sc.scenario);
    auto violation = [&r](const std::string& why) {
        r.verdict = Verdict::kViolation;
        r.reason = why;
    };
    Scenario at_once = sc.scenario;  // every answer within its time-out: nothing to notice
    at_once.modem = {};
    if (r.verdict != Verdict::kSuccess && r.verdict != Verdict::kHonestFailure) return r;
    if (sc.must_succeed && r.verdict != Verdict::kSuccess)
        violation("did not succeed with a budget of 1000: " + r.reason);
    else if (sc.mix == FaultMix::kSlowFirstAnswer &&
             (r.verdict != Verdict::kSuccess || r.host_sent != Run(at_once).host_sent))
        violation("slow first answers within the time-out changed the run");
    return r;
}

}  // namespace chaos
