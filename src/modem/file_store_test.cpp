#include "modem/file_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace modem {
namespace {

TEST(FileStoreTest, OnlyNamesInsideTheDirectoryAreServable) {
    for (const char* ok : {"info", "hw.prof", "sub/file", "..x"})
        EXPECT_TRUE(IsServableName(ok)) << ok;
    for (const char* bad : {"", "/etc/passwd", "../x", "a/../../x", "a/..", ".", "a//b", "a/"}) {
        EXPECT_FALSE(IsServableName(bad)) << bad;
    }
}

TEST(FileStoreTest, StoredNamesAreOnePlainFileName) {
    EXPECT_EQ(StoredFileName("tftplock.key"), "tftplock.key");
    EXPECT_EQ(StoredFileName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(StoredFileName(".."), "_");
    EXPECT_EQ(StoredFileName(""), "_");
    EXPECT_EQ(StoredFileName("a b\\c"), "a_b_c");
}

TEST(FileStoreTest, SavedFileReadsBackWholeAndReplacesAnOlderOne) {
    char tmpl[] = "/tmp/sperrow-store-test-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    std::string store = dir + "/store/deeper";
    std::vector<std::uint8_t> bytes(3000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    std::string error;
    ASSERT_TRUE(SaveStoredFile(store, "image", {1, 2, 3}, &error)) << error;
    ASSERT_TRUE(SaveStoredFile(store, "image", bytes, &error)) << error;
    EXPECT_EQ(ReadServedFile(store, "image"), bytes);
    EXPECT_FALSE(std::filesystem::exists(store + "/image.part"));
    EXPECT_FALSE(ReadServedFile(dir, "store"));  // a directory is no file
    EXPECT_FALSE(ReadServedFile("", "image"));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace modem
