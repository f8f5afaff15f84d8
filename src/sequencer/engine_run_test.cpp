// Whole runs against the simulated modem: what goes on the wire, what the modem takes, what
// the user is shown, and what the run observer reports.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/formats.h"
#include "formats/image_check.h"
#include "formats/pack_builder.h"
#include "sequencer/step_ring.h"
#include "testing/engine_rig.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using testhost::Host;
using Names = std::vector<std::string>;

const std::initializer_list<int> kUpgrade = {
    STEP_CONNECT,           STEP_PUT_LOCK_KEY,   STEP_PUT_UPDATE_BEGIN,   STEP_SEND_IMAGE,
    STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS};
ByteVector Image(std::size_t size = 1024) {
    ByteVector payload(size - 12);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7);
    return BuildImage("10400001", payload);
}

// The status dialog stays open until the modem reports its update finished; what was on
// record when it opened goes to `on_opening`.
void WaitForCompletionWhileStatusShown(EngineRig& rig, int* on_opening = nullptr) {
    EngineHost().while_upgrade_status = [&rig, on_opening] {
        if (on_opening) *on_opening = g_bUpdateComplete;
        rig.loop.RunUntil([] { return g_bUpdateComplete != 0; }, 20000);
    };
}

// The rig leaves an earlier upgrade's report on record, as a process that ran one does: the
// end marker's step must clear it, and only the modem's report for this run sets it again.
TEST(Upgrade, PutsEveryFileOnTheWireByteForByteAndWaitsForThisRunsReport) {
    EngineRig rig;
    EngineHost().image_box = rig.Write("fw.comp", Image());
    int on_opening = -1;
    WaitForCompletionWhileStatusShown(rig, &on_opening);
    ASSERT_EQ(g_bUpdateComplete, 1);

    ASSERT_TRUE(rig.Run(kUpgrade));

    EXPECT_EQ(rig.HostSentNames(),
              (Names{"WRQ tftplock.key", "DATA 1 (5)", "WRQ tftpupdt.beg", "DATA 1 (2)",
                     "WRQ image", "DATA 1 (512)", "DATA 2 (512)", "DATA 3 (0)",
                     "WRQ tftpupdt.rbt", "DATA 1 (2)", "WRQ tftpupdt.end", "DATA 1 (2)"}));
    auto sent = rig.HostSent();
    EXPECT_EQ(sent[1], (tftp::Bytes{0, 3, 0, 1, 'p', 'w', '1', 0x0D, 0x0A}));
    for (int i : {3, 9, 11}) EXPECT_EQ(sent[i], (tftp::Bytes{0, 3, 0, 1, 0x0D, 0x0A}));
    EXPECT_EQ(sent[4], tftp::BuildRequest(tftp::WRQ, "image"));
    EXPECT_EQ(rig.modems[0]->LastReceived("image")->bytes, Image());
    EXPECT_EQ(on_opening, 0) << "the earlier report was not cleared by the end marker's step";
    EXPECT_EQ(g_bUpdateComplete, 1);
    EXPECT_EQ(EngineHost().upgrade_status_shown, 1);
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kFinalStep);
    EXPECT_FALSE(TheRunObserver().UpdateBracketOpen());
    EXPECT_TRUE(rig.desktop.Boxes().empty());
    EXPECT_EQ(Host().progress_pos, 0);  // the final step empties the bar
}

// Broadcast: several modems answer from their listening port, every datagram goes to the
// broadcast address after the delay, and one line of answers is followed.
TEST(Upgrade, BroadcastReachesEveryModemAndFollowsOneLineOfAnswers) {
    EngineRig rig({.modems = 3, .answer_from_listen_port = true});
    g_bUnicast = 0;
    EngineHost().address_box = "255.255.255.255";
    Host().delay_text = "20";
    ByteVector image = Image(1500);
    EngineHost().image_box = rig.Write("fw.comp", image);
    WaitForCompletionWhileStatusShown(rig);

    ASSERT_TRUE(rig.Run(kUpgrade));

    for (auto& m : rig.modems) EXPECT_EQ(m->LastReceived("image")->bytes, image);
    EXPECT_EQ(rig.HostSentCount("DATA 1 (512)"), 1);
    EXPECT_EQ(rig.HostSentCount("DATA 3 (476)"), 1);
    EXPECT_EQ(g_bUpdateComplete, 1);
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kFinalStep);
    fw::Millis previous = -1000;
    for (const fw::Datagram& d : rig.net.Trace()) {
        if (d.from.addr != testhost::kHostAddr) continue;
        EXPECT_EQ(d.to, (fw::Endpoint{fw::kBroadcastAddr, testhost::kModemPort}));
        EXPECT_GE(d.sent_at - previous, 20) << testhost::DescribeDatagram(d.bytes);
        previous = d.sent_at;
    }
}

// Plans without a final dialog: what reaches the modem, in order, and how the run ends.
TEST(Plans, SendTheirFilesInOrderAndEndAsTheyShould) {
    const struct {
        std::vector<int> plan;
        Names received;
        RunEnd end;
    } cases[] = {
        {{STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_MACRO, STEP_PUT_MACRO_2},
         {"tftplock.key", "cmdmacro", "cmdmacro"}, RunEnd::kPlanExhausted},
        {{STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_END, STEP_PUT_UPDATE_BEGIN}, {"tftplock.key"}, RunEnd::kEndStep},
        {{STEP_CONNECT, STEP_PUT_LOCK_KEY, -5, STEP_PUT_MACRO}, {"tftplock.key"}, RunEnd::kPlanExhausted},
        {{STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_MACRO_FILE, STEP_OTHER_FILE_1, STEP_OTHER_FILE_2},
         {"tftplock.key", "cmdmacro", "first.bin", "image"}, RunEnd::kPlanExhausted},
    };
    for (const auto& c : cases) {
        EngineRig rig;
        EngineHost().macro_box = rig.Write("macro.txt", std::string("set lan ip 1\r\n"));
        EngineHost().rows[0] = {true, rig.Write("a.bin", std::string(700, 'a')), "first.bin"};
        EngineHost().rows[1] = {true, rig.Write("b.txt", std::string("no magic here")), "image"};
        ResetStepRings();
        for (int code : c.plan) g_planRing.Push(code);
        RunSequencer();
        ASSERT_TRUE(rig.RunLoopUntilSettled());
        EXPECT_EQ(rig.ReceivedNames(), c.received);
        EXPECT_EQ(TheRunObserver().EndReason(), c.end);
        EXPECT_TRUE(rig.desktop.Boxes().empty());
        auto first = rig.modems[0]->LastReceived("first.bin"), image = rig.modems[0]->LastReceived("image");
        EXPECT_TRUE(!first || first->bytes == ByteVector(700, 'a'));
        EXPECT_TRUE(!image || image->bytes == ToBytes("no magic here"));
    }
}

PackItem Item(const std::string& name, std::size_t size, std::uint8_t fill) {
    return {name, ByteVector(size, fill)};
}

ByteVector Truncated() {
    ByteVector pack = BuildPack("PK11", "", {Item("A", 100, 'a'), Item("B", 100, 'b')});
    pack.pop_back();
    return pack;
}

// Refused files: the user is told why, and nothing of the file reaches the modem. Block
// 65535 is the modem's completion report: a file whose last block would need it is refused.
TEST(SendRefused, WithAStopMessageAndNoWriteRequest) {
    struct Case {
        ByteVector bytes;
        std::uintmax_t size;
        std::string message;
    } cases[] = {
        {ToBytes("JUNK and more"), 0, "Warning:\nYour image is not correct."},
        {BuildPack("PK11", "", {Item(std::string(50, 'n'), 4, 'x')}), 0,
         "Warning:\nYour image is not correct."},
        {BuildPack("PACK", "12345678", {}), 0, kPackEmptyText},
        {Truncated(), 0, kPackTruncatedText},
        {BuildImage("10400001", {}), kSendSizeLimit, kTooLargeText},
        {{}, 0, "Warning:\nCannot open file."},
    };
    for (const Case& c : cases) {
        EngineRig rig;
        std::string path = rig.Path("absent");
        if (!c.bytes.empty()) path = rig.Write("bad.bin", c.bytes);
        if (c.size) std::filesystem::resize_file(path, c.size);
        EngineHost().image_box = path;
        ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE, STEP_PUT_MACRO}));
        EXPECT_EQ(rig.HostSentNames().back(), "DATA 1 (5)");
        EXPECT_EQ(rig.desktop.BoxTexts(), Names{c.message});
        EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    }
}

// What a driver that watches no window relies on: a request waiting for its answer is
// pending, and the last datagram each way is dated by the loop clock.
TEST(RunObserverDuringARun, PendingWhileARequestWaitsAndLastTrafficEachWay) {
    EngineRig rig;
    rig.net.SetFaults({.delay = 400});
    const RunObserver& observer = TheRunObserver();
    StartPlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_MACRO});
    EXPECT_TRUE(observer.IsPending());
    EXPECT_EQ(observer.LastSent(), rig.clock.Now());
    EXPECT_EQ(observer.LastReceived(), -1);
    int first_run = observer.RunCount();

    ASSERT_TRUE(rig.RunLoopUntilSettled());
    fw::Millis last_from_host = -1, last_to_host = -1;
    for (const fw::Datagram& d : rig.net.Trace()) {
        if (d.from.addr == testhost::kHostAddr) last_from_host = d.sent_at;
        if (d.to.addr == testhost::kHostAddr) last_to_host = d.sent_at + 400;
    }
    EXPECT_EQ(observer.LastSent(), last_from_host);
    EXPECT_EQ(observer.LastTraffic(), last_to_host);
    EXPECT_FALSE(observer.IsPending());
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY}));
    EXPECT_EQ(observer.RunCount(), first_run + 1);
}

}  // namespace
