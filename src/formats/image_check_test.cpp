#include "formats/image_check.h"

#include <gtest/gtest.h>

#include "formats/formats.h"
#include "formats/pack_table.h"
#include "formats/test_files.h"

namespace {

class ImageCheckTest : public ::testing::Test {
  protected:
    std::string Check(const ByteVector& bytes, std::uintmax_t size = 0) {
        ImageCheck c = CheckImageFile(dir.Write("file", bytes, size));
        return c.ok ? "ok" : c.message;
    }
    ScratchDir dir;
};

TEST_F(ImageCheckTest, ImagesAndWellFormedPacksPass) {
    EXPECT_EQ(Check(BuildImage("", {})), "ok");
    EXPECT_EQ(Check(BuildPack(kMagicPack, "v", {{"image", Filled(600)}, {"hw.cond", {}}})), "ok");
    ByteVector with_trailer = BuildPack(kMagicPk11, "HW", {{"a", Filled(5)}});
    AppendCompatibleList(with_trailer, {"B1"});
    EXPECT_EQ(Check(with_trailer), "ok");
}

TEST_F(ImageCheckTest, EachBadFileIsRefusedWithItsText) {
    EXPECT_EQ(CheckImageFile(dir.Path("missing")).message, "Warning:\nCannot open file.");
    EXPECT_EQ(Check(ToBytes("LZ0")), "Warning:\nYour image is not correct.");
    EXPECT_EQ(Check(BuildPack(kMagicPk11, "v", {})), kPackEmptyText);
    EXPECT_EQ(Check(BuildPack(kMagicPack, "", std::vector<PackItem>(201, {"e", {}}))),
              kPackTooManyText);
    EXPECT_EQ(Check(BuildPack(kMagicPk11, "", {{std::string(50, 'n'), {}}})), kPackNameText);
    ByteVector stale = BuildPack(kMagicPk11, "", {{"a", Filled(10)}, {"b", Filled(10)}});
    stale.pop_back();  // the last entry lacks its final byte
    EXPECT_EQ(Check(stale), kPackTruncatedText);
}

TEST_F(ImageCheckTest, ImageOrEntryNeedingBlock65535IsRefused) {
    ASSERT_EQ(kSendSizeLimit, 33553408);
    ByteVector image = BuildImage("10400001", {});
    EXPECT_EQ(Check(image, kSendSizeLimit - 1), "ok");
    EXPECT_EQ(Check(image, kSendSizeLimit), kTooLargeText);
    for (long long length : {kSendSizeLimit - 1, kSendSizeLimit}) {
        ByteVector pack = BuildPack(kMagicPk11, "", {{"image", {}}});
        for (int i = 0; i < 4; ++i) pack[11 + i] = std::uint8_t(length >> (8 * i));
        EXPECT_EQ(Check(pack, pack.size() + length),
                  length < kSendSizeLimit ? "ok" : kTooLargeText);
    }
}

TEST_F(ImageCheckTest, CheckLeavesTheSendTableOfARunningSendAlone) {
    g_nPackEntries = 1;
    g_aPackEntries[0].name = "in-flight";
    EXPECT_EQ(Check(BuildPack(kMagicPack, "", {{"other", {}}})), "ok");
    EXPECT_EQ(g_nPackEntries, 1);
    EXPECT_EQ(g_aPackEntries[0].name, "in-flight");
}

}  // namespace
