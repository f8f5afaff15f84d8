#include "tftp/secret_mask.h"

#include <gtest/gtest.h>

namespace tftp {
namespace {

constexpr fw::Endpoint kHost{0x0A000001, 40000};
constexpr fw::Endpoint kOtherHost{0x0A000003, 40000};
constexpr fw::Endpoint kModem{0x0A000002, 69};
constexpr fw::Endpoint kTransfer{0x0A000002, 50000};

std::string Shown(SecretMask& mask, fw::Endpoint from, fw::Endpoint to, const Bytes& datagram) {
    Bytes shown = mask.Shown(from, to, datagram.data(), datagram.size());
    return std::string(shown.begin() + 4, shown.end());
}

Bytes Data(std::string_view text) {
    return BuildData(1, text.data(), text.size());
}

TEST(SecretMask, OnlyTheContentOfThePasswordFilesIsMasked) {
    SecretMask mask;
    const std::string kSame = "(unchanged)";
    struct Step {
        fw::Endpoint from, to;
        Bytes datagram;
        std::string shown;  // the bytes after the 4-byte header, or kSame
    };
    const Step steps[] = {
        {kHost, kModem, BuildRequest(WRQ, "tftplock.key"), kSame},
        {kHost, kTransfer, Data("hunter2\r\n"), "*******\r\n"},
        {kOtherHost, kTransfer, Data("hunter2\r\n"), kSame},  // not that peer's write
        {kHost, kModem, BuildRequest(WRQ, "image"), kSame},
        {kHost, kTransfer, Data("LZ01"), kSame},  // a new request ended the secret
        {kHost, kModem, BuildRequest(WRQ, "RequestID"), kSame},
        {kHost, kTransfer, Data("pw\n"), "**\n"},  // the header and the line end kept
        {kHost, kTransfer, Data("\r\n"), kSame},
        {kModem, kHost, BuildAck(1), kSame},
        {kOtherHost, kModem, BuildRequest(RRQ, "tftplock.key"), kSame},
        {kTransfer, kOtherHost, Data("pw"), "**"},  // read by a peer: masked on its way there
        {kTransfer, kOtherHost, Data(""), kSame},
        {kTransfer, kHost, Data("pw"), kSame},
    };
    for (const Step& step : steps) {
        std::string want = step.shown == kSame
                               ? std::string(step.datagram.begin() + 4, step.datagram.end())
                               : step.shown;
        EXPECT_EQ(Shown(mask, step.from, step.to, step.datagram), want);
    }
}

}  // namespace
}  // namespace tftp
