// Whole operations on a bad line: the faults users met, each replayed with the simulated
// modem's own fault options and judged by the invariants of testing/chaos.h (a success that
// is true, a failure that says why, a run that ends). The seeded schedules: the
// chaos_schedules test, which runs sperrow-chaos.
#include <gtest/gtest.h>

#include "testing/chaos.h"
#include "tftp/client_texts.h"

namespace {

using chaos::Operation;
using chaos::Verdict;

struct FaultCase {
    const char* what;
    Operation op;
    modem::FaultPlan modem;
    const char* stop = nullptr;  // nullptr: the run must succeed
    std::optional<std::size_t> file_size = 3000;
    int completion_delay_ms = 2000;
    // False where a stale datagram carries the awaited block number: from the modem's
    // listening port, which all its transfers share, nobody can tell it from the real one.
    bool decidable_from_listening_port = true;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.what;
}

class FaultsUsersMet : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultsUsersMet, EndInTruthfulSuccessOrInTheNamedStop) {
    const FaultCase& c = GetParam();
    chaos::Scenario s;
    s.op = c.op;
    s.modem = c.modem;
    s.file_size = c.file_size;
    s.completion_delay_ms = c.completion_delay_ms;
    for (bool listen_port : {false, true}) {
        if (listen_port && !c.decidable_from_listening_port) continue;
        SCOPED_TRACE(listen_port ? "answers from the listening port" : "a new port per transfer");
        s.listen_port_replies = listen_port;
        chaos::Result r = chaos::Run(s);
        if (c.stop == nullptr) {
            EXPECT_EQ(r.verdict, Verdict::kSuccess) << r.reason;
        } else {
            EXPECT_EQ(r.verdict, Verdict::kHonestFailure) << r.reason;
            EXPECT_EQ(r.reason, c.stop);
        }
    }
}

// The image is 79 blocks long, so that its last acknowledgement is ACK 79.
constexpr std::size_t kImagePayloadOf79Blocks = 78 * 512 - 12 + 100;

INSTANTIATE_TEST_SUITE_P(
    Cases, FaultsUsersMet,
    ::testing::Values(
        // The begin marker's last ACK came twice from its transfer's port: the second must not
        // reset the image's write.
        FaultCase{"begin marker acknowledged twice",
                  Operation::kImageUpgrade,
                  {.duplicate = {"ack1:tftpupdt.beg"}}},
        FaultCase{"begin marker acknowledged twice, the copy during the image's erase",
                  Operation::kImageUpgrade,
                  {.duplicate = {"ack1:tftpupdt.beg"},
                   .duplicate_gap_ms = 400,
                   .answer_delay_ms = {{"image", 900}}}},
        FaultCase{"the image's last ACK twice",
                  Operation::kImageUpgrade,
                  {.duplicate = {"ack79:image"}},
                  nullptr,
                  kImagePayloadOf79Blocks},
        // A lost first block (and the modem's own repetition of it): the key again, then the
        // same read.
        FaultCase{"info's first block lost", Operation::kModemInfo, {.drop = {"data1:info*2"}}},
        FaultCase{
            "resolve's first block lost", Operation::kConfigGet, {.drop = {"data1:resolve*2"}}},
        // One-block files: initbridge's last DATA is a DATA 1 like initbrowser's first, and it
        // comes again while initbrowser's read waits for its answer.
        FaultCase{"initbridge's last block again during initbrowser's read",
                  Operation::kConfigGet,
                  {.duplicate = {"data1:initbridge"},
                   .duplicate_gap_ms = 50,
                   .answer_delay_ms = {{"initbrowser", 500}}},
                  nullptr,
                  300,
                  2000,
                  false},
        // A modem erasing its flash before it answers the image's write request.
        FaultCase{"image's write request answered after 1.5 s",
                  Operation::kImageUpgrade,
                  {.answer_delay_ms = {{"image", 1500}}}},
        FaultCase{"a pack entry's write request answered after 2.9 s",
                  Operation::kConfigPut,
                  {.answer_delay_ms = {{"resolve", 2900}}}},
        // The completion report stands for the end marker's lost acknowledgement.
        FaultCase{"end marker's ACK lost, report after 200 ms",
                  Operation::kImageUpgrade,
                  {.drop = {"ack1:tftpupdt.end"}},
                  nullptr,
                  3000,
                  200},
        // A tolerated text answering a file's write request means the file was not sent.
        FaultCase{"image refused as already updating",
                  Operation::kImageUpgrade,
                  {.error_for = {{"image", "Server already in update mode"}}},
                  "Error:\nimage not sent: Server already in update mode\n"
                  "The modem may be left in update mode: run the upgrade again."},
        FaultCase{"pack entry refused as missing",
                  Operation::kConfigPut,
                  {.error_for = {{"resolve", "Failed to open file for reading"}}},
                  "Error:\nresolve not sent: Failed to open file for reading"},
        FaultCase{"reboot marker refused",
                  Operation::kImageUpgrade,
                  {.error_for = {{"tftpupdt.rbt", "Flash failure"}}},
                  "Flash failure\nThe modem may be left in update mode: run the upgrade again."}));

}  // namespace
