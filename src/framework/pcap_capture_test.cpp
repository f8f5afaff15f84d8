#include "framework/pcap_capture.h"

#include <gtest/gtest.h>

#include <random>

namespace fw {
namespace {

std::uint32_t Word(const std::vector<std::uint8_t>& p, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | p[at + i];
    return value;
}

// The checksum of a header with its checksum field in place sums to zero, as a receiver
// checks it.
TEST(Ipv4UdpPacket, HeadersCarryTheRealEndsAndChecksumsThatVerify) {
    std::mt19937 random(21);
    for (int round = 0; round < 200; ++round) {
        Endpoint from{static_cast<std::uint32_t>(random()), static_cast<std::uint16_t>(random())};
        Endpoint to{static_cast<std::uint32_t>(random()), static_cast<std::uint16_t>(random())};
        std::vector<std::uint8_t> payload(random() % 600);
        for (auto& b : payload) b = static_cast<std::uint8_t>(random());
        auto packet = Ipv4UdpPacket(from, to, payload.data(), payload.size(), 9);
        ASSERT_EQ(packet.size(), 28 + payload.size());
        EXPECT_EQ(Word(packet, 2, 2), packet.size());
        EXPECT_EQ(Word(packet, 12, 4), from.addr);
        EXPECT_EQ(Word(packet, 16, 4), to.addr);
        EXPECT_EQ(Word(packet, 20, 2), from.port);
        EXPECT_EQ(Word(packet, 22, 2), to.port);
        EXPECT_EQ(InternetChecksum(packet.data(), 20), 0);
        std::uint8_t pseudo[12] = {};
        for (int i = 0; i < 8; ++i) pseudo[i] = packet[12 + i];
        pseudo[9] = 17;
        pseudo[10] = packet[24];
        pseudo[11] = packet[25];
        std::uint32_t sum = 0;
        for (int i = 0; i < 12; i += 2)
            sum += static_cast<std::uint32_t>(pseudo[i] << 8 | pseudo[i + 1]);
        EXPECT_EQ(InternetChecksum(packet.data() + 20, packet.size() - 20, sum), 0);
        EXPECT_NE(Word(packet, 26, 2), 0u) << "zero would mean no checksum";
    }
}

// The records themselves are read back by tcpdump in tests/cli/integrity_test.sh.
TEST(PcapCapture, AFileThatCannotBeWrittenSaysWhy) {
    std::string reason;
    PcapCapture nowhere;
    EXPECT_FALSE(nowhere.Open("/nonexistent-dir/x.pcap", &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(nowhere.IsOpen());
}

}  // namespace
}  // namespace fw
