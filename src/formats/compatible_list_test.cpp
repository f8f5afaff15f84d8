#include "formats/compatible_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "formats/test_support.h"
#include "framework/desktop.h"

namespace {

class CompatibleListTest : public ::testing::Test {
  protected:
    int Read(const std::string& path, std::size_t size = sizeof buffer) {
        std::memset(buffer, 'Q', sizeof buffer);
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
        return dir.Write("fw" + std::to_string(files++), file);
    }
    ScratchDir dir;
    int files = 0;
    char buffer[512];
    std::vector<std::string> log, boxes;
};

TEST_F(CompatibleListTest, IdentifiersAreCopiedAndCountedWithTheLogLines) {
    EXPECT_EQ(Read(FileWithList(std::string("SIM-BOARD-1\0OTHER\0", 18))), 2);
    EXPECT_STREQ(buffer, "SIM-BOARD-1");
    EXPECT_STREQ(buffer + 12, "OTHER");
    EXPECT_EQ(log, (std::vector<std::string>{"Compabile list length: 18", "Get 2 compatible string"}));
    EXPECT_EQ(Read(FileWithList(std::string("ONE\0TWO", 7))), 1) << "an unended last one is not counted";
    EXPECT_STREQ(buffer + 4, "TWO");
    EXPECT_EQ(Read(FileWithList(std::string(500, '\0'))), 500);
    EXPECT_TRUE(boxes.empty());
}

// No list: a length reaching before the file, the whole file being the list, too small a
// buffer (left untouched), too long a list or no file at all, the last two told in a box.
TEST_F(CompatibleListTest, WhatMeansNoList) {
    const struct {
        std::string path;
        std::size_t buffer;
        std::string box;
    } cases[] = {
        {dir.Write("short.bin", {1, 2, 3, 0, 100}), 512, ""},
        {dir.Write("tiny.bin", {7}), 512, ""},
        {FileWithList("AB", 0), 512, ""},
        {FileWithList(std::string("ABCDEFGHIJ\0", 11)), 8, ""},
        {FileWithList(std::string(501, '\0')), 512, "Compabile list length: 501\nLength too long!|stop"},
        {dir.Path("missing"), 512, "Error to open file " + dir.Path("missing") + ".|stop"},
    };
    for (const auto& c : cases) {
        boxes.clear();
        EXPECT_EQ(Read(c.path, c.buffer), 0) << c.path;
        EXPECT_TRUE(c.buffer == sizeof buffer || buffer[0] == 'Q');
        EXPECT_EQ(boxes, c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box});
    }
}

}  // namespace
