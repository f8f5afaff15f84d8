// Whole runs against the simulated modem: what goes on the wire, what the modem takes,
// what the user is shown, and what the run observer reports.
#include <gtest/gtest.h>

#include "formats/pack_builder.h"
#include "sequencer/step_ring.h"
#include "testing/engine_rig.h"
#include "testing/test_engine_host.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using Names = std::vector<std::string>;

const std::initializer_list<int> kAtmosUpgrade = {
    STEP_CONNECT,          STEP_PUT_LOCK_KEY,      STEP_PUT_UPDATE_BEGIN,   STEP_SEND_IMAGE,
    STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS};

ByteVector Image1024() {
    ByteVector payload(1024 - 12);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7);
    return BuildImage("10400001", payload);
}

// The upgrade status dialog stays open until the modem reports its update finished. What
// was on record when it opened goes to `on_opening`.
void WaitForCompletionWhileStatusShown(EngineRig& rig, int* on_opening = nullptr) {
    EngineHost().while_upgrade_status = [&rig, on_opening] {
        if (on_opening) *on_opening = g_bUpdateComplete;
        rig.loop.RunUntil([] { return g_bUpdateComplete != 0; }, 20000);
    };
}

TEST(AtmosUpgrade, PutsTheKeyMarkersAndImageBlocksOnTheWireByteForByte) {
    EngineRig rig;
    EngineHost().image_box = rig.Write("fw.comp", Image1024());
    int on_opening = -1;
    WaitForCompletionWhileStatusShown(rig, &on_opening);

    ASSERT_TRUE(rig.Run(kAtmosUpgrade));

    EXPECT_EQ(rig.HostSentNames(),
              (Names{"WRQ tftplock.key", "DATA 1 (5)", "WRQ tftpupdt.beg", "DATA 1 (2)",
                     "WRQ image", "DATA 1 (512)", "DATA 2 (512)", "DATA 3 (0)",
                     "WRQ tftpupdt.rbt", "DATA 1 (2)", "WRQ tftpupdt.end", "DATA 1 (2)"}));
    auto sent = rig.HostSent();
    EXPECT_EQ(sent[1], (tftp::Bytes{0, 3, 0, 1, 'p', 'w', '1', 0x0D, 0x0A}));
    for (int i : {3, 9, 11}) EXPECT_EQ(sent[i], (tftp::Bytes{0, 3, 0, 1, 0x0D, 0x0A}));
    EXPECT_EQ(sent[4], tftp::BuildRequest(tftp::WRQ, "image"));

    ASSERT_NE(rig.modems[0]->LastReceived("image"), nullptr);
    EXPECT_EQ(rig.modems[0]->LastReceived("image")->bytes, Image1024());
    // The modem reports 2 s after the end marker: an earlier report on record (the rig
    // leaves one) is gone when the status opens, and this one is there when it closes.
    EXPECT_EQ(on_opening, 0);
    EXPECT_EQ(g_bUpdateComplete, 1);
    EXPECT_EQ(EngineHost().upgrade_status_shown, 1);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kFinalStep);
    EXPECT_TRUE(rig.desktop.Boxes().empty());
    EXPECT_EQ(testhost::Host().progress_pos, 0);  // the final step empties the bar
}

// Every block of the image waits for its acknowledgement under the timer, the last one
// included: losing any one of them once costs one retransmission, not the run.
class ImageBlockLost : public ::testing::TestWithParam<const char*> {};

TEST_P(ImageBlockLost, IsSentAgainAndTheUpgradeCompletes) {
    EngineRig rig;
    EngineHost().image_box = rig.Write("fw.comp", Image1024());
    WaitForCompletionWhileStatusShown(rig);
    rig.DropFromHost(GetParam());

    ASSERT_TRUE(rig.Run(kAtmosUpgrade));

    EXPECT_EQ(rig.HostSentCount(GetParam()), 2);
    EXPECT_EQ(rig.modems[0]->LastReceived("image")->bytes, Image1024());
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
    EXPECT_EQ(rig.client.retryBudget, 2);
}

INSTANTIATE_TEST_SUITE_P(EachBlock, ImageBlockLost,
                         ::testing::Values("DATA 1 (512)", "DATA 2 (512)", "DATA 3 (0)"));

TEST(CommandPlans, RemoteUpgradeWritesTwoEmptyMacrosAndEndsWhenThePlanRunsOut) {
    EngineRig rig;
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_MACRO, STEP_PUT_MACRO_2}));

    EXPECT_EQ(rig.HostSentNames(), (Names{"WRQ tftplock.key", "DATA 1 (5)", "WRQ cmdmacro",
                                          "DATA 1 (2)", "WRQ cmdmacro", "DATA 1 (2)"}));
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kPlanExhausted);
    EXPECT_FALSE(TheRunObserver().IsPending());
}

TEST(CommandPlans, EndStepStopsThePlanThere) {
    EngineRig rig;
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_END, STEP_PUT_UPDATE_BEGIN}));

    EXPECT_EQ(rig.HostSentNames(), (Names{"WRQ tftplock.key", "DATA 1 (5)"}));
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kEndStep);
}

TEST(CommandPlans, DownloadFilesSendsMacroFileThenBothFilesUnderTheirDestinationNames) {
    EngineRig rig;
    EngineHost().macro_box = rig.Write("macro.txt", std::string("set lan ip 1\r\n"));
    EngineHost().rows[0] = {true, rig.Write("a.bin", std::string(700, 'a')), "first.bin"};
    EngineHost().rows[1] = {true, rig.Write("b.txt", std::string("no magic here")), "image"};

    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_MACRO_FILE, STEP_OTHER_FILE_1,
                         STEP_OTHER_FILE_2}));

    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "cmdmacro", "first.bin", "image"}));
    auto bytes = [&](const char* name) {
        auto f = rig.modems[0]->LastReceived(name);
        return f ? std::string(f->bytes.begin(), f->bytes.end()) : std::string("<none>");
    };
    EXPECT_EQ(bytes("cmdmacro"), "set lan ip 1\r\n");
    EXPECT_EQ(bytes("first.bin"), std::string(700, 'a'));
    EXPECT_EQ(bytes("image"), "no magic here");  // a row's file goes whatever its format
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kPlanExhausted);
}

TEST(RequestId, CompatibleBoardIsFollowedByThePasswordData) {
    EngineRig rig;
    ByteVector image = Image1024();
    AppendCompatibleList(image, {"OTHER-BOARD", "SIM-BOARD-1"});
    EngineHost().image_box = rig.Write("fw.comp", image);

    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_REQUEST_ID}));

    EXPECT_EQ(rig.HostSentNames(), (Names{"WRQ RequestID", "DATA 1 (5)"}));
    EXPECT_EQ(rig.HostSent()[1], (tftp::Bytes{0, 3, 0, 1, 'p', 'w', '1', 0x0D, 0x0A}));
    EXPECT_TRUE(rig.desktop.Boxes().empty());
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST(RequestId, IncompatibleBoardIsRefusedAndNothingMoreIsSent) {
    EngineRig rig;
    ByteVector image = Image1024();
    AppendCompatibleList(image, {"OTHER-BOARD"});
    EngineHost().image_box = rig.Write("fw.comp", image);

    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_REQUEST_ID, STEP_PUT_UPDATE_BEGIN}));

    EXPECT_EQ(rig.HostSentNames(), (Names{"WRQ RequestID"}));
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Not compatible board: SIM-BOARD-1");
    EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    EXPECT_EQ(TheRunObserver().StopMessage(), "Not compatible board: SIM-BOARD-1");
}

TEST(RequestId, MissingImageShowsTheOpenErrorThenRefusesTheBoard) {
    EngineRig rig;
    EngineHost().image_box = rig.Path("absent.comp");

    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_REQUEST_ID}));

    ASSERT_EQ(rig.desktop.Boxes().size(), 2u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Error to open file " + rig.Path("absent.comp") + ".");
    EXPECT_EQ(rig.desktop.Boxes()[1].text, "Not compatible board: SIM-BOARD-1");
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
}

// What a driver that watches no window relies on: a request waiting for its answer counts
// as pending, and the last datagram each way is dated by the loop clock (here with 400 ms
// on the line, so that sending and receiving times differ).
TEST(RunObserverDuringARun, PendingWhileARequestWaitsAndLastTrafficEachWay) {
    EngineRig rig;
    rig.net.SetFaults({.delay = 400});
    const RunObserver& observer = TheRunObserver();
    EXPECT_EQ(observer.LastSent(), -1);
    EXPECT_EQ(observer.LastReceived(), -1);

    StartPlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_MACRO});
    EXPECT_EQ(observer.Phase(), RunPhase::kRunning);
    EXPECT_TRUE(observer.IsPending()) << "the key's write request waits under the timer";
    EXPECT_EQ(observer.LastSent(), rig.clock.Now());
    EXPECT_EQ(observer.LastReceived(), -1);

    ASSERT_TRUE(rig.RunLoopUntilSettled());
    fw::Millis last_from_host = -1, last_to_host = -1;
    for (const fw::Datagram& d : rig.net.Trace()) {
        if (d.from.addr == testhost::kHostAddr) last_from_host = d.sent_at;
        if (d.to.addr == testhost::kHostAddr) last_to_host = d.sent_at + 400;
    }
    EXPECT_EQ(observer.LastSent(), last_from_host);
    EXPECT_EQ(observer.LastReceived(), last_to_host);
    EXPECT_EQ(observer.LastTraffic(), last_to_host) << "the macro's ACK came last";
    EXPECT_EQ(observer.Phase(), RunPhase::kEnded);
    EXPECT_FALSE(observer.IsPending());
}

TEST(Sequencer, PressingAButtonAgainStartsTheNewPlanAfresh) {
    EngineRig rig;
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY}));
    int first_run = TheRunObserver().RunCount();
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_MACRO}));

    EXPECT_EQ(TheRunObserver().RunCount(), first_run + 1);
    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "tftplock.key", "cmdmacro"}));
    EXPECT_TRUE(g_planRing.Empty());
}

}  // namespace
