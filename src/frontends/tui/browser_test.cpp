// The open-file dialog's knowledge of folders, filters and typed names, on a scratch folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/test_support.h"
#include "frontends/tui/file_browser.h"

namespace tui {
namespace {

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* d : {"", "/sub", "/sub.pack"}) mkdir((root_ + d).c_str(), 0755);
        for (const char* f : {"b.pack", "A.PACK", "image.comp", "notes", ".hidden.pack"})
            scratch_.Write(std::string("tree/") + f, {'x'});
    }
    ScratchDir scratch_;
    const std::string root_ = scratch_.Path("tree");
};

TEST(FilterList, LabelsAndPatternsInOrderAndAnEmptyFilterOffersAllFiles) {
    auto f = ParseFilterList("Pack(*.pack)|*.pack|VxWorks(*.st_compr)|*.st_compr|All (*.*)|*.*");
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[1].label, "VxWorks(*.st_compr)");
    EXPECT_EQ(f[1].patterns, std::vector<std::string>{"*.st_compr"});
    for (const char* text : {"", "Pack(*.pack)", "||"}) {
        auto f = ParseFilterList(text);
        ASSERT_EQ(f.size(), 1u) << text;
        EXPECT_TRUE(MatchesFilter(f[0], "anything"));
    }
    auto several = ParseFilterList("Both|*.pack; *.comp||");
    ASSERT_EQ(several.size(), 1u);
    EXPECT_TRUE(MatchesFilter(several[0], "x.COMP"));
    EXPECT_FALSE(MatchesFilter(several[0], "x.bin"));
}

TEST_F(ScratchFolder, ListingPutsParentAndFoldersFirstAndFiltersOnlyFiles) {
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(ListFolder(root_, ParseFilterList("Pack|*.pack")[0], &entries, nullptr));
    std::vector<FolderEntry> want{
        {"..", true}, {"sub", true}, {"sub.pack", true}, {"A.PACK", false}, {"b.pack", false}};
    EXPECT_EQ(entries, want);
    ASSERT_TRUE(ListFolder(root_, ParseFilterList("")[0], &entries, nullptr));
    EXPECT_EQ(entries.size(), 7u);  // "*.*" takes "notes" too, never the hidden file
}

TEST_F(ScratchFolder, UnreadableFolderIsReportedNotListed) {
    std::vector<FolderEntry> entries{{"stale", false}};
    std::string error;
    EXPECT_FALSE(ListFolder(root_ + "/missing", ParseFilterList("")[0], &entries, &error));
    EXPECT_TRUE(entries.empty() && !error.empty());
}

TEST_F(ScratchFolder, TypedNamesChooseEnterOrFilter) {
    TypedName t = InterpretTypedName(root_, "sub");
    EXPECT_EQ(t.kind, TypedName::EnterFolder);
    EXPECT_EQ(t.path, root_ + "/sub");
    t = InterpretTypedName(root_, "sub/../b.pack");
    EXPECT_EQ(t.kind, TypedName::ChooseFile);
    EXPECT_EQ(t.path, root_ + "/b.pack");
    t = InterpretTypedName(root_, "sub/*.bin");
    EXPECT_EQ(t.kind, TypedName::UsePattern);
    EXPECT_EQ(t.path, root_ + "/sub");
    EXPECT_EQ(t.pattern, "*.bin");
    EXPECT_EQ(InterpretTypedName(root_, "   ").kind, TypedName::Nothing);
}

TEST(Paths, ResolveNeverClimbsAboveTheRoot) {
    EXPECT_EQ(ResolvePath("/a/b", "../../../x"), "/x");
    EXPECT_EQ(ResolvePath("/a", "/abs//./y/"), "/abs/y");
    EXPECT_EQ(ParentFolder("/x"), "/");
    EXPECT_EQ(ParentFolder("/a/b.pack"), "/a");
    EXPECT_EQ(BaseName("/a/b.pack"), "b.pack");
}

}  // namespace
}  // namespace tui
