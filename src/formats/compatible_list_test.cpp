#include "formats/compatible_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "formats/test_files.h"
#include "framework/desktop.h"

namespace {

class CompatibleListTest : public ::testing::Test {
  protected:
    int Read(const std::string& path, std::size_t size = sizeof buffer) {
        return ReadCompatibleList(
            path, buffer, size, [this](const std::string& t) { log.push_back(t); },
            [this](const std::string& t, unsigned f) {
                boxes.push_back(t + (f == fw::MB_ICONSTOP ? "|stop" : ""));
            });
    }
    // Payload, then `list` and its 2-byte length.
    std::string FileWithList(std::string_view list, std::size_t payload = 64) {
        ByteVector file = Filled(payload, 0);
        file.insert(file.end(), list.begin(), list.end());
        file.push_back(std::uint8_t(list.size() >> 8));
        file.push_back(std::uint8_t(list.size()));
        return dir.Write("fw.bin", file);
    }
    ScratchDir dir;
    char buffer[512];
    std::vector<std::string> log, boxes;
};

TEST_F(CompatibleListTest, IdentifiersAreCopiedAndCountedWithTheLogLines) {
    EXPECT_EQ(Read(FileWithList(std::string("SIM-BOARD-1\0OTHER\0", 18))), 2);
    EXPECT_STREQ(buffer, "SIM-BOARD-1");
    EXPECT_STREQ(buffer + 12, "OTHER");
    EXPECT_EQ(log,
              (std::vector<std::string>{"Compabile list length: 18", "Get 2 compatible string"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CompatibleListTest, LengthOf500IsReadAnd501Refused) {
    EXPECT_EQ(Read(FileWithList(std::string(500, '\0'))), 500);
    EXPECT_EQ(Read(FileWithList(std::string(501, '\0'))), 0);  // last bytes 01 F5
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Compabile list length: 501\nLength too long!|stop"}));
}

TEST_F(CompatibleListTest, UnopenableFileIsNamedInAStopBox) {
    EXPECT_EQ(Read(dir.Path("missing")), 0);
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Error to open file " + dir.Path("missing") + ".|stop"}));
}

TEST_F(CompatibleListTest, LengthReachingBeforeTheFileOrTooSmallABufferMeansNoList) {
    EXPECT_EQ(Read(dir.Write("short.bin", {1, 2, 3, 0, 100})), 0);
    EXPECT_EQ(Read(dir.Write("tiny.bin", {7})), 0);
    EXPECT_EQ(Read(FileWithList("AB", 0)), 0);  // the whole file is the list, with no zero
    std::memset(buffer, 'Q', sizeof buffer);
    EXPECT_EQ(Read(FileWithList(std::string("ABCDEFGHIJ\0", 11)), 8), 0);
    EXPECT_EQ(buffer[0], 'Q');
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CompatibleListTest, UnendedLastIdentifierIsNotCountedAndIsEndedInTheBuffer) {
    std::memset(buffer, 'Q', sizeof buffer);
    EXPECT_EQ(Read(FileWithList(std::string("ONE\0TWO", 7))), 1);
    EXPECT_STREQ(buffer + 4, "TWO");
}

}  // namespace
