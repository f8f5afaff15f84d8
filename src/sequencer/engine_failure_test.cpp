// The modem's error texts and the response timer: what lets a plan go on, what stops it,
// which message the user sees, and what each retry sends.
#include <gtest/gtest.h>

#include <set>

#include "formats/pack_builder.h"
#include "testing/engine_rig.h"
#include "testing/test_host.h"
#include "tftp/client_texts.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using testhost::Host;
using Names = std::vector<std::string>;

const std::initializer_list<int> kBeginPlan = {STEP_CONNECT, STEP_PUT_LOCK_KEY,
                                               STEP_PUT_UPDATE_BEGIN, STEP_PUT_MACRO};

std::string InUpdateMode(const std::string& text) { return text + "\n" + kUpdateModeText; }

// The two known texts let a command file count as written; any other text stops the plan
// with it, the update-mode line added once the begin marker's write has started.
TEST(ModemErrors, KnownTextsLetThePlanGoOnAnyOtherStopsItWithThatText) {
    struct Case {
        const char* text;
        bool goes_on;
    } cases[] = {{"Server already in update mode", true},
                 {"Failed to open file for reading: tftpupdt.beg", true},
                 {"failed to open file for reading", false}};  // case matters
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EngineRig rig;
        rig.modems[0]->SetFaults({.error_for = {{"tftpupdt.beg", c.text}}});
        ASSERT_TRUE(rig.Run(kBeginPlan));
        if (c.goes_on) {
            EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "cmdmacro"}));
            EXPECT_TRUE(rig.desktop.Boxes().empty());
            EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
            continue;
        }
        EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key"}));
        ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
        EXPECT_EQ(rig.desktop.Boxes()[0].text, InUpdateMode(c.text));
        EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
        EXPECT_EQ(TheRunObserver().StopMessage(), InUpdateMode(c.text));
        EXPECT_FALSE(TheRunObserver().IsPending());
    }
}

// An unanswered request goes out again after the unlock key, from a fresh port; the budget
// spent, the user is told there was no response.
TEST(RequestTimeout, UnansweredRequestIsSentAgainAfterTheKeyUntilTheBudgetIsSpent) {
    for (const char* retries : {"3", "1"}) {
        EngineRig rig;
        Host().retry_text = retries;
        rig.DropFromHost("WRQ tftpupdt.beg", *retries == '3' ? 1 : 2);
        ASSERT_TRUE(rig.Run(kBeginPlan));
        if (*retries == '1') {
            EXPECT_EQ(rig.desktop.BoxTexts(), (Names{InUpdateMode(kNoResponseText)}));
            EXPECT_EQ(Host().progress_pos, 0);
            EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
            continue;
        }
        EXPECT_EQ(rig.HostSentNames(),
                  (Names{"WRQ tftplock.key", "DATA 1 (5)", "WRQ tftpupdt.beg", "WRQ tftplock.key",
                         "DATA 1 (5)", "WRQ tftpupdt.beg", "DATA 1 (2)", "WRQ cmdmacro",
                         "DATA 1 (2)"}));
        std::set<int> ports;
        for (const fw::Datagram& d : rig.net.Trace())
            if (d.from.addr == testhost::kHostAddr) ports.insert(d.from.port);
        EXPECT_EQ(ports.size(), 2u) << "the retry goes out from a fresh port";
        EXPECT_TRUE(rig.modems[0]->InUpdateMode());
        EXPECT_EQ(rig.client.retryBudget, 2);
    }
}

// A lost ACK of ours: the last one goes out again; the budget spent, the read stops and the
// pack being written is given up.
TEST(ReadTimeout, LastAckIsSentAgainUntilTheBudgetIsSpent) {
    for (const char* retries : {"3", "0"}) {
        SCOPED_TRACE(retries);
        EngineRig rig({.modem_retransmit_ms = 20000});  // our timer acts first
        rig.Write("initbridge", std::string(700, 'b'));
        for (const char* f : {"initbrowser", "resolve", "imode", "dhcpd.conf"}) rig.Write(f, f);
        Host().retry_text = retries;
        rig.DropFromHost("ACK 1");
        ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES,
                             STEP_REPORT_CONFIG_SAVED}));
        if (*retries == '3') {
            EXPECT_EQ(rig.HostSentCount("ACK 1"), 6);  // five files, the first one's twice
            EXPECT_TRUE(rig.client.ConfigurationSaved());
            continue;
        }
        EXPECT_EQ(rig.desktop.BoxTexts(), (Names{kAckNoResponseText}));
        EXPECT_EQ(Host().progress_pos, 2);  // where the last unlock key left it
        EXPECT_FALSE(std::filesystem::exists(rig.Path("config.pack")));
        EXPECT_FALSE(std::filesystem::exists(rig.Path("config.pack.part")));
    }
}

// A lost block of a file being sent: sent again by the timer, the budget shared by the whole
// run; once it is spent the user is asked, and Retry sends the block again.
TEST(SendTimeout, LostBlocksAreSentAgainAndASpentBudgetAsksTheUser) {
    struct Case {
        const char* retries;
        std::vector<std::pair<const char*, int>> drops;
        std::vector<int> answers;
        const char* resent;
        int times;
        int boxes;
        RunPhase phase;
    } cases[] = {
        {"3", {{"DATA 3 (0)", 1}}, {}, "DATA 3 (0)", 2, 0, RunPhase::kEnded},
        {"3", {{"DATA 1 (5)", 1}}, {}, "DATA 1 (5)", 2, 0, RunPhase::kEnded},
        {"-1", {{"DATA 1 (512)", 4}}, {}, "DATA 1 (512)", 5, 0, RunPhase::kEnded},
        {"0", {{"DATA 2 (512)", 2}}, {fw::IDRETRY, fw::IDRETRY}, "DATA 2 (512)", 3, 2,
         RunPhase::kEnded},
        {"0", {{"DATA 2 (512)", 1}}, {fw::IDCANCEL}, "DATA 2 (512)", 1, 1, RunPhase::kStopped},
        {"2", {{"WRQ tftplock.key", 1}, {"DATA 1 (512)", 1}, {"DATA 2 (512)", 1}},
         {fw::IDCANCEL}, "DATA 2 (512)", 1, 1, RunPhase::kStopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.retries) + " " + c.resent);
        EngineRig rig({.modem_retransmit_ms = 20000});
        EngineHost().image_box = rig.Write("fw.comp", BuildImage("10400001", ByteVector(1012, 9)));
        Host().retry_text = c.retries;
        for (auto [name, count] : c.drops) rig.DropFromHost(name, count);
        for (int answer : c.answers) rig.desktop.QueueAnswer(answer);
        ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE}));
        EXPECT_EQ(rig.HostSentCount(c.resent), c.times);
        ASSERT_EQ(rig.desktop.Boxes().size(), static_cast<std::size_t>(c.boxes));
        for (const auto& box : rig.desktop.Boxes()) {
            EXPECT_EQ(box.text, kNoAckRetryText);
            EXPECT_EQ(box.flags, fw::MB_RETRYCANCEL);
        }
        EXPECT_EQ(TheRunObserver().Phase(), c.phase);
        if (c.phase == RunPhase::kEnded)
            EXPECT_EQ(rig.modems[0]->LastReceived("image")->bytes.size(), 1024u);
        else
            EXPECT_EQ(Host().progress_pos, 0);
    }
}

}  // namespace
