#include "framework/net.h"

#include <gtest/gtest.h>

#include "framework/resolver.h"

namespace fw {
namespace {

TEST(IpText, FormatsDottedDecimal) {
    EXPECT_EQ(FormatIp(0xC0A80101), "192.168.1.1");
    EXPECT_EQ(FormatIp(kBroadcastAddr), "255.255.255.255");
    EXPECT_EQ(FormatIp(0), "0.0.0.0");
}

TEST(IpText, ParsesOnlyCompleteDottedQuads) {
    EXPECT_EQ(ParseIp("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(ParseIp("255.255.255.255"), kBroadcastAddr);
    EXPECT_EQ(ParseIp("010.0.0.1"), 0x0A000001u);  // decimal, never octal
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", " 1.2.3.4",
                            "1..2.3", "1.2.3.", "a.b.c.d", "localhost", "1.2.3.0004",
                            "99999999999.1.1.1"}) {
        EXPECT_FALSE(ParseIp(bad)) << bad;
    }
}

class FixedResolver : public Resolver {
public:
    std::string HostName() override { return "bench"; }
    std::vector<std::uint32_t> ResolveHost(const std::string&) override { return {0x7F000001}; }
    std::vector<InterfaceAddress> Interfaces() override { return {}; }
};

TEST(Seams, DefaultsAreTheSystemOnesAndTestsCanReplaceThem) {
    EXPECT_EQ(&DefaultStack(), &RealNet());
    EXPECT_EQ(&DefaultResolver(), &SystemResolver());
    FixedResolver fixed;
    SetDefaultResolver(&fixed);
    EXPECT_EQ(DefaultResolver().HostName(), "bench");
    SetDefaultResolver(nullptr);
    EXPECT_EQ(&DefaultResolver(), &SystemResolver());
}

}  // namespace
}  // namespace fw
