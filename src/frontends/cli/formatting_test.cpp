#include "frontends/cli/formatting.h"

#include <gtest/gtest.h>

#include "frontends/cli/cli_options.h"

namespace cli {
namespace {

TEST(ModemInfoJson, EscapesWhatWouldBreakTheObjectAndKeepsValidText) {
    ModemInfoView info;
    info.company = "Say \"hi\"\\";
    info.date = std::string("tab\there\x01", 10);  // with the zero byte at its end
    info.hardwareVersion = "caf\xC3\xA9";          // valid UTF-8 stays as it is
    info.firmwareVersion = "bad\xFF\xC3";          // invalid bytes cannot reach the output
    info.tftpVersion = "TFTP 2.4\r\n";             // the dialog's trailing line end goes
    std::string json = ModemInfoJson(info);
    EXPECT_NE(json.find(R"("company": "Say \"hi\"\\",)"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("date": "tab\there\u0001\u0000",)"), std::string::npos) << json;
    EXPECT_NE(json.find("\"hardwareVersion\": \"caf\xC3\xA9\","), std::string::npos) << json;
    EXPECT_NE(json.find(R"("firmwareVersion": "bad\ufffd\ufffd",)"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("tftpVersion": "TFTP 2.4",)"), std::string::npos) << json;
    EXPECT_NE(json.find("\"hardwareProfile\": []\n}\n"), std::string::npos) << json;
}

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
              "image  [#####.....]  40/80 blocks  2.0 KiB/s");
    EXPECT_EQ(ProgressLine("", 99, 3, 0, 4), "[####]  3/3 blocks  0 B/s");
    EXPECT_EQ(ProgressLine("x", -5, 0, 3.5 * 1024 * 1024, 2), "x  [##]  0/0 blocks  3.5 MiB/s");
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
