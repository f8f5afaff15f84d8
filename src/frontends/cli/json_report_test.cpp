// The command line's JSON parses whatever bytes the modem or a file name brought, keeps
// info's keys, and reads back what the fleet run takes from its children. (A child's whole
// object read back into the fleet's array and status, and the keys that are null without a
// modem or a failure, as the schemas demand: tests/cli's json and fleet tests.)
#include "frontends/cli/json_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace cli {
namespace {

using nlohmann::json;

TEST(CommandReportJson, AnyBytesParseAndInfoKeepsItsKeys) {
    CommandReport report;
    report.command = "info";
    report.modem = "10.0.0.2";
    report.status = 1;
    report.messages = {"Say \"hi\"\\", std::string("tab\there\x01\0", 10), "bad\xFF\xC3"};
    report.error = "Error:\nstop";
    report.files = {{"tftplock.key", "write", 8, 0.25}};
    ModemInfoView info;
    info.company = "caf\xC3\xA9";  // valid UTF-8 stays as it is
    info.firmwareVersion = "bad\xFF";
    info.tftpVersion = "TFTP 2.4\r\n";  // the dialog's trailing line end goes
    info.hardwareProfile = {"Board: X\r"};
    report.info = info;
    json parsed = json::parse(CommandReportJson(report));
    EXPECT_EQ(parsed["messages"][0], "Say \"hi\"\\");
    EXPECT_EQ(parsed["messages"][1], std::string("tab\there\x01\0", 10));
    EXPECT_EQ(parsed["messages"][2], "bad\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(
        parsed["files"][0],
        json({{"name", "tftplock.key"}, {"direction", "write"}, {"bytes", 8}, {"seconds", 0.25}}));
    EXPECT_EQ(parsed["company"], "caf\xC3\xA9");
    EXPECT_EQ(parsed["firmwareVersion"], "bad\xEF\xBF\xBD");
    EXPECT_EQ(parsed["tftpVersion"], "TFTP 2.4");
    EXPECT_EQ(parsed["hardwareProfile"], json::array({"Board: X"}));
    EXPECT_FALSE(parsed.contains("firmware"));
}

TEST(ParseCommandReport, TakesOnlyAnObjectWithAStatus) {
    for (const char* text : {"", "[]", "{", "{\"command\":\"info\"}", "Error:\nWrong password"})
        EXPECT_FALSE(ParseCommandReport(text)) << text;
    EXPECT_EQ(ParseCommandReport("{\"status\":3}")->status, 3);
}

TEST(RunEvents, ReadBackAsWrittenAndNothingElseIsOne) {
    auto step = ParseRunEvent(StepEventJson("10.0.0.2", "sending the image"));
    ASSERT_TRUE(step);
    EXPECT_EQ(step->kind, "step");
    EXPECT_EQ(step->step, "sending the image");
    auto progress = ParseRunEvent(ProgressEventJson("10.0.0.2", "image", 512, 1024, 50));
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->kind, "progress");
    EXPECT_EQ(progress->file, "image");
    EXPECT_EQ(progress->percent, 50);
    EXPECT_EQ(json::parse(ProgressEventJson("m", "f", 512, 1024, 50))["done"], 512);
    for (const char* line : {"Error:", "{not json", "{\"event\":\"other\"}", "{\"step\":\"x\"}",
                             "[\"event\"]", "{\"event\":5}"}) {
        EXPECT_FALSE(ParseRunEvent(line)) << line;
    }
}

}  // namespace
}  // namespace cli
