#include "framework/ui/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ui/button.h"
#include "framework/ui/tab_ctrl.h"
#include "framework/ui/ui_test_support.h"

namespace fw::testing {
namespace {

// Records the command handler calls by id.
class SampleDialog : public CDialog {
public:
    explicit SampleDialog(CWnd* parent = nullptr) : CDialog(SampleTemplate(), parent) {
        for (int id : {kVerbose, kRed, kGreen, kBlue, kSmall, kLarge, kApply, kHiddenButton,
                       kDisabledButton, kPageButton}) {
            BindCommand(id, [this, id] { clicks.push_back(id); });
        }
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

TEST_F(DialogTest, ClicksOnHiddenOrDisabledControlsDoNothing) {
    EXPECT_FALSE(SampleDialog().Click(kApply)) << "a dialog whose window does not exist";
    Page page(&dlg);
    ASSERT_TRUE(page.Create());

    EXPECT_FALSE(dlg.Click(kHiddenButton));
    EXPECT_FALSE(dlg.Click(kDisabledButton));
    EXPECT_FALSE(dlg.Click(12345)) << "no such control";
    // The page was created hidden: its controls are out of reach, and its check box keeps
    // its state.
    EXPECT_FALSE(dlg.Click(kPageButton));
    EXPECT_FALSE(dlg.Click(kPageCheck));
    EXPECT_EQ(page.IsDlgButtonChecked(kPageCheck), BST_UNCHECKED);
    EXPECT_EQ(page.presses, 0);
    EXPECT_TRUE(dlg.clicks.empty());

    // A person can once they are shown and enabled.
    dlg.GetDlgItem(kDisabledButton)->EnableWindow(true);
    page.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dlg.Click(kDisabledButton));
    EXPECT_TRUE(dlg.Click(kPageButton));
    EXPECT_EQ(page.presses, 1);
    EXPECT_EQ(dlg.clicks, (std::vector<int>{kDisabledButton}));

    // Disabling the page disables everything on it.
    page.EnableWindow(false);
    EXPECT_FALSE(dlg.Click(kPageButton));
    EXPECT_EQ(page.presses, 1);
}

TEST_F(DialogTest, RadioClickChecksOneButtonOfItsOwnGroupOnly) {
    dlg.CheckRadioButton(kRed, kBlue, kRed);
    dlg.CheckRadioButton(kSmall, kLarge, kLarge);

    ASSERT_TRUE(dlg.Click(kBlue));
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRed), BST_UNCHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kBlue), BST_CHECKED);
    EXPECT_EQ(dlg.GetCheckedRadioButton(kSmall, kLarge), kLarge) << "the other group is untouched";
    // Clicking the checked button again keeps it checked, and the handler still hears it.
    ASSERT_TRUE(dlg.Click(kBlue));
    EXPECT_EQ(dlg.GetCheckedRadioButton(kRed, kBlue), kBlue);
    EXPECT_EQ(dlg.clicks, (std::vector<int>{kBlue, kBlue}));
}

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

TEST_F(DialogTest, TabClickAsksBeforeAndTellsAfterTheChange) {
    auto* tabs = dlg.GetDlgItemAs<CTabCtrl>(kTabs);
    for (const char* item : {"One", "Two", "Three"}) tabs->InsertItem(tabs->GetItemCount(), item);
    ASSERT_EQ(tabs->GetCurSel(), 0);

    std::vector<std::string> log;
    long veto = 0;
    dlg.BindNotify(kTabs, TCN_SELCHANGING, [&] {
        log.push_back("changing from " + std::to_string(tabs->GetCurSel()));
        return veto;
    });
    dlg.BindNotify(kTabs, TCN_SELCHANGE, [&] {
        log.push_back("changed to " + std::to_string(tabs->GetCurSel()));
        return 0L;
    });

    EXPECT_TRUE(tabs->ClickItem(2));
    EXPECT_TRUE(tabs->ClickItem(2)) << "the current item: nothing to ask";
    veto = 1;
    EXPECT_TRUE(tabs->ClickItem(1));
    EXPECT_EQ(tabs->GetCurSel(), 2) << "the dialog refused the change";
    EXPECT_FALSE(tabs->ClickItem(7));
    tabs->SetCurSel(0);  // the program's own change is silent
    EXPECT_EQ(log,
              (std::vector<std::string>{"changing from 0", "changed to 2", "changing from 2"}));
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

TEST_F(DialogTest, FocusOrderFollowsTheTemplateAndSkipsWhatCannotBeReached) {
    Page page(&dlg);
    ASSERT_TRUE(page.Create());
    page.ShowWindow(SW_SHOW);
    dlg.CheckRadioButton(kRed, kBlue, kGreen);

    std::vector<int> ids;
    for (CControl* c : dlg.FocusOrder()) ids.push_back(c->GetDlgCtrlID());
    // One stop per radio group (the checked button, else the first); the hidden and the
    // disabled buttons and the list without a tab stop are left out; the page comes last.
    EXPECT_EQ(ids, (std::vector<int>{kName, kVerbose, kGreen, kSmall, kApply, IDOK, IDCANCEL,
                                     kAddress, kTabs, kPageButton, kPageCheck}));

    ASSERT_TRUE(page.GetDlgItem(kPageCheck)->SetFocus());
    EXPECT_EQ(dlg.GetFocusedControl(), page.GetDlgItem(kPageCheck));
    EXPECT_TRUE(dlg.MoveFocus(true));
    EXPECT_EQ(dlg.GetFocusedControl()->GetDlgCtrlID(), kName) << "wraps around";
    EXPECT_TRUE(dlg.MoveFocus(false));
    EXPECT_EQ(dlg.GetFocusedControl()->GetDlgCtrlID(), kPageCheck);
    EXPECT_FALSE(dlg.GetDlgItem(kHiddenButton)->SetFocus());
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
