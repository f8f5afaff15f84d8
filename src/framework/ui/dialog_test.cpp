#include "framework/ui/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ui/button.h"
#include "framework/ui/ui_test_support.h"

namespace fw::testing {
namespace {

// Records the command handler calls by id. (Clicks on hidden, disabled or unshown controls,
// radio groups, tab changes and the focus order are the main window's tests' business.)
class SampleDialog : public CDialog {
public:
    explicit SampleDialog(CWnd* parent = nullptr) : CDialog(SampleTemplate(), parent) {
        BindCommand(kApply, [this] { clicks.push_back(kApply); });
    }
    std::vector<int> clicks;
};

class Page : public CDialog {
public:
    explicit Page(CWnd* parent) : CDialog(PageTemplate(), parent) {
        BindCommand(kPageButton, [this] { ++presses; });
    }
    int presses = 0;
};

// A sample dialog, created and shown.
class DialogTest : public UiTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        dlg.ShowWindow(SW_SHOW);
    }
    SampleDialog dlg;
};

TEST_F(DialogTest, EnterPressesTheDefaultButtonOrTheFocusedOne) {
    desktop.OnModal(900, [](CDialog& d) {
        d.GetDlgItem(kName)->SetFocus();
        EXPECT_TRUE(d.PressEnter());  // OK is the default button: the dialog ends
    });
    EXPECT_EQ(SampleDialog().DoModal(), IDOK);

    ASSERT_TRUE(dlg.GetDlgItem(kApply)->SetFocus());
    EXPECT_TRUE(dlg.PressEnter());
    EXPECT_EQ(dlg.clicks, (std::vector<int>{kApply})) << "a focused push button wins";
    EXPECT_FALSE(dlg.IsEnded());

    // A default button that cannot be pressed makes Enter do nothing.
    dlg.GetDlgItem(kName)->SetFocus();
    dlg.GetDlgItem(IDOK)->EnableWindow(false);
    EXPECT_FALSE(dlg.PressEnter());
    EXPECT_FALSE(dlg.IsEnded());

    // SetDefID moves the default elsewhere.
    dlg.SetDefID(kApply);
    EXPECT_TRUE(dlg.PressEnter());
    EXPECT_EQ(dlg.clicks.size(), 2u);
}

TEST_F(DialogTest, ChildPageLiesAtItsTemplatePositionAndDiesWithItsParent) {
    auto parent = std::make_unique<SampleDialog>();
    ASSERT_TRUE(parent->Create());
    Page page(parent.get());
    ASSERT_TRUE(page.Create(901, parent.get()));
    EXPECT_FALSE(page.IsWindowVisible()) << "pages are created hidden";
    EXPECT_EQ(page.GetDlgItem(kPageCheck)->ScreenRect(), (Rect{10 + 40, 140 + 3, 40, 10}));

    page.SetTimer(3, 100);
    parent->DestroyWindow();
    EXPECT_FALSE(page.IsCreated());
    EXPECT_FALSE(loop.IsTimerSet(&page, 3));
    parent.reset();  // the page object outlives its parent safely
    EXPECT_EQ(page.GetParent(), nullptr);
    EXPECT_FALSE(page.Click(kPageButton));
}

// While an event is told, a listener added hears only the events after it, one removed is
// not told it any more, and one that removes itself runs to its end.
TEST_F(DialogTest, ListenersAddedOrRemovedDuringAnEventHearOnlyWhatFollows) {
    std::vector<std::string> heard;
    int first = 0, second = 0, third = 0;
    first = AddUiListener([&, name = std::string("first")](const UiEvent& e) {
        RemoveUiListener(first);
        RemoveUiListener(second);
        third = AddUiListener([&](const UiEvent& later) {
            heard.push_back("third " + std::to_string(later.code));
        });
        heard.push_back(name + " " + std::to_string(e.code));  // its state outlives removal
    });
    second = AddUiListener(
        [&](const UiEvent& e) { heard.push_back("second " + std::to_string(e.code)); });
    NotifyMessageBoxEnd(1);
    NotifyMessageBoxEnd(2);
    RemoveUiListener(third);
    NotifyMessageBoxEnd(3);
    EXPECT_EQ(heard, (std::vector<std::string>{"first 1", "third 2"}));
}

}  // namespace
}  // namespace fw::testing
