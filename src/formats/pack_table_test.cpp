#include "formats/pack_table.h"

#include <gtest/gtest.h>

#include "formats/formats.h"
#include "formats/test_support.h"
#include "framework/file.h"

namespace {

class PackTableTest : public ::testing::Test {
  protected:
    // Writes the file, reads its magic and its table into the send-side globals.
    bool ReadTable(const ByteVector& bytes) {
        fw::CFile file;
        if (!file.Open(dir.Write("t.pack", bytes), fw::CFile::modeRead)) return false;
        return ReadPackTable(file, ReadMagic(file));
    }
    ScratchDir dir;
};

std::vector<PackItem> Items(int count, std::size_t name_length = 1) {
    std::vector<PackItem> items(count);
    for (int i = 0; i < count; ++i) {
        items[i].name = std::to_string(i);
        items[i].name.resize(std::max(items[i].name.size(), name_length), 'n');
    }
    return items;
}

// Offsets follow the table (a "PK11" version skipped through its zero), lengths read least
// significant byte first.
TEST_F(PackTableTest, EntriesLieWhereTheTableSays) {
    for (std::size_t v : {0, 8, 300}) {
        ASSERT_TRUE(ReadTable(BuildPack(v == 8 ? kMagicPack : kMagicPk11, std::string(v, 'v'),
                                        {{"image", Filled(1000)}, {"b", {}}})));
        const std::size_t table = 4 + (v == 8 ? 8 : v + 1) + 10 + 6 + 1;
        ASSERT_EQ(g_nPackEntries, 2);
        EXPECT_EQ(g_aPackEntries[0].name, "image");
        EXPECT_EQ(g_aPackEntries[0].offset, table);
        EXPECT_EQ(g_aPackEntries[0].length, 1000u);
        EXPECT_EQ(g_aPackEntries[1].offset, table + 1000);
    }
}

TEST_F(PackTableTest, BoundsOfNamesAndEntryCountAreKeptWithoutOverrun) {
    EXPECT_TRUE(ReadTable(BuildPack(kMagicPk11, "", Items(1, 49))));
    EXPECT_FALSE(ReadTable(BuildPack(kMagicPk11, "", Items(1, 50))));
    EXPECT_TRUE(ReadTable(BuildPack(kMagicPack, "", Items(200))));
    EXPECT_EQ(g_aPackEntries[199].name, "199");
    EXPECT_FALSE(ReadTable(BuildPack(kMagicPack, "", Items(201))));
    EXPECT_EQ(g_nPackEntries, 0);
}

TEST_F(PackTableTest, CutOrOverlongTableFailsAndLeavesNoStaleRecord) {
    ByteVector full = BuildPack(kMagicPk11, "ver", {{"entry", Filled(4)}});
    const std::size_t table_end = 4 + 4 + 6 + 4 + 1;
    for (std::size_t size = 4; size < table_end; ++size) {  // inside version, name, length
        ASSERT_TRUE(ReadTable(BuildPack(kMagicPack, "", Items(3))));
        EXPECT_FALSE(ReadTable(ByteVector(full.begin(), full.begin() + long(size)))) << size;
        EXPECT_EQ(g_nPackEntries, 0);
    }
    EXPECT_TRUE(ReadTable(ByteVector(full.begin(), full.begin() + long(table_end))));
    // Lengths that would carry an offset past 4 GiB.
    ByteVector huge = BuildPack(kMagicPack, "", {{"a", {}}, {"b", {}}});
    std::fill(huge.begin() + 14, huge.begin() + 18, 0xFF);
    EXPECT_FALSE(ReadTable(huge));
}

}  // namespace
