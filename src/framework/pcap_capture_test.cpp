#include "framework/pcap_capture.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

// The records themselves, their real ends and their IP and UDP checksums, are read back by
// tcpdump in tests/cli/integrity_test.sh.
TEST(PcapCapture, AFileThatCannotBeWrittenSaysWhy) {
    std::string reason;
    PcapCapture nowhere;
    EXPECT_FALSE(nowhere.Open("/nonexistent-dir/x.pcap", &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(nowhere.IsOpen());
}

}  // namespace
}  // namespace fw
