// Captions and texts fitted to the cells a rectangle gives them.
#include "frontends/tui/widgets.h"

#include <gtest/gtest.h>

namespace tui {
namespace {

TEST(FitLabel, CutsAtABlankOrTheColonBeforeCuttingAWord) {
    EXPECT_EQ(FitLabel("Image/Pack File:", 12), "Image/Pack");
    EXPECT_EQ(FitLabel("IP Address:", 10), "IP Address");
    EXPECT_EQ(FitLabel("seconds", 6), "second");  // no blank: cut where the room ends
    EXPECT_EQ(FitLabel("E&xit", 4), "E&xit") << "the marker takes no cell";
    EXPECT_EQ(FitLabel("File &name:", 9), "File &name") << "the marker survives the cut";
    EXPECT_EQ(FitLabel("anything", 0), "");
}

TEST(WrapText, BreaksAtLineFeedsThenBlanksAndSplitsLongWords) {
    EXPECT_EQ(WrapText("Server\nActivity", 20), (std::vector<std::string>{"Server", "Activity"}));
    EXPECT_EQ(WrapText("In this mode, file size", 10),
              (std::vector<std::string>{"In this", "mode, file", "size"}));
    EXPECT_EQ(WrapText("abcdefgh", 3), (std::vector<std::string>{"abc", "def", "gh"}));
    EXPECT_EQ(WrapText("a\r\n\r\nb", 5), (std::vector<std::string>{"a", "", "b"}));
}

TEST(Progress, FillsInProportionAndNeverPastItsBounds) {
    Grid g(10, 1);
    DrawProgress(g, {0, 0, 10, 1}, 0, 4, 1);
    EXPECT_EQ(g.RowText(0), "\u2588\u2588\u2592\u2592\u2592\u2592\u2592\u2592\u2592\u2592");
    DrawProgress(g, {0, 0, 10, 1}, 0, 4, 9);  // beyond the range: full, not more
    EXPECT_EQ(g.At(0, 9).role, Role::ProgressDone);
    DrawProgress(g, {0, 0, 10, 1}, 0, 0, 0);  // an empty range draws an empty bar
    EXPECT_EQ(g.At(0, 0).role, Role::ProgressLeft);
}

TEST(Grid, WritesOutsideTheClipOrTheGridAreDropped) {
    Grid g(4, 2);
    g.SetClip({1, 0, 2, 2});
    g.Text(0, -2, "abcdefg", Role::Text);
    EXPECT_EQ(g.RowText(0), " de");
    g.ResetClip();
    g.Put(5, 5, U'x', Role::Text);
    g.Put(1, 0, U'\n', Role::Text);  // control characters never reach the terminal
    EXPECT_EQ(g.At(1, 0).ch, U' ');
}

}  // namespace
}  // namespace tui
