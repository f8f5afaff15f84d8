#include <gtest/gtest.h>

#include "framework/ui/dialog.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/list_box.h"
#include "framework/ui/progress_ctrl.h"
#include "framework/ui/ui_test_support.h"

namespace fw::testing {
namespace {

class ControlsTest : public UiTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create());
        dlg.ShowWindow(SW_SHOW);
    }
    CDialog dlg{SampleTemplate()};
};

// The log's list keeps its newest line selected and on its last row; the progress bar steps
// only where its caller checks the bound, and its bounds are unsigned 16-bit.
TEST_F(ControlsTest, ListAndProgressBarAsTheLogAndTheBarUseThem) {
    auto* list = dlg.GetDlgItemAs<CListBox>(kList);
    ASSERT_EQ(list->VisibleRows(), 1) << "15 dialog units hold one line";
    list->SetVisibleRows(2);
    for (const char* line : {"one\n", "two\n", "three\n", "four\n"}) {
        list->AddString(line);
        list->SelectLast();
    }
    EXPECT_EQ(list->GetCurSel(), 3);
    EXPECT_EQ(list->GetTopIndex(), 2);
    EXPECT_EQ(list->InsertString(9, "x"), LB_ERR);
    list->ResetContent();
    EXPECT_EQ(list->SelectLast(), LB_ERR);

    auto* bar = dlg.GetDlgItemAs<CProgressCtrl>(kProgress);
    bar->SetRange(0, 3 + 1);
    bar->SetStep(1);
    for (int i = 0; i < 10; ++i) {
        if (bar->GetPos() < bar->GetUpper()) bar->StepIt();
    }
    EXPECT_EQ(bar->GetPos(), 4);
    EXPECT_EQ(bar->StepIt(), 4) << "an unguarded step past the bound starts over";
    EXPECT_EQ(bar->GetPos(), 1);
    bar->SetRange(0, 65535 + 1);
    EXPECT_EQ(bar->GetUpper(), 0);
}

// Blank fields count as 0 (the window's accessors rely on it, and prove it).
TEST_F(ControlsTest, AddressControlIsOneValueWithTheFirstFieldMostSignificant) {
    auto* ip = dlg.GetDlgItemAs<CIPAddressCtrl>(kAddress);
    std::uint32_t value = 1;
    EXPECT_TRUE(ip->IsBlank());
    EXPECT_EQ(ip->GetAddress(value), 0);
    EXPECT_EQ(value, 0u);
    ip->SetAddress(0xC0A80101u);
    EXPECT_EQ(ip->GetWindowText(), "192.168.1.1");
    ip->SetFieldText(0, "9x99");
    ip->SetFieldText(3, "300");
    EXPECT_EQ(ip->GetAddress(value), 4);
    EXPECT_EQ(value, 0xFFA801FFu) << "digits only, three at most, 255 at most";
    EXPECT_FALSE(ip->SetFieldText(4, "1"));
    ip->EnableWindow(false);
    EXPECT_FALSE(ip->EnterAddress("1.2.3.4")) << "a person cannot type into it while disabled";
}

TEST_F(ControlsTest, TypingFollowsTheBoxRulesWhileTheProgramSetsAnything) {
    static const DialogTemplate boxes{
        903,
        "Boxes",
        {0, 0, 100, 60},
        DLG_CAPTION,
        {Ctl(1, ControlKind::Edit, "", {5, 5, 50, 12}, STYLE_PASSWORD | STYLE_TABSTOP),
         Ctl(2, ControlKind::Edit, "", {5, 20, 50, 12}, STYLE_DIGITS_ONLY | STYLE_TABSTOP)}};
    CDialog form(boxes);
    ASSERT_TRUE(form.Create());
    form.ShowWindow(SW_SHOW);
    auto* password = form.GetDlgItemAs<CEdit>(1);
    auto* digits = form.GetDlgItemAs<CEdit>(2);

    EXPECT_TRUE(password->EnterText("s3cret"));
    EXPECT_EQ(password->GetWindowText(), "s3cret");
    EXPECT_EQ(password->DisplayText(), "******");

    digits->SetLimitText(3);
    EXPECT_TRUE(digits->EnterText("1a2b34"));
    EXPECT_EQ(digits->GetWindowText(), "123") << "letters dropped, cut at the limit";
    EXPECT_FALSE(digits->TypeChar('4')) << "full";
    EXPECT_TRUE(digits->Backspace());
    EXPECT_FALSE(digits->TypeChar('x'));
    EXPECT_TRUE(digits->TypeChar('9'));
    EXPECT_EQ(digits->GetWindowText(), "129");

    digits->SetWindowText("5x and more");  // the program is not filtered
    EXPECT_EQ(digits->GetWindowText(), "5x and more");

    password->SetLimitText(2);
    EXPECT_TRUE(password->EnterText("\xC3\xA9\xC3\xA9\xC3\xA9"));  // three two-byte letters
    EXPECT_EQ(password->GetWindowText(), "\xC3\xA9\xC3\xA9") << "limits count characters";
    EXPECT_EQ(password->DisplayText(), "**");

    char buffer[4];
    form.SetDlgItemText(2, "abcdef");
    EXPECT_EQ(form.GetDlgItemText(2, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "abc");
}

}  // namespace
}  // namespace fw::testing
