#include "framework/printable.h"

#include <gtest/gtest.h>

#include <random>

namespace fw {
namespace {

TEST(EscapeControls, EveryControlCharacterBecomesVisibleText) {
    EXPECT_EQ(EscapeControls(std::string("caf\xC3\xA9 a\nb\tc\r\x1b[2J\0\x7f", 18)),
              "caf\xC3\xA9 a\\nb\\tc\\r\\x1b[2J\\x00\\x7f");
}

TEST(EscapeControlsInLines, KeepsTheLayoutButNothingElse) {
    EXPECT_EQ(EscapeControlsInLines("a\tb\r\nc\n"), "a\tb\r\nc\n");
    EXPECT_EQ(EscapeControlsInLines("over\rwrite\x07\n"), "over\\rwrite\\x07\n");
    EXPECT_EQ(EscapeControlsInLines("ends in CR\r"), "ends in CR\\r");
}

// Whatever the input, the output of either holds no control character but the layout.
TEST(EscapeControls, NoRawControlCharacterSurvivesRandomBytes) {
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        std::string text(random() % 40, '\0');
        for (char& c : text) c = static_cast<char>(random() % 256);
        for (char c : EscapeControls(text)) EXPECT_FALSE(IsControlChar(c));
        std::string lines = EscapeControlsInLines(text);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            bool layout = lines[i] == '\n' || lines[i] == '\t' ||
                          (lines[i] == '\r' && i + 1 < lines.size() && lines[i + 1] == '\n');
            EXPECT_TRUE(layout || !IsControlChar(lines[i]));
        }
    }
}

}  // namespace
}  // namespace fw
