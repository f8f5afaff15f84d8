#include "tftp/packet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tftp {
namespace {

// What goes on the wire, byte for byte. The parsers' contracts on any input (nothing taken
// from past the end, texts cut at their zero, unended requests refused): packet_fuzz and
// the replay of its corpus.
TEST(Packet, LayoutsOnTheWire) {
    const struct {
        Bytes built, wire;
    } cases[] = {
        {BuildRequest(RRQ, "info"), {0, 1, 'i', 'n', 'f', 'o', 0, 'o', 'c', 't', 'e', 't', 0}},
        {BuildData(1, "abc\r\n", 5), {0, 3, 0, 1, 'a', 'b', 'c', '\r', '\n'}},
        {BuildData(2, nullptr, 0), {0, 3, 0, 2}},
        {BuildAck(0x1234), {0, 4, 0x12, 0x34}},
        {BuildError(4, "", 128), [] { Bytes e(128); e[1] = 5; e[3] = 4; return e; }()},
    };
    for (const auto& c : cases) EXPECT_EQ(c.built, c.wire);
}

// Every opcode is logged under its name, an unknown one as "?". The line is put together by
// hand for speed; it must stay the printf text, cut where the 160-byte buffer of the design
// cut it.
TEST(Packet, ReceiveLogLineIsThePrintfTextNamingTheOpcodeCutAt159Characters) {
    const char* const names[] = {"?",   "Read Request", "Write Request", "Data",
                                 "Ack", "Error",        "?"};
    const std::string addresses[] = {"255.255.255.255", "", std::string(200, 'a')};
    for (unsigned op = 0; op < 7; ++op) {
        for (const std::string& address : addresses) {
            for (unsigned long port : {0UL, 69UL, 65535UL, 4294967295UL}) {
                for (unsigned field : {0U, 512U, 65535U}) {
                    char expected[160];
                    std::snprintf(expected, sizeof expected,
                                  "Remote IP : Port = %s:%ld %s Block=%d\n", address.c_str(),
                                  static_cast<long>(port), names[op], static_cast<int>(field));
                    EXPECT_EQ(ReceiveLogLine(address, port, op, field), expected);
                }
            }
        }
    }
}

}  // namespace
}  // namespace tftp
