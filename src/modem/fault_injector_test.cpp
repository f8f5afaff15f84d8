#include "modem/fault_injector.h"

#include <gtest/gtest.h>

namespace modem {
namespace {

TEST(PacketChoiceTest, ReadsKindBlockNameAndCount) {
    auto c = ParsePacketChoice("ack0:tftplock.key");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->kind, "ack");
    EXPECT_EQ(c->block, 0);
    EXPECT_EQ(c->name, "tftplock.key");
    EXPECT_EQ(c->count, 1);

    c = ParsePacketChoice("data:2:info*");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->block, 2);
    EXPECT_EQ(c->name, "info");
    EXPECT_EQ(c->count, -1);

    c = ParsePacketChoice("any:image*3");
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->block);
    EXPECT_EQ(c->count, 3);

    EXPECT_EQ(ParsePacketChoice("ack:65535")->block, 65535);
}

TEST(PacketChoiceTest, RejectsWhatItCannotMean) {
    for (const char* bad : {"", "nack:1", "ack:1:2", "ack1:2", "ack:a:b", "ack:70000", "ack*0",
                            "ack:", "ack:1:x:y", "ack*x", "1:info"}) {
        EXPECT_FALSE(ParsePacketChoice(bad)) << bad;
    }
    FaultPlan plan;
    plan.duplicate = {"data1", "bogus"};
    EXPECT_NE(ValidateFaultPlan(plan).find("bogus"), std::string::npos);
    plan.duplicate = {"data1"};
    EXPECT_EQ(ValidateFaultPlan(plan), "");
    plan.loss_percent = 101;
    EXPECT_NE(ValidateFaultPlan(plan), "");
}

TEST(FaultInjectorTest, ChoiceTakesOnlyAsManyMatchingDatagramsAsItsCount) {
    FaultInjector f;
    f.Reset(FaultPlan{.drop = {"ack:2:image*2"}, .duplicate = {"data1"}});
    auto ack2 = tftp::BuildAck(2);
    EXPECT_EQ(f.Decide(tftp::BuildAck(3), "image"), Fate::kSend);
    EXPECT_EQ(f.Decide(ack2, "info"), Fate::kSend);  // another transfer
    EXPECT_EQ(f.Decide(tftp::BuildData(2, "x", 1), "image"), Fate::kSend);
    EXPECT_EQ(f.Decide(ack2, "image"), Fate::kDrop);
    EXPECT_EQ(f.Decide(ack2, "image"), Fate::kDrop);
    EXPECT_EQ(f.Decide(ack2, "image"), Fate::kSend);
    EXPECT_EQ(f.Decide(tftp::BuildData(1, "x", 1), "any"), Fate::kDuplicate);
    EXPECT_EQ(f.Decide(tftp::BuildData(1, "x", 1), "any"), Fate::kSend);
    // A block number never picks a request, which has none.
    f.Reset(FaultPlan{.drop = {"any1"}});
    EXPECT_EQ(f.Decide(tftp::BuildRequest(tftp::RRQ, "\x01"), "x"), Fate::kSend);
}

TEST(FaultInjectorTest, SeededLossIsRepeatableAndNearItsShare) {
    auto run = [](std::uint32_t seed) {
        FaultInjector f;
        f.Reset(FaultPlan{.loss_percent = 30, .seed = seed});
        std::vector<Fate> fates;
        for (int i = 0; i < 1000; ++i) fates.push_back(f.Decide(tftp::BuildAck(1), "x"));
        return fates;
    };
    auto a = run(5);
    EXPECT_EQ(a, run(5));
    EXPECT_NE(a, run(6));
    auto dropped = std::count(a.begin(), a.end(), Fate::kDrop);
    EXPECT_GT(dropped, 200);
    EXPECT_LT(dropped, 400);
}

}  // namespace
}  // namespace modem
