#include "formats/file_checksum.h"

#include <gtest/gtest.h>

#include "formats/file_digest.h"
#include "formats/file_facts.h"
#include "formats/test_support.h"

namespace {

const std::string kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(Sha256, KnownVectorAndAFileAgreeWithTheBytes) {
    EXPECT_EQ(Sha256OfBytes("abc", 3), kAbc);
    ScratchDir dir;
    ByteVector big(200000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 31);
    EXPECT_EQ(Sha256OfFile(dir.Write("big", big)), Sha256OfBytes(big.data(), big.size()));
    EXPECT_FALSE(Sha256OfFile(dir.Path("missing")));
    EXPECT_FALSE(Sha256OfFile("/dev/zero")) << "a device would be read for ever";
}

TEST(ChecksumLine, ReadsWhatSha256sumWrites) {
    const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    struct Case {
        std::string line;
        bool parses;
        std::string name;
    } cases[] = {
        {kAbc + "  fw.comp", true, "fw.comp"},
        {kAbc + " *fw.comp\r", true, "fw.comp"},            // binary mode, a CR LF file
        {upper + "  a b", true, "a b"},                     // upper case hex, a blank in the name
        {"\\" + kAbc + "  new\\nline", true, "new\nline"},  // sha256sum's escaping
        {kAbc, true, ""},                                   // the checksum alone
        {kAbc + "fw.comp", false, ""},
        {kAbc.substr(1) + "  fw.comp", false, ""},
        {"# " + kAbc, false, ""},
    };
    for (const Case& c : cases) {
        auto parsed = ParseChecksumLine(c.line);
        ASSERT_EQ(parsed.has_value(), c.parses) << c.line;
        if (!parsed) continue;
        EXPECT_EQ(parsed->hex, kAbc);
        EXPECT_EQ(parsed->name, c.name);
    }
}

// Each place a checksum may come from, the order they are tried in, and the verdicts.
TEST(FileChecksum, GivenBeatsBesideBeatsTheFolderList) {
    using Verdict = ChecksumCheck::Verdict;
    ScratchDir dir;
    std::string file = dir.Write("fw.comp", ToBytes("abc"));
    std::string other = std::string(64, '0');
    EXPECT_EQ(CheckFileChecksum(file, "").verdict, Verdict::kNoneAtHand);

    dir.Write("SHA256SUMS", ToBytes(other + "  fw.comp.old\n" + kAbc + " *./fw.comp\n"));
    ChecksumCheck listed = CheckFileChecksum(file, "");
    EXPECT_EQ(listed.verdict, Verdict::kMatches);
    EXPECT_EQ(listed.where, dir.Path("SHA256SUMS"));

    dir.Write("fw.comp.sha256", ToBytes(other + "  fw.comp\n"));
    EXPECT_EQ(CheckFileChecksum(file, "").verdict, Verdict::kDiffers) << "beside wins";
    EXPECT_EQ(CheckFileChecksum(file, kAbc).verdict, Verdict::kMatches) << "given wins";
    EXPECT_EQ(CheckFileChecksum(file, "xyz").verdict, Verdict::kDiffers);

    dir.Write("fw.comp.sha256", ToBytes("not a checksum\n"));
    EXPECT_EQ(CheckFileChecksum(file, "").verdict, Verdict::kDiffers) << "present but unusable";
    dir.Write("fw.comp.sha256", ToBytes(kAbc + "\n"));
    EXPECT_EQ(CheckFileChecksum(file, "").verdict, Verdict::kMatches);
    EXPECT_EQ(CheckFileChecksum(dir.Path("gone.comp"), kAbc).verdict, Verdict::kDiffers);
}

TEST(FileFacts, SizeChecksumAndBoardsWithNamesEscaped) {
    ScratchDir dir;
    ByteVector image = BuildImage("10400000", Filled(10));
    ByteVector listed = image;
    AppendCompatibleList(listed, {"SIM-1", "EVIL\n\x1b[2J"});
    auto facts = ReadFileFacts(dir.Write("listed", listed));
    ASSERT_TRUE(facts);
    EXPECT_EQ(FileFactsText(*facts),
              "Size: " + std::to_string(listed.size()) +
                  " bytes\nSHA-256: " + Sha256OfBytes(listed.data(), listed.size()) +
                  "\nCompatible boards: SIM-1, EVIL\\n\\x1b[2J\n");
    auto bare = ReadFileFacts(dir.Write("bare", image));
    ASSERT_TRUE(bare);
    EXPECT_NE(FileFactsText(*bare).find("Compatible boards: none\n"), std::string::npos);
    EXPECT_FALSE(ReadFileFacts(dir.Path("missing")));
}

}  // namespace
