#include "tftp/packet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tftp {
namespace {

TEST(Packet, ReadRequestForInfoIsThirteenBytes) {
    Bytes expected = {0x00, 0x01, 0x69, 0x6E, 0x66, 0x6F, 0x00,
                      0x6F, 0x63, 0x74, 0x65, 0x74, 0x00};
    EXPECT_EQ(BuildRequest(RRQ, "info"), expected);
}

TEST(Packet, DataAckAndErrorLayouts) {
    const char text[] = "abc\r\n";
    Bytes data = BuildData(1, text, 5);
    EXPECT_EQ(data, (Bytes{0, 3, 0, 1, 'a', 'b', 'c', '\r', '\n'}));
    EXPECT_EQ(BuildData(2, nullptr, 0), (Bytes{0, 3, 0, 2}));
    EXPECT_EQ(BuildAck(0x1234), (Bytes{0, 4, 0x12, 0x34}));
    Bytes error = BuildError(4, "", 128);
    ASSERT_EQ(error.size(), 128u);
    EXPECT_EQ(error[1], 5);
    EXPECT_EQ(error[3], 4);
}

TEST(Packet, ShortDatagramHasNoHeader) {
    std::uint8_t three[] = {0, 4, 0};
    EXPECT_FALSE(ParseHeader(three, 3).valid);
    std::uint8_t four[] = {0, 4, 0xFF, 0xFF};
    Header h = ParseHeader(four, 4);
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.opcode, ACK);
    EXPECT_EQ(h.field, kCompletionBlock);
}

TEST(Packet, RequestNameWithoutZeroIsMalformed) {
    std::uint8_t bad[] = {0, 1, 'a', 'b'};
    EXPECT_FALSE(ParseRequest(bad, sizeof bad));
    Bytes good = BuildRequest(WRQ, "tftplock.key");
    auto r = ParseRequest(good.data(), good.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->op, WRQ);
    EXPECT_EQ(r->name, "tftplock.key");
    EXPECT_EQ(r->mode, "octet");
}

TEST(Packet, TrailingTextEndsAtZeroOrDatagramEnd) {
    std::uint8_t ack[] = {0, 4, 0, 0, 'B', 'D', '1', 0, 'x'};
    EXPECT_EQ(TrailingText(ack, sizeof ack), "BD1");
    EXPECT_EQ(TrailingText(ack, 6), "BD");
    EXPECT_EQ(TrailingText(ack, 4), "");
}

TEST(Packet, KnownErrorTextsMatchAsCaseSensitivePrefixes) {
    EXPECT_TRUE(StartsWith("Failed to open file for reading: imode", kNoSuchFile));
    EXPECT_FALSE(StartsWith("failed to open file for reading", kNoSuchFile));
    EXPECT_FALSE(StartsWith("Failed to open", kNoSuchFile));
}

// Every opcode is logged under its name, an unknown one as "?".
TEST(Packet, ReceiveLogLineNamesEveryOpcode) {
    const char* const names[] = {"?",   "Read Request", "Write Request", "Data",
                                 "Ack", "Error",        "?"};
    for (unsigned op = 0; op < 7; ++op) {
        EXPECT_EQ(ReceiveLogLine("127.0.0.1", 6969, op, 1),
                  std::string("Remote IP : Port = 127.0.0.1:6969 ") + names[op] + " Block=1\n");
    }
}

// The line is put together by hand for speed; it must stay the printf text, cut where the
// 160-byte buffer of the design cut it.
TEST(Packet, ReceiveLogLineIsThePrintfTextCutAt159Characters) {
    const std::string long_address(200, 'a');
    const std::string addresses[] = {"255.255.255.255", "", long_address};
    for (const std::string& address : addresses) {
        for (unsigned long port : {0UL, 69UL, 65535UL, 4294967295UL}) {
            for (unsigned field : {0U, 512U, 65535U}) {
                char expected[160];
                std::snprintf(expected, sizeof expected, "Remote IP : Port = %s:%ld %s Block=%d\n",
                              address.c_str(), static_cast<long>(port), PCodeName(4),
                              static_cast<int>(field));
                EXPECT_EQ(ReceiveLogLine(address, port, 4, field), expected);
            }
        }
    }
}

}  // namespace
}  // namespace tftp
