#include "frontends/cli/formatting.h"

#include <gtest/gtest.h>

#include "frontends/cli/cli_options.h"

namespace cli {
namespace {

TEST(ModemInfoText, TrimsLineEndsAndIndentsTheProfile) {
    ModemInfoView info;
    info.company = "Acme\r\n";
    info.productId = "<unknown>";
    info.hardwareProfile = {"Board: X", "Flash: 4 MB\r"};
    EXPECT_EQ(ModemInfoText(info),
              "Company: Acme\nDate: \nHardware Version: \nFirmware Version: \n"
              "Product ID: <unknown>\nMAC Address: \nTftp Version: \nHardware Profile:\n"
              "  Board: X\n  Flash: 4 MB\n");
}

TEST(ProgressLine, KeepsTheBarInsideItsWidthWhateverTheCounts) {
    EXPECT_EQ(ProgressLine("image", 40, 80, 2048, 10),
              "image  [#####.....]  50%  20.0 KiB / 40.0 KiB  2.0 KiB/s  0:10 left");
    EXPECT_EQ(ProgressLine("", 99, 3, 0, 4), "[####]  100%  1.5 KiB / 1.5 KiB  0 B/s  0:00 left");
    EXPECT_EQ(ProgressLine("x", -5, 0, 3.5 * 1024 * 1024, 2),
              "x  [##]  100%  0 B / 0 B  3.5 MiB/s  0:00 left");
    // With the file's size known, the bytes are the file's.
    EXPECT_EQ(ProgressLine("image", 40, 79, 2048, 10, 40026),
              "image  [#####.....]  50%  20.0 KiB / 39.1 KiB  2.0 KiB/s  0:10 left");
    EXPECT_EQ(ProgressLine("info", 1, 1, 100, 4, 36),
              "info  [####]  100%  36 B / 36 B  100 B/s  0:00 left");
    // Nothing moved yet: no time left can be told. A name cannot steer the terminal.
    EXPECT_EQ(ProgressLine("a\x1b[2Jb", 0, 4, 0, 4),
              "a\\x1b[2Jb  [....]  0%  0 B / 2.0 KiB  0 B/s  --:-- left");
    // The time left reads as minutes or hours.
    for (auto [seconds, text] : {std::pair{0.2, "0:01"},
                                 {59.0, "0:59"},
                                 {754.0, "12:34"},
                                 {3723.0, "1:02:03"},
                                 {-1.0, "--:--"},
                                 {1e9, "--:--"}}) {
        EXPECT_EQ(FormatTimeLeft(seconds), text) << seconds;
    }
}

TEST(InterfacesText, OneAlignedLinePerAddressWithItsState) {
    EXPECT_EQ(InterfacesText({{"lo", 0x7F000001, true, true}, {"eth0", 0xC0A8010A, false, false}}),
              "lo    127.0.0.1        up, loopback\n"
              "eth0  192.168.1.10     down\n");
}

TEST(FileRow, SplitsAtTheLastColonOfTheNameOnly) {
    EXPECT_EQ(ParseFileRow("dir/a.bin")->destination, "a.bin");
    EXPECT_EQ(ParseFileRow("dir/a.bin:b")->source, "dir/a.bin");
    EXPECT_EQ(ParseFileRow("dir/a.bin:b")->destination, "b");
    // A colon inside the folder is part of the path.
    EXPECT_EQ(ParseFileRow("x:y/a.bin")->source, "x:y/a.bin");
    EXPECT_EQ(ParseFileRow("x:y/a.bin")->destination, "a.bin");
    EXPECT_FALSE(ParseFileRow("a.bin:"));
    EXPECT_FALSE(ParseFileRow(":b"));
}

}  // namespace
}  // namespace cli
