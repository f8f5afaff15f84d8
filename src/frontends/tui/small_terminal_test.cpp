// A terminal smaller than the window: the view follows the focus and keeps the top window in
// sight, and every control can be reached. (The view drawn, and upgrades, at 80 x 24:
// tests/tui/tmux_upgrade.sh.)
#include <random>
#include <set>

#include "framework/ui/tab_ctrl.h"
#include "frontends/tui/layout.h"
#include "frontends/tui/window_fixture.h"
#include "resources/resource.h"

namespace tui {
namespace {

// The view's offset along one axis, against what it promises, over seeded random pictures.
TEST(ViewOffset, KeepsTheFocusAndAsMuchOfItsWindowAsFitsInsideThePicture) {
    std::mt19937 random(19);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int n = 0; n < 5000; ++n) {
        int total = pick(1, 120), view = pick(1, 100);
        Span area{pick(0, total - 1), 0};
        area.length = pick(1, total - area.start);
        Span focus{pick(area.start, area.end() - 1), 0};
        focus.length = pick(0, area.end() - focus.start);
        bool centre = pick(0, 1) == 1;
        int at = ViewOffset(view, total, area, focus, centre);
        SCOPED_TRACE(testing::Message()
                     << "view " << view << " total " << total << " area " << area.start << "+"
                     << area.length << " focus " << focus.start << "+" << focus.length);
        ASSERT_TRUE(at >= 0 && at <= std::max(0, total - view)) << "inside the picture";
        Span wanted = focus.length > 0 ? focus : area;  // one longer than the view: its start
        ASSERT_TRUE(wanted.length <= view ? at <= wanted.start && at + view >= wanted.end()
                                          : at == wanted.start)
            << "the focus in view";
        ASSERT_TRUE(area.length <= view ? at <= area.start && at + view >= area.end()
                                        : at >= area.start && at + view <= area.end())
            << "the window whole, or filling the view";
    }
    // Rows centre the focus, columns stay at the start.
    EXPECT_EQ(ViewOffset(23, 32, {}, {21, 1}, true), 9);
    EXPECT_EQ(ViewOffset(80, 93, {}, {71, 13}, false), 4);
}

class SmallTerminal : public WindowFixture {
protected:
    // The focused part of the top window lies inside what the terminal shows (its start,
    // for one wider than the terminal, like the tab control), and the last row says why.
    Step ExpectFocusInView(std::set<int>* seen = nullptr) {
        return [this, seen] {
            screen.Redraw();
            CellRect focus = screen.Top()->FocusArea();
            int rows = screen.grid().height() - 1, cols = screen.grid().width();
            EXPECT_GE(focus.top, screen.view_top());
            EXPECT_LE(focus.bottom(), screen.view_top() + rows);
            EXPECT_GE(focus.left, screen.view_left());
            EXPECT_LE(std::min(focus.right(), focus.left + cols), screen.view_left() + cols);
            std::string last =
                screen.partial() ? Screen::PartialViewHint() : Screen::DefaultHelpLine();
            EXPECT_EQ(screen.grid().RowText(rows), last.substr(0, static_cast<std::size_t>(cols)));
            if (seen && Focused()) seen->insert(Focused()->GetDlgCtrlID());
            return true;
        };
    }
};

TEST_F(SmallTerminal, AtAndBelow80x24EveryControlOfEveryPageComesIntoView) {
    for (auto [width, height] : {std::pair{80, 24}, std::pair{52, 15}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        screen.SetSize(width, height);
        std::set<int> seen, stops;
        std::vector<Step> steps;
        for (int page = 0; page < 4; ++page) {
            steps.push_back(Do([page] { g_pMainDlg->TabControl()->ClickItem(page); }));
            for (int i = 0; i < 30; ++i) {
                steps.push_back(Press(Key::Tab));
                steps.push_back(ExpectFocusInView(&seen));
            }
            steps.push_back(Do([&stops] {
                for (fw::CControl* c : g_pMainDlg->FocusOrder()) stops.insert(c->GetDlgCtrlID());
            }));
        }
        steps.push_back(Press(Key::Escape));
        RunWindow(steps, {.expertMode = true});
        EXPECT_EQ(seen, stops) << "every focus stop was reached";
        EXPECT_GT(stops.size(), 20u);
    }
}

}  // namespace
}  // namespace tui
