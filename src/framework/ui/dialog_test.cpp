#include "framework/ui/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/async_socket.h"
#include "framework/memnet.h"
#include "framework/ui/button.h"
#include "framework/ui/tab_ctrl.h"
#include "framework/ui/ui_test_support.h"

namespace fw::testing {
namespace {

// Counts the command handler calls per id.
class SampleDialog : public CDialog {
public:
    explicit SampleDialog(CWnd* parent = nullptr) : CDialog(SampleTemplate(), parent) {
        for (int id : {kVerbose, kRed, kGreen, kBlue, kSmall, kLarge, kApply, kHiddenButton,
                       kDisabledButton, kPageButton}) {
            BindCommand(id, [this, id] { clicks.push_back(id); });
        }
    }
    void OnSysCommand(unsigned id) override {
        sys_commands.push_back(id);
        CDialog::OnSysCommand(id);
    }
    std::vector<int> clicks;
    std::vector<unsigned> sys_commands;
};

class Page : public CDialog {
public:
    explicit Page(CWnd* parent) : CDialog(PageTemplate(), parent) {
        BindCommand(kPageButton, [this] { ++presses; });
    }
    int presses = 0;
};

using DialogTest = UiTest;

TEST_F(DialogTest, ClicksOnHiddenOrDisabledControlsDoNothing) {
    SampleDialog dlg;
    EXPECT_FALSE(dlg.Click(kApply)) << "a dialog whose window does not exist takes no click";
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
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

    // The program can still drive them; a person can once they are shown and enabled.
    dlg.GetDlgItem(kDisabledButton)->EnableWindow(true);
    dlg.GetDlgItem(kHiddenButton)->ShowWindow(SW_SHOW);
    page.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dlg.Click(kDisabledButton));
    EXPECT_TRUE(dlg.Click(kHiddenButton));
    EXPECT_TRUE(dlg.Click(kPageButton));
    EXPECT_EQ(page.presses, 1);
    EXPECT_EQ(dlg.clicks, (std::vector<int>{kDisabledButton, kHiddenButton}));

    // Disabling the page disables everything on it.
    page.EnableWindow(false);
    EXPECT_FALSE(dlg.Click(kPageButton));
    EXPECT_EQ(page.presses, 1);
}

TEST_F(DialogTest, RadioClickChecksOneButtonOfItsOwnGroupOnly) {
    SampleDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
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

    // The program's CheckRadioButton works by id range and sends no click.
    dlg.CheckRadioButton(kRed, kBlue, kGreen);
    EXPECT_EQ(dlg.GetCheckedRadioButton(kRed, kBlue), kGreen);
    EXPECT_EQ(dlg.clicks.size(), 2u);

    auto* small = dlg.GetDlgItemAs<CButton>(kSmall);
    ASSERT_EQ(small->RadioGroup().size(), 2u);
    EXPECT_EQ(small->RadioGroup().back()->GetDlgCtrlID(), kLarge);
}

TEST_F(DialogTest, CheckBoxStateChangesBeforeItsHandlerRuns) {
    SampleDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
    std::vector<int> seen;
    dlg.BindCommand(kVerbose, [&] { seen.push_back(dlg.IsDlgButtonChecked(kVerbose)); });
    dlg.Click(kVerbose);
    dlg.Click(kVerbose);
    EXPECT_EQ(seen, (std::vector<int>{BST_CHECKED, BST_UNCHECKED}));
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonOrTheFocusedOne) {
    desktop.OnModal(900, [](CDialog& d) {
        d.GetDlgItem(kName)->SetFocus();
        EXPECT_TRUE(d.PressEnter());  // OK is the default button: the dialog ends
    });
    SampleDialog modal;
    EXPECT_EQ(modal.DoModal(), IDOK);

    SampleDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
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

TEST_F(DialogTest, EnterWithoutDefaultButtonSendsOkAndEscapeCancels) {
    static const DialogTemplate plain{
        902,
        "Plain",
        {0, 0, 100, 40},
        DLG_CAPTION,
        {Ctl(5, ControlKind::Edit, "", {5, 5, 50, 12}, STYLE_TABSTOP)}};
    CDialog a(plain);
    desktop.OnModal(902, [](CDialog& d) { d.PressEnter(); });
    EXPECT_EQ(a.DoModal(), IDOK);

    CDialog b(plain);
    desktop.OnModal(902, [](CDialog& d) { d.PressEscape(); });
    EXPECT_EQ(b.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, SystemMenuItemsReachTheDialog) {
    SampleDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
    CMenu* menu = dlg.GetSystemMenu();
    ASSERT_NE(menu, nullptr);
    int standard = menu->GetMenuItemCount();
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, 16, "&About...");
    ASSERT_EQ(menu->GetMenuItemCount(), standard + 2);
    EXPECT_TRUE(menu->Items()[standard].IsSeparator());

    EXPECT_TRUE(dlg.ChooseSystemMenuItem(16));
    EXPECT_FALSE(dlg.ChooseSystemMenuItem(17)) << "not in the menu";
    EXPECT_FALSE(dlg.ChooseSystemMenuItem(0)) << "the separator cannot be chosen";
    EXPECT_TRUE(dlg.ChooseSystemMenuItem(SC_MINIMIZE));
    EXPECT_TRUE(dlg.IsIconic());
    EXPECT_EQ(dlg.sys_commands, (std::vector<unsigned>{16, SC_MINIMIZE}));

    EXPECT_TRUE(dlg.ChooseSystemMenuItem(SC_CLOSE));
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_EQ(dlg.ModalResult(), IDCANCEL) << "closing is Cancel";
}

TEST_F(DialogTest, TabClickAsksBeforeAndTellsAfterTheChange) {
    SampleDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
    auto* tabs = dlg.GetDlgItemAs<CTabCtrl>(kTabs);
    tabs->InsertItem(0, "One");
    tabs->InsertItem(1, "Two");
    tabs->InsertItem(2, "Three");
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

    tabs->EnableWindow(false);
    EXPECT_FALSE(tabs->ClickItem(1));
}

// Timers of the window underneath and of the modal dialog itself keep firing while the
// modal loop runs, as socket notifications and the response timer do under the upgrade
// status dialog.
TEST_F(DialogTest, TimersFireInsideAModalLoop) {
    class Ticker : public CDialog {
    public:
        Ticker() : CDialog(SampleTemplate()) {}
        bool OnInitDialog() override {
            CDialog::OnInitDialog();
            SetTimer(12, 1000);
            return true;
        }
        void OnTimer(int id) override {
            if (id == 12) ++ticks;
        }
        int ticks = 0;
    };

    SampleDialog owner;
    ASSERT_TRUE(owner.Create());
    int owner_ticks = 0;
    owner.SetTimer(10, 400, [&] { ++owner_ticks; });

    Ticker ticker;
    desktop.OnModal(900, [&](CDialog& d) {
        EXPECT_TRUE(loop.RunUntil([&] { return ticker.ticks >= 3; }, 10000));
        EXPECT_TRUE(d.Click(IDOK));
    });
    EXPECT_EQ(ticker.DoModal(), IDOK);
    EXPECT_EQ(ticker.ticks, 3);
    EXPECT_EQ(clock.Now(), 3000);
    EXPECT_EQ(owner_ticks, 7);
    EXPECT_FALSE(loop.IsTimerSet(&ticker, 12)) << "the timer ends with the window";
    EXPECT_TRUE(loop.IsTimerSet(&owner, 10));
}

// Datagrams that arrive while a modal dialog is up are delivered to their socket inside
// the modal loop, and a handler may end the dialog from there, as the modem's completion
// report does under the upgrade status dialog.
TEST_F(DialogTest, SocketNotificationsArriveInsideAModalLoop) {
    InMemoryNetwork net{loop};
    NetStack& here = net.AddHost(0x0A000001);
    NetStack& there = net.AddHost(0x0A000002);
    net.SetFaults({.delay = 1500});

    SampleDialog modal;
    struct Listener : CAsyncSocket {
        void OnReceive(int) override {
            char buf[16];
            std::string from;
            unsigned port = 0;
            int n = ReceiveFrom(buf, sizeof buf, from, port);
            if (n > 0) got.emplace_back(buf, static_cast<std::size_t>(n));
            if (got.size() == 2 && dialog) dialog->EndDialog(5);
        }
        std::vector<std::string> got;
        CDialog* dialog = nullptr;
    } socket;
    socket.dialog = &modal;
    socket.SetStack(&here);
    ASSERT_TRUE(socket.Create(69));
    CAsyncSocket peer;
    peer.SetStack(&there);
    ASSERT_TRUE(peer.Create());
    EXPECT_EQ(peer.SendTo("one", 3, 69, "10.0.0.1"), 3);
    EXPECT_EQ(peer.SendTo("two", 3, 69, "10.0.0.1"), 3);

    desktop.OnModal(900, [&](CDialog& d) {
        EXPECT_TRUE(socket.got.empty()) << "nothing has arrived when the dialog opens";
        EXPECT_TRUE(loop.RunUntil([&] { return d.IsEnded(); }, 10000));
    });
    EXPECT_EQ(modal.DoModal(), 5);
    EXPECT_EQ(socket.got, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(clock.Now(), 1500);
}

TEST_F(DialogTest, ModalLoopWithoutDesktopRunsUntilTheDialogEnds) {
    SetDesktop(nullptr);
    class SelfClosing : public CDialog {
    public:
        SelfClosing() : CDialog(SampleTemplate()) {}
        bool OnInitDialog() override {
            CDialog::OnInitDialog();
            SetTimer(1, 500, [this] {
                if (++ticks == 4) EndDialog(77);
            });
            return true;
        }
        int ticks = 0;
    };
    SelfClosing dlg;
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_EQ(clock.Now(), 2000);
    EXPECT_EQ(loop.TimerCount(), 0u);
}

TEST_F(DialogTest, ModalDialogTakesInputAwayFromTheOthers) {
    SampleDialog owner;
    ASSERT_TRUE(owner.Create());
    owner.ShowWindow(SW_SHOW);
    bool owner_click = true;
    desktop.OnModal(902, [&](CDialog&) { owner_click = owner.Click(kApply); });
    static const DialogTemplate box{902, "Box", {0, 0, 50, 20}, DLG_CAPTION, {}};
    CDialog modal(box, &owner);
    modal.DoModal();
    EXPECT_FALSE(owner_click);
    EXPECT_TRUE(owner.Click(kApply)) << "input comes back when the modal dialog ends";
    EXPECT_EQ(desktop.ModalTemplateIds(), (std::vector<int>{902}));
}

TEST_F(DialogTest, ChildPageLiesAtItsTemplatePositionAndDiesWithItsParent) {
    auto parent = std::make_unique<SampleDialog>();
    ASSERT_TRUE(parent->Create());
    Page page(parent.get());
    ASSERT_TRUE(page.Create(901, parent.get()));
    EXPECT_FALSE(page.IsWindowVisible()) << "pages are created hidden";
    EXPECT_EQ(parent->ChildDialogs(), (std::vector<CDialog*>{&page}));
    EXPECT_EQ(page.GetDlgItem(kPageCheck)->ScreenRect(), (Rect{10 + 40, 140 + 3, 40, 10}));
    EXPECT_EQ(parent->GetDlgItem(kApply)->ScreenRect(), (Rect{5, 70, 40, 14}));
    EXPECT_EQ(LiveDialogs(), (std::vector<CDialog*>{parent.get(), &page}));

    page.SetTimer(3, 100);
    parent->DestroyWindow();
    EXPECT_FALSE(page.IsCreated());
    EXPECT_FALSE(loop.IsTimerSet(&page, 3));
    EXPECT_TRUE(LiveDialogs().empty());
    parent.reset();  // the page object outlives its parent safely
    EXPECT_EQ(page.GetParent(), nullptr);
    EXPECT_FALSE(page.Click(kPageButton));
}

TEST_F(DialogTest, FocusOrderFollowsTheTemplateAndSkipsWhatCannotBeReached) {
    SampleDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
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

TEST_F(DialogTest, ListenersHearRealChangesAndModalDialogs) {
    std::vector<std::string> heard;
    ScopedUiListener listener([&](const UiEvent& e) {
        switch (e.kind) {
            case UiEvent::Kind::ControlChanged:
                if (e.change == Change::Text) heard.push_back("text " + e.control->GetWindowText());
                break;
            case UiEvent::Kind::ModalBegin:
                heard.push_back("begin " + e.dialog->GetWindowText());
                break;
            case UiEvent::Kind::ModalEnd:
                heard.push_back("end " + std::to_string(e.code));
                break;
            case UiEvent::Kind::MessageBoxBegin:
                heard.push_back("box " + e.text);
                break;
            default:
                break;
        }
    });
    desktop.OnModal(900, [](CDialog& d) {
        d.SetDlgItemText(kName, "a");
        d.SetDlgItemText(kName, "a");  // no change, no event
        d.SetDlgItemText(kName, "b");
        AfxMessageBox("Hello");
        d.EndDialog(5);
    });
    SampleDialog dlg;
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_EQ(heard,
              (std::vector<std::string>{"begin Sample", "text a", "text b", "box Hello", "end 5"}));
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
