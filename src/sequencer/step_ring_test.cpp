#include "sequencer/step_ring.h"

#include <gtest/gtest.h>

#include "testing/engine_rig.h"
#include "tftp/run_observer.h"

namespace {

TEST(StepRing, HoldsAtMost199CodesAndDropsFurtherPushes) {
    StepRing ring;
    for (int i = 0; i < 199; ++i) ring.Push(i % 21);
    EXPECT_TRUE(ring.Full());
    EXPECT_EQ(ring.Count(), 199);
    int tail = ring.tail;
    ring.Push(STEP_END);
    EXPECT_EQ(ring.tail, tail);
    EXPECT_EQ(ring.Count(), 199);
    std::int32_t code = -1;
    for (int i = 0; i < 199; ++i) {
        ASSERT_TRUE(ring.Pop(code));
        EXPECT_EQ(code, i % 21);
    }
    EXPECT_FALSE(ring.Pop(code));
}

TEST(StepRing, IndicesWrapFrom199ToZero) {
    StepRing ring;
    ring.head = ring.tail = 199;
    ring.Push(STEP_CONNECT);
    ring.Push(STEP_END);
    EXPECT_EQ(ring.tail, 1);
    std::int32_t code = 0;
    ASSERT_TRUE(ring.Pop(code));
    EXPECT_EQ(code, STEP_CONNECT);
    EXPECT_EQ(ring.head, 0);
    ASSERT_TRUE(ring.Pop(code));
    EXPECT_EQ(code, STEP_END);
    EXPECT_TRUE(ring.Empty());
}

TEST(Sequencer, WithBothRingsEmptyDoesNothing) {
    testhost::EngineRig rig;
    ResetStepRings();
    RunSequencer();
    rig.loop.RunFor(5000);
    EXPECT_TRUE(rig.net.Trace().empty());
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kPlanExhausted);
}

TEST(Sequencer, NegativeCodeEndsThePlanButIsSkippedInThePriorityRing) {
    testhost::EngineRig rig;
    ResetStepRings();
    g_priorityRing.Push(-1);
    g_planRing.Push(STEP_CONNECT);
    g_planRing.Push(STEP_PUT_LOCK_KEY);
    g_planRing.Push(-5);
    g_planRing.Push(STEP_PUT_MACRO);
    RunSequencer();
    ASSERT_TRUE(rig.RunLoopUntilSettled());
    EXPECT_EQ(rig.ReceivedNames(), std::vector<std::string>{"tftplock.key"});
    EXPECT_FALSE(g_planRing.Empty());  // the code after the negative one is never read
}

TEST(Sequencer, PriorityRingIsDrainedBeforeTheNextPlanCode) {
    testhost::EngineRig rig;
    ResetStepRings();
    g_planRing.Push(STEP_CONNECT);
    g_planRing.Push(STEP_PUT_LOCK_KEY);
    g_planRing.Push(STEP_PUT_MACRO);
    RunSequencer();  // the key write is under way
    g_priorityRing.Push(STEP_PUT_UPDATE_BEGIN);
    g_priorityRing.Push(STEP_PUT_UPDATE_END);
    ASSERT_TRUE(rig.RunLoopUntilSettled());
    EXPECT_EQ(rig.ReceivedNames(), (std::vector<std::string>{"tftplock.key", "tftpupdt.beg",
                                                             "tftpupdt.end", "cmdmacro"}));
}

}  // namespace
