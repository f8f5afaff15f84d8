// The modem's error texts and the response timer: what lets a plan go on, what stops it,
// which time-out message the user sees, and what each retry sends.
#include <gtest/gtest.h>

#include "formats/pack_builder.h"
#include "sequencer/response_timer.h"
#include "tftp/host_hooks.h"
#include "testing/engine_rig.h"
#include "testing/test_engine_host.h"
#include "testing/test_host.h"
#include "tftp/client_texts.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using testhost::Host;
using Names = std::vector<std::string>;

const std::initializer_list<int> kBeginPlan = {STEP_CONNECT, STEP_PUT_LOCK_KEY,
                                               STEP_PUT_UPDATE_BEGIN, STEP_PUT_MACRO};

std::string InUpdateMode(const std::string& text) { return text + "\n" + kUpdateModeText; }

void AnswerWith(EngineRig& rig, const std::string& name, const std::string& text) {
    modem::FaultPlan faults;
    faults.error_for[name] = text;
    rig.modems[0]->SetFaults(faults);
}

TEST(ModemErrors, AlreadyInUpdateModeLetsThePlanGoOn) {
    EngineRig rig;
    AnswerWith(rig, "tftpupdt.beg", "Server already in update mode");
    ASSERT_TRUE(rig.Run(kBeginPlan));
    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "cmdmacro"}));
    EXPECT_TRUE(rig.desktop.Boxes().empty());
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST(ModemErrors, MissingFileAnswerWithMoreTextLetsThePlanGoOn) {
    EngineRig rig;
    AnswerWith(rig, "tftpupdt.beg", "Failed to open file for reading: tftpupdt.beg");
    ASSERT_TRUE(rig.Run(kBeginPlan));
    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "cmdmacro"}));
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST(ModemErrors, AnyOtherTextStopsThePlanWithTheModemsText) {
    EngineRig rig;
    AnswerWith(rig, "tftpupdt.beg", "failed to open file for reading");  // case matters
    ASSERT_TRUE(rig.Run(kBeginPlan));

    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key"}));
    EXPECT_EQ(rig.HostSentNames().back(), "WRQ tftpupdt.beg");
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    // The begin marker's write had started: the modem may have taken it.
    EXPECT_EQ(rig.desktop.Boxes()[0].text, InUpdateMode("failed to open file for reading"));
    EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    EXPECT_FALSE(TheRunObserver().IsPending());
}

// ---- kind 1: a request without an answer

TEST(RequestTimeout, UnansweredRequestIsSentAgainAfterTheUnlockKey) {
    EngineRig rig;
    rig.DropFromHost("WRQ tftpupdt.beg");
    ASSERT_TRUE(rig.Run(kBeginPlan));

    EXPECT_EQ(rig.HostSentNames(),
              (Names{"WRQ tftplock.key", "DATA 1 (5)", "WRQ tftpupdt.beg", "WRQ tftplock.key",
                     "DATA 1 (5)", "WRQ tftpupdt.beg", "DATA 1 (2)", "WRQ cmdmacro",
                     "DATA 1 (2)"}));
    EXPECT_TRUE(rig.modems[0]->InUpdateMode());  // the begin marker was not skipped
    EXPECT_EQ(rig.client.retryBudget, 2);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST(RequestTimeout, LostImageWriteRequestIsSentAgain) {
    EngineRig rig;
    EngineHost().image_box = rig.Write("fw.comp", BuildImage("10400001", ByteVector(600, 5)));
    rig.DropFromHost("WRQ image");
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE}));

    EXPECT_EQ(rig.HostSentCount("WRQ image"), 2);
    ASSERT_NE(rig.modems[0]->LastReceived("image"), nullptr);
    EXPECT_EQ(rig.modems[0]->LastReceived("image")->bytes.size(), 612u);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST(RequestTimeout, BudgetSpentShowsNoResponseAndEmptiesTheBar) {
    EngineRig rig;
    Host().retry_text = "1";
    rig.DropFromHost("WRQ tftpupdt.beg", 2);
    ASSERT_TRUE(rig.Run(kBeginPlan));

    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, InUpdateMode("Timeout:\nADSL no response!"));
    EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_EQ(Host().progress_pos, 0);
    EXPECT_EQ(Host().progress_upper, 2);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    EXPECT_EQ(TheRunObserver().StopMessage(), InUpdateMode("Timeout:\nADSL no response!"));
}

TEST(RequestTimeout, KeepsItsSecondWhenTheTimeoutBoxIsNotANumber) {
    EngineRig rig;
    Host().timeout_text = "abc";
    StartPlan({STEP_CONNECT, STEP_PUT_LOCK_KEY});
    EXPECT_EQ(ResponseTimerKind(), TimerKind::kFirstAnswer);
    EXPECT_EQ(ResponseTimerInterval(), 1000);
}

// ---- kind 2: the next block of a read does not come

class ReadTimeout : public ::testing::Test {
protected:
    // The modem waits long before it repeats a block, so our timer acts first.
    ReadTimeout() : rig({.modem_retransmit_ms = 20000}) {
        rig.Write("initbridge", std::string(700, 'b'));
        for (const char* f : {"initbrowser", "resolve", "imode", "dhcpd.conf"}) rig.Write(f, std::string(f));
    }
    EngineRig rig;
};

TEST_F(ReadTimeout, LastAckIsSentAgain) {
    rig.DropFromHost("ACK 1");
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES}));
    EXPECT_EQ(rig.HostSentCount("ACK 1"), 6);  // five files, the first one's ACK 1 twice
    EXPECT_EQ(rig.client.retryBudget, 2);
    EXPECT_TRUE(rig.client.ConfigurationSaved());
}

TEST_F(ReadTimeout, BudgetSpentShowsAckNoResponseAndLeavesTheBar) {
    Host().retry_text = "0";
    rig.DropFromHost("ACK 1");
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES,
                         STEP_REPORT_CONFIG_SAVED}));
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Timeout:\nADSL ack no response!");
    EXPECT_EQ(Host().progress_pos, 2);  // where the last unlock key left it
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
    // The pack being written is given up with the run.
    EXPECT_FALSE(std::filesystem::exists(rig.Path("config.pack")));
    EXPECT_FALSE(std::filesystem::exists(rig.Path("config.pack.part")));
}

TEST_F(ReadTimeout, ZeroMillisecondsWhenTheTimeoutBoxIsNotANumber) {
    Host().timeout_text = "abc";
    rig.DropFromHost("ACK 1");
    StartPlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES});
    rig.loop.RunUntil([] { return ResponseTimerKind() == TimerKind::kNextBlock; }, 60000);
    EXPECT_EQ(ResponseTimerInterval(), 0);
}

// ---- kind 3: the acknowledgement of a sent block does not come

class SendTimeout : public ::testing::Test {
protected:
    // The modem repeats its acknowledgements only after a long while: our timer acts first.
    SendTimeout() : rig({.modem_retransmit_ms = 20000}) {
        EngineHost().image_box = rig.Write("fw.comp", BuildImage("10400001", ByteVector(1012, 9)));
    }
    bool RunImageSend() { return rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE}); }
    EngineRig rig;
};

TEST_F(SendTimeout, BudgetSpentAsksToRetryAndRetrySendsTheBlockAgain) {
    Host().retry_text = "0";
    rig.DropFromHost("DATA 2 (512)");
    rig.desktop.QueueAnswer(fw::IDRETRY);
    ASSERT_TRUE(RunImageSend());

    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Timeout:\nADSL no ACK! Retry? ");
    EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_RETRYCANCEL);
    EXPECT_EQ(rig.HostSentCount("DATA 2 (512)"), 2);
    EXPECT_EQ(rig.modems[0]->LastReceived("image")->bytes.size(), 1024u);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST_F(SendTimeout, RetryThatIsLostAgainAsksAgain) {
    Host().retry_text = "0";
    rig.DropFromHost("DATA 2 (512)", 2);
    rig.desktop.QueueAnswer(fw::IDRETRY);
    rig.desktop.QueueAnswer(fw::IDRETRY);
    ASSERT_TRUE(RunImageSend());
    EXPECT_EQ(rig.desktop.Boxes().size(), 2u);
    EXPECT_EQ(rig.HostSentCount("DATA 2 (512)"), 3);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST_F(SendTimeout, CancelEmptiesTheBarAndStopsTheRun) {
    Host().retry_text = "0";
    rig.DropFromHost("DATA 2 (512)");
    rig.desktop.QueueAnswer(fw::IDCANCEL);
    ASSERT_TRUE(RunImageSend());
    EXPECT_EQ(rig.HostSentCount("DATA 2 (512)"), 1);
    EXPECT_EQ(Host().progress_pos, 0);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
}

TEST_F(SendTimeout, CommandFileDataIsGuardedToo) {
    rig.DropFromHost("DATA 1 (5)");
    ASSERT_TRUE(RunImageSend());
    EXPECT_EQ(rig.HostSentCount("DATA 1 (5)"), 2);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST_F(SendTimeout, NegativeRetryNeverRunsOut) {
    Host().retry_text = "-1";
    rig.DropFromHost("DATA 1 (512)", 4);
    ASSERT_TRUE(RunImageSend());
    EXPECT_TRUE(rig.desktop.Boxes().empty());
    EXPECT_EQ(rig.HostSentCount("DATA 1 (512)"), 5);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
}

TEST_F(SendTimeout, BudgetIsSharedByTheWholeRun) {
    Host().retry_text = "2";
    rig.DropFromHost("WRQ tftplock.key");
    rig.DropFromHost("DATA 1 (512)");
    rig.DropFromHost("DATA 2 (512)");
    rig.desktop.QueueAnswer(fw::IDCANCEL);
    ASSERT_TRUE(RunImageSend());
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);  // the third loss finds the budget spent
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Timeout:\nADSL no ACK! Retry? ");
}

TEST_F(SendTimeout, ZeroMillisecondsWhenTheTimeoutBoxIsNotANumber) {
    Host().timeout_text = "x";
    StartPlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE});
    rig.loop.RunUntil([] { return ResponseTimerKind() == TimerKind::kBlockAck; }, 60000);
    EXPECT_EQ(ResponseTimerInterval(), 0);
}

TEST(LateExpiry, FindsNothingToDoOnceTheTimerWasStopped) {
    EngineRig rig;
    StartResponseTimer(1000, TimerKind::kNextBlock);
    StopResponseTimer();
    OnResponseTimer();
    EXPECT_TRUE(rig.HostSent().empty());
    EXPECT_TRUE(rig.desktop.Boxes().empty());
}

}  // namespace
