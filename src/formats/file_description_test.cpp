#include "formats/file_description.h"

#include <gtest/gtest.h>

#include "formats/formats.h"
#include "formats/test_support.h"
#include "framework/desktop.h"

namespace {

class DescriptionTest : public ::testing::Test {
  protected:
    std::string Describe(const ByteVector& bytes) {
        auto d = DescribeFile(dir.Write("file", bytes));
        if (!d) return "<nothing shown>";
        EXPECT_EQ(d->icon, unsigned{fw::MB_ICONINFORMATION});
        return d->text;
    }
    // A "PK11" pack's description, reduced to its two version lines.
    std::string Versions(std::string_view version, const std::vector<PackItem>& items = {}) {
        std::string text = Describe(BuildPack(kMagicPk11, version, items));
        std::size_t from = text.find("Hardware");
        return text.substr(from, text.find("Contain:") - from);
    }
    static std::string Lines(std::string_view hw, std::string_view fw) {
        return "Hardware version: " + std::string(hw) +
               "\t\t\nFirmware version: " + std::string(fw) + "\t\t\n";
    }
    ScratchDir dir;
};

TEST_F(DescriptionTest, ImagesUnknownFilesAndUnopenableFiles) {
    EXPECT_EQ(Describe(BuildImage("10412345", Filled(20))),
              "Compressed image: using lzssm v2.0\nVersion:10412345\n\n");
    const char* old_kind = "Compressed image: using lzssm v1.0 or vendor comp\nNo version info.\n";
    EXPECT_EQ(Describe(BuildImage("20112345", Filled(20))), old_kind);
    EXPECT_EQ(Describe(BuildImage("10", {})), old_kind);
    EXPECT_EQ(Describe(ToBytes("MZ\x90 other")), "Warning: unknown file format.\n");
    EXPECT_EQ(Describe(ToBytes("PK")), "Warning: unknown file format.\n");
    auto missing = DescribeFile(dir.Path("missing"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->text, "Warning:\nCannot open file.");
    EXPECT_EQ(missing->icon, unsigned{fw::MB_ICONSTOP});
}

TEST_F(DescriptionTest, VersionOnePackWithImageAndCriteriaIsDescribedByteForByte) {
    EXPECT_EQ(
        Describe(BuildPack(kMagicPack, "VER12345",
                           {{"image", Filled(1000)}, {"hw.cond", ToBytes("board=B1.0\r\n")}})),
        "Pack file: using pack v1.0\t\nHardware version: VER12345\t\t\nFirmware version: \t\t\n"
        "Contain:\n"
        "    image                         \t    1000\tbytes\n"
        "    hw.cond                       \t      12\tbytes\n"
        "    \nTotal: 2 file(s), 1012 bytes\nCriteria:\n  board=B1.0\r\n\n");
}

TEST_F(DescriptionTest, Pk11VersionIsSplitAtTheSlashFromTwentyCharactersAndCutAt51) {
    EXPECT_EQ(Versions("HW-1.0.0.0/FW-2.3.45"), Lines("HW-1.0.0.0", "FW-2.3.45"));
    EXPECT_EQ(Versions("HW-1.0.0.0/FW-2.3.4"), Lines("HW-1.0.0.0/FW-2.3.4", ""));
    std::string hw(60, 'h'), fw(70, 'f');
    EXPECT_EQ(Versions(hw + "/" + fw), Lines(hw.substr(0, 51), fw.substr(0, 51)));
}

TEST_F(DescriptionTest, InfoEntryFillsEmptyFirmwareVersionAndStopsAtItsEnd) {
    std::vector<PackItem> info = {{"info", ToBytes("Co;2026-12-01;  HW1.0; FW2.3 ;rest")}};
    EXPECT_EQ(Versions("short", info), Lines("HW1.0", "FW2.3 "));
    EXPECT_EQ(Versions("HW-1.0.0.0/FW-2.3.45", info), Lines("HW-1.0.0.0", "FW-2.3.45"));
    EXPECT_EQ(Versions("short", {{"info", ToBytes("Co;date;;")}}), Lines("short", ""));
    // "Co;D" must not run on into the next entry's "ATA;HW;FW;".
    EXPECT_EQ(Versions("", {{"info", ToBytes("Co;D")}, {"next", ToBytes("ATA;HW;FW;")}}),
              Lines("", ""));
}

TEST_F(DescriptionTest, LastCriteriaEntryCountsCutAt299AndEmptyOneIsNone) {
    std::string criteria(400, 'c');
    std::string text = Describe(
        BuildPack(kMagicPk11, "", {{"hw.cond", ToBytes("first")}, {"hw.cond", ToBytes(criteria)}}));
    EXPECT_TRUE(text.ends_with("\nCriteria:\n  " + criteria.substr(0, 299) + "\n"));
    text = Describe(BuildPack(kMagicPk11, "", {{"hw.cond", {}}, {"x", ToBytes("data")}}));
    EXPECT_TRUE(text.ends_with("\nCriteria:\n  <None>\n"));
}

TEST_F(DescriptionTest, OverlongNameShowsNothingAndLongTableKeepsItsTotal) {
    EXPECT_EQ(Describe(BuildPack(kMagicPack, "v", {{"ok", {}}, {std::string(50, 'x'), {}}})),
              "<nothing shown>");
    std::vector<PackItem> items(300, PackItem{"file", Filled(2)});
    std::string text = Describe(BuildPack(kMagicPk11, "", items));
    std::size_t contain = text.find("Contain:\n") + 9;
    EXPECT_EQ(text.find("\nCriteria:\n") - contain, kMaxContentsText);
    EXPECT_NE(text.find("\nTotal: 300 file(s), 600 bytes\nCriteria:"), std::string::npos);
}

// Names, versions and criteria come from the file: none of them may forge a line of the
// description or reach a terminal as a command.
TEST_F(DescriptionTest, HostileFilesShowControlCharactersEscapedAndCriteriaLinesIndented) {
    ByteVector pack = BuildPack(
        kMagicPk11, "HW\x1b[1m",
        {{"a\nTotal: 9 file(s)", ToBytes("x")}, {"hw.cond", ToBytes("one\r\nSHA-256: forged\n")}});
    auto d = DescribeFile(dir.Write("hostile.pack", pack));
    ASSERT_TRUE(d);
    EXPECT_NE(d->text.find("Hardware version: HW\\x1b[1m\t"), std::string::npos) << d->text;
    EXPECT_NE(d->text.find("    a\\nTotal: 9 file(s)"), std::string::npos) << d->text;
    EXPECT_NE(d->text.find("Criteria:\n  one\r\n  SHA-256: forged\n"), std::string::npos)
        << d->text;
    auto image = DescribeFile(dir.Write("hostile.comp", BuildImage("104\x07\x08xyz", {})));
    ASSERT_TRUE(image);
    EXPECT_NE(image->text.find("Version:104\\x07\\x08xyz\n"), std::string::npos) << image->text;
}

TEST_F(DescriptionTest, FirmwareVersionOfIsTheVersionAFileCarriesOrNone) {
    ByteVector info = ToBytes("Acme;2026;HW1; FW2.3 ;");
    struct Case {
        ByteVector file;
        std::string version;
    } cases[] = {
        {BuildImage("10402300", Filled(4)), "10402300"},
        {BuildImage("104 2.1 ", Filled(4)), "104 2.1"},
        {BuildPack(kMagicPk11, "HW1.0", {{"image", Filled(3)}, {"info", info}}), "FW2.3"},
        {BuildPack(kMagicPk11, "HW-REVISION-1.00/FW9.9", {{"info", info}}), "FW9.9"},
        {ToBytes("MZ not firmware"), ""},
    };
    int i = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(FirmwareVersionOf(dir.Write("f" + std::to_string(i++), c.file)), c.version);
    }
    EXPECT_EQ(FirmwareVersionOf(dir.Path("missing")), "");
}

}  // namespace
