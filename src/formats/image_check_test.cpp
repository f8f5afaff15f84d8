#include "formats/image_check.h"

#include <gtest/gtest.h>

#include "formats/formats.h"
#include "formats/pack_table.h"
#include "formats/test_support.h"

namespace {

// Each file with its verdict; the check leaves the send table of a running send alone.
TEST(ImageCheck, EachFileWithItsVerdict) {
    ScratchDir dir;
    ByteVector with_trailer = BuildPack(kMagicPk11, "HW", {{"a", Filled(5)}});
    AppendCompatibleList(with_trailer, {"B1"});
    ByteVector stale = BuildPack(kMagicPk11, "", {{"a", Filled(10)}, {"b", Filled(10)}});
    stale.pop_back();  // the last entry lacks its final byte
    const struct {
        ByteVector bytes;
        std::string verdict;
    } cases[] = {
        {BuildImage("", {}), "ok"},
        {BuildPack(kMagicPack, "v", {{"image", Filled(600)}, {"hw.cond", {}}}), "ok"},
        {with_trailer, "ok"},
        {ToBytes("LZ0"), "Warning:\nYour image is not correct."},
        {BuildPack(kMagicPk11, "v", {}), kPackEmptyText},
        {BuildPack(kMagicPack, "", std::vector<PackItem>(201, {"e", {}})), kPackTooManyText},
        {BuildPack(kMagicPk11, "", {{std::string(50, 'n'), {}}}), kPackNameText},
        {stale, kPackTruncatedText},
    };
    g_nPackEntries = 1;
    g_aPackEntries[0].name = "in-flight";
    for (const auto& c : cases) {
        ImageCheck check = CheckImageFile(dir.Write("file", c.bytes));
        EXPECT_EQ(check.ok ? "ok" : check.message, c.verdict);
    }
    EXPECT_EQ(CheckImageFile(dir.Path("missing")).message, "Warning:\nCannot open file.");
    EXPECT_EQ(g_nPackEntries, 1);
    EXPECT_EQ(g_aPackEntries[0].name, "in-flight");

    // Block 65535 is the modem's completion report: an image or entry needing it is refused.
    ASSERT_EQ(kSendSizeLimit, 33553408);
    for (long long length : {kSendSizeLimit - 1, kSendSizeLimit}) {
        const std::string verdict = length < kSendSizeLimit ? "ok" : kTooLargeText;
        ImageCheck image = CheckImageFile(dir.Write("image", BuildImage("10400001", {}), length));
        EXPECT_EQ(image.ok ? "ok" : image.message, verdict);
        ByteVector pack = BuildPack(kMagicPk11, "", {{"image", {}}});
        for (int i = 0; i < 4; ++i) pack[11 + i] = std::uint8_t(length >> (8 * i));
        ImageCheck packed = CheckImageFile(dir.Write("pack", pack, pack.size() + length));
        EXPECT_EQ(packed.ok ? "ok" : packed.message, verdict);
    }
}

}  // namespace
