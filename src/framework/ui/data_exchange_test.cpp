#include "framework/ui/data_exchange.h"

#include <gtest/gtest.h>

#include "framework/ui/button.h"
#include "framework/ui/edit.h"
#include "framework/ui/ui_test_support.h"

namespace fw::testing {
namespace {

class Form : public CDialog {
public:
    Form() : CDialog(SampleTemplate()) {}
    void DoDataExchange(CDataExchange* dx) override {
        CDialog::DoDataExchange(dx);
        DDX_Control(dx, kName, name_box);
        DDX_Text(dx, kName, name);
        DDX_Text(dx, kApply, short_caption);
        DDX_Check(dx, kVerbose, verbose);
        DDX_Radio(dx, kRed, colour);
    }
    CEdit* name_box = nullptr;
    std::string name = "first";
    FixedText<4> short_caption{"Go"};
    int verbose = BST_CHECKED;
    int colour = 2;
};

using DataExchangeTest = UiTest;

TEST_F(DataExchangeTest, MembersReachTheControlsAndComeBack) {
    Form form;
    ASSERT_TRUE(form.Create());  // the base OnInitDialog exchanges members to controls
    ASSERT_NE(form.name_box, nullptr);
    EXPECT_EQ(form.name_box, form.GetDlgItem(kName));
    EXPECT_EQ(form.GetDlgItemText(kName), "first");
    EXPECT_EQ(form.GetDlgItemText(kApply), "Go");
    EXPECT_EQ(form.IsDlgButtonChecked(kVerbose), BST_CHECKED);
    EXPECT_EQ(form.GetCheckedRadioButton(kRed, kBlue), kBlue);

    form.SetDlgItemText(kName, "second");
    form.SetDlgItemText(kApply, "Longer caption");
    form.CheckDlgButton(kVerbose, BST_UNCHECKED);
    form.CheckRadioButton(kRed, kBlue, kRed);
    ASSERT_TRUE(form.UpdateData(true));
    EXPECT_EQ(form.name, "second");
    EXPECT_EQ(form.short_caption, "Lon") << "a fixed-size member keeps what fits";
    EXPECT_EQ(form.verbose, BST_UNCHECKED);
    EXPECT_EQ(form.colour, 0);

    form.CheckRadioButton(kRed, kBlue, 0);  // none checked
    ASSERT_TRUE(form.UpdateData(true));
    EXPECT_EQ(form.colour, -1);
}

}  // namespace
}  // namespace fw::testing
