// Pack files sent entry by entry, the criteria entry held back on request, and the files
// the send path refuses before anything of them reaches the modem.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/pack_builder.h"
#include "formats/image_check.h"
#include "sequencer/step_ring.h"
#include "testing/engine_rig.h"
#include "testing/test_engine_host.h"
#include "testing/test_host.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using testhost::Host;
using Names = std::vector<std::string>;

const std::initializer_list<int> kUpgradeWithoutDialog = {
    STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_SEND_IMAGE,
    STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END};

PackItem Item(const std::string& name, std::size_t size, std::uint8_t fill) {
    return {name, ByteVector(size, fill)};
}

bool LogHas(const std::string& line) {
    const auto& log = Host().log;
    return std::find(log.begin(), log.end(), line) != log.end();
}

Names Without(Names names, const std::string& drop) {
    names.erase(std::remove(names.begin(), names.end(), drop), names.end());
    return names;
}

TEST(PackSend, EveryEntryGoesUnderItsOwnNameBeforeThePlanGoesOn) {
    EngineRig rig;
    auto pack = BuildPack("PACK", "HW000001",
                          {Item("A", 1000, 'a'), Item("hw.cond", 12, 'c'), Item("B", 512, 'b')});
    EngineHost().image_box = rig.Write("fw.pack", pack);

    ASSERT_TRUE(rig.Run(kUpgradeWithoutDialog));

    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "tftpupdt.beg", "A", "hw.cond", "B",
                                          "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(rig.modems[0]->LastReceived("A")->bytes, ByteVector(1000, 'a'));
    EXPECT_EQ(rig.modems[0]->LastReceived("hw.cond")->bytes, ByteVector(12, 'c'));
    EXPECT_EQ(rig.modems[0]->LastReceived("B")->bytes, ByteVector(512, 'b'));
    EXPECT_TRUE(LogHas("[0] Total block= 2"));
    EXPECT_TRUE(LogHas("[1] Total block= 1"));
    EXPECT_TRUE(LogHas("[2] Total block= 2"));
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kPlanExhausted);
}

TEST(PackSend, CheckedCriteriaBoxHoldsBackHwCond) {
    EngineRig rig;
    Host().criteria_skipped = true;
    auto pack = BuildPack("PK11", "",
                          {Item("A", 700, 'a'), Item("hw.cond", 12, 'c'), Item("B", 30, 'b')});
    EngineHost().image_box = rig.Write("fw.pack", pack);

    ASSERT_TRUE(rig.Run(kUpgradeWithoutDialog));

    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "tftpupdt.beg", "A", "B",
                                          "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(rig.HostSentCount("WRQ A") + rig.HostSentCount("WRQ B"), 2);
    EXPECT_TRUE(LogHas("[0] Total block= 2"));
    EXPECT_TRUE(LogHas("[2] Total block= 1"));
}

// Held back as the first or the last entry, the criteria file leaves the others to be sent
// and the plan to go on as usual.
class CriteriaAtAnEnd : public ::testing::TestWithParam<bool> {};

TEST_P(CriteriaAtAnEnd, OtherEntriesAreSentAndThePlanGoesOn) {
    EngineRig rig;
    Host().criteria_skipped = true;
    std::vector<PackItem> items = {Item("A", 600, 'a'), Item("B", 10, 'b')};
    if (GetParam()) {
        items.insert(items.begin(), Item("hw.cond", 12, 'c'));
    } else {
        items.push_back(Item("hw.cond", 12, 'c'));
    }
    EngineHost().image_box = rig.Write("fw.pack", BuildPack("PK11", "v", items));

    ASSERT_TRUE(rig.Run(kUpgradeWithoutDialog));

    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key", "tftpupdt.beg", "A", "B",
                                          "tftpupdt.rbt", "tftpupdt.end"}));
    EXPECT_EQ(TheRunObserver().EndReason(), RunEnd::kPlanExhausted);
}

INSTANTIATE_TEST_SUITE_P(FirstOrLast, CriteriaAtAnEnd, ::testing::Bool());

TEST(PackSend, PackOfOnlyTheHeldBackCriteriaSendsNothingAndGoesOn) {
    EngineRig rig;
    Host().criteria_skipped = true;
    EngineHost().image_box = rig.Write("fw.pack", BuildPack("PK11", "", {Item("hw.cond", 3, 'c')}));
    ASSERT_TRUE(rig.Run(kUpgradeWithoutDialog));
    EXPECT_EQ(Without(rig.ReceivedNames(), "tftplock.key"),
              (Names{"tftpupdt.beg", "tftpupdt.rbt", "tftpupdt.end"}));
}

// ---- refusals: the user is told, and nothing of the file reaches the modem

struct Refusal {
    const char* what;
    ByteVector bytes;
    std::string message;
};

class SendRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(SendRefused, WithAStopMessageAndNoWriteRequest) {
    EngineRig rig;
    EngineHost().image_box = rig.Write("bad.bin", GetParam().bytes);
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE, STEP_PUT_MACRO}));

    EXPECT_EQ(rig.ReceivedNames(), (Names{"tftplock.key"}));
    EXPECT_EQ(rig.HostSentNames().back(), "DATA 1 (5)");
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, GetParam().message);
    EXPECT_EQ(rig.desktop.Boxes()[0].flags, fw::MB_ICONSTOP);
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kStopped);
}

ByteVector Truncated() {
    ByteVector pack = BuildPack("PK11", "", {Item("A", 100, 'a'), Item("B", 100, 'b')});
    pack.resize(pack.size() - 1);
    return pack;
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, SendRefused,
    ::testing::Values(Refusal{"unknown", ToBytes("JUNK and more"), "Warning:\nYour image is not correct."},
                      Refusal{"long name", BuildPack("PK11", "", {Item(std::string(50, 'n'), 4, 'x')}),
                              "Warning:\nYour image is not correct."},
                      Refusal{"empty table", BuildPack("PACK", "12345678", {}), kPackEmptyText},
                      Refusal{"entry past the end", Truncated(), kPackTruncatedText}),
    [](const auto& info) {
        std::string n = info.param.what;
        std::replace(n.begin(), n.end(), ' ', '_');
        return n;
    });

TEST(PackSend, MissingFileIsRefusedWithCannotOpen) {
    EngineRig rig;
    EngineHost().image_box = rig.Path("absent.pack");
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE}));
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, "Warning:\nCannot open file.");
    EXPECT_EQ(rig.HostSentCount("WRQ image"), 0);
}

// Block 65535 is the modem's completion report: a file whose last block would need it is
// refused; one byte less still goes.
TEST(SizeLimit, FileNeedingBlock65535IsRefused) {
    EngineRig rig;
    std::string path = rig.Write("big.comp", BuildImage("10400001", {}));
    std::filesystem::resize_file(path, 33553408);
    EngineHost().image_box = path;
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE}));
    ASSERT_EQ(rig.desktop.Boxes().size(), 1u);
    EXPECT_EQ(rig.desktop.Boxes()[0].text, kTooLargeText);
    EXPECT_EQ(rig.HostSentCount("WRQ image"), 0);
}

TEST(SizeLimit, FileEndingAtBlock65534IsSent) {
    EngineRig rig;
    std::string path = rig.Write("big.comp", BuildImage("10400001", {}));
    std::filesystem::resize_file(path, 33553407);
    EngineHost().image_box = path;
    StartPlan({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE});
    rig.loop.RunUntil([&] { return rig.HostSentCount("WRQ image") == 1; }, 60000);
    EXPECT_TRUE(rig.desktop.Boxes().empty());
    EXPECT_EQ(rig.client.lastBlock, 65534);
}

}  // namespace
