#include "framework/net.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(IpText, ParsesOnlyCompleteDottedQuadsAndFormatsThemBack) {
    EXPECT_EQ(ParseIp("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(FormatIp(0x7F006407), "127.0.100.7");
    EXPECT_EQ(ParseIp("255.255.255.255"), kBroadcastAddr);
    EXPECT_EQ(ParseIp("010.0.0.1"), 0x0A000001u);  // decimal, never octal
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", " 1.2.3.4", "1..2.3",
                            "1.2.3.", "a.b.c.d", "localhost", "1.2.3.0004", "99999999999.1.1.1"}) {
        EXPECT_FALSE(ParseIp(bad)) << bad;
    }
}

}  // namespace
}  // namespace fw
