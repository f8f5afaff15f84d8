#include "framework/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fw {
namespace {

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/sperrow-file-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/f.bin";
    }
    void TearDown() override {
        std::remove(path.c_str());
        ::rmdir(dir.c_str());
    }
    void Put(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
    std::string Get() {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string dir;
    std::string path;
};

TEST_F(FileTest, ReadingAMissingFileOrAFolderFailsWithItsError) {
    CFile f;
    EXPECT_FALSE(f.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(f.LastError(), ENOENT);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.Open(path, CFile::modeWrite));  // writing without create needs the file
    EXPECT_FALSE(f.Open(dir, CFile::modeRead));
    EXPECT_EQ(f.LastError(), EISDIR);
    // A pipe without a writer would block the open for ever; a device never ends.
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(f.Open(path, CFile::modeRead));
    EXPECT_EQ(f.LastError(), EINVAL);
    EXPECT_FALSE(f.Open("/dev/zero", CFile::modeRead));
    ::unlink(path.c_str());
    char buf[4];
    EXPECT_EQ(f.Read(buf, sizeof buf), -1);
    EXPECT_FALSE(f.Write("x", 1));
}

TEST_F(FileTest, CreateTruncates) {
    Put("old contents");
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeWrite));
    EXPECT_EQ(f.GetLength(), 0);
    ASSERT_TRUE(f.Write("new", 3));
    f.Close();
    EXPECT_EQ(Get(), "new");
}

// (Lines read in pieces, with their ends: the settings file's tests.)

// A file only read has a buffer of its own, larger than a block: reads in blocks and seeks
// anywhere (back, ahead, past the buffer's end) always give the file's bytes.
TEST_F(FileTest, ReadsAndSeeksAcrossTheReadBufferGiveTheFilesBytes) {
    std::string content(200000, '\0');
    std::mt19937 rng(7);
    for (char& c : content) c = static_cast<char>(rng());
    Put(content);
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(f.GetLength(), 200000);
    long long at = 0;
    for (int i = 0; i < 2000; ++i) {
        if (rng() % 4 == 0) {
            at = static_cast<long long>(rng() % (content.size() + 1));
            ASSERT_EQ(f.Seek(at, CFile::begin), at);
        }
        char buf[700];
        std::size_t want = rng() % sizeof buf;
        long long got = f.Read(buf, want);
        std::size_t left = content.size() - static_cast<std::size_t>(at);
        ASSERT_EQ(got, static_cast<long long>(std::min(want, left)));
        ASSERT_EQ(std::string(buf, static_cast<std::size_t>(got)),
                  content.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(got)));
        at += got;
        ASSERT_EQ(f.GetPosition(), at);
    }
}

}  // namespace
}  // namespace fw
