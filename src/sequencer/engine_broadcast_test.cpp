// Broadcast upgrades: several modems answer from their listening port, every datagram goes
// to the broadcast address after the delay, and the reply filter keeps the transfer on one
// line of answers.
#include <gtest/gtest.h>

#include "formats/pack_builder.h"
#include "testing/engine_rig.h"
#include "testing/test_engine_host.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using testhost::Host;

class BroadcastUpgrade : public ::testing::Test {
protected:
    BroadcastUpgrade() : rig({.modems = 3, .answer_from_listen_port = true}) {
        g_bUnicast = 0;
        EngineHost().address_box = "255.255.255.255";
        Host().delay_text = "20";
        ByteVector payload(1500);
        for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i);
        image = BuildImage("10400777", payload);
        EngineHost().image_box = rig.Write("fw.comp", image);
        EngineHost().while_upgrade_status = [this] {
            rig.loop.RunUntil([] { return g_bUpdateComplete != 0; }, 20000);
        };
    }
    EngineRig rig;
    ByteVector image;
};

TEST_F(BroadcastUpgrade, EveryModemReceivesTheImage) {
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_SEND_IMAGE,
                         STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS}));

    for (auto& m : rig.modems) {
        ASSERT_NE(m->LastReceived("image"), nullptr);
        EXPECT_EQ(m->LastReceived("image")->bytes, image);
        EXPECT_NE(m->LastReceived("tftpupdt.end"), nullptr);
    }
    // One answer of the three is followed; the others are filtered out, not answered.
    EXPECT_EQ(rig.HostSentCount("DATA 1 (512)"), 1);
    EXPECT_EQ(rig.HostSentCount("DATA 3 (488)"), 1);
    EXPECT_EQ(g_bUpdateComplete, 1);  // the completion report passes the filter
    EXPECT_EQ(TheRunObserver().Phase(), RunPhase::kEnded);
    EXPECT_TRUE(rig.desktop.Boxes().empty());
}

TEST_F(BroadcastUpgrade, EveryDatagramGoesToTheBroadcastAddressAfterTheDelay) {
    ASSERT_TRUE(rig.Run({STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE}));

    fw::Millis previous = -1000;
    int host_datagrams = 0;
    for (const fw::Datagram& d : rig.net.Trace()) {
        if (d.from.addr != testhost::kHostAddr) continue;
        ++host_datagrams;
        EXPECT_EQ(d.to.addr, fw::kBroadcastAddr);
        EXPECT_EQ(d.to.port, testhost::kModemPort);
        EXPECT_GE(d.sent_at - previous, 20) << testhost::DescribeDatagram(d.bytes);
        previous = d.sent_at;
    }
    EXPECT_EQ(host_datagrams, 2 + 1 + 3);  // key write, image request, three blocks
}

}  // namespace
