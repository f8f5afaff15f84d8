#include "resources/resources.h"

#include <gtest/gtest.h>

#include <set>

#include "framework/ui/button.h"
#include "framework/ui/dialog.h"
#include "framework/ui/ui_test_support.h"

namespace {

using namespace fw;
using fw::testing::UiTest;

class ResourcesTest : public UiTest {
protected:
    void SetUp() override { res::RegisterResources(); }
};

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

TEST_F(ResourcesTest, EveryControlLiesInsideItsDialogAndIdsAreUnique) {
    auto all = res::AllDialogTemplates();
    ASSERT_EQ(all.size(), 8u);
    for (const DialogTemplate* t : all) {
        SCOPED_TRACE(t->id);
        EXPECT_EQ(FindDialogTemplate(t->id), t);
        std::set<int> ids;
        for (const ControlTemplate& c : t->controls) {
            SCOPED_TRACE(c.id);
            EXPECT_TRUE(Inside(c.rect, {0, 0, t->rect.w, t->rect.h}));
            EXPECT_TRUE(c.rect.w > 0 && c.rect.h > 0);
            if (c.id != IDC_STATIC) {
                EXPECT_TRUE(ids.insert(c.id).second) << "repeated id";
            }
        }
    }
}

TEST_F(ResourcesTest, PagesFitInsideTheFrameOfTheMainWindow) {
    CDialog main(IDD_MAIN);
    ASSERT_TRUE(main.Create());
    Rect frame;
    for (CControl* c : main.Controls()) {
        if (c->Kind() == ControlKind::Frame) frame = c->ScreenRect();
    }
    ASSERT_GT(frame.w, 0);
    for (int id : {IDD_UPGRADE_PAGE, IDD_CONFIG_PAGE, IDD_SERVER_PAGE, IDD_DOWNLOAD_PAGE}) {
        SCOPED_TRACE(id);
        CDialog page(id, &main);
        ASSERT_TRUE(page.Create());
        EXPECT_FALSE(page.IsWindowVisible()) << "pages are not visible by themselves";
        EXPECT_TRUE(Inside(page.ScreenRect(), frame));
        for (CControl* c : page.Controls()) EXPECT_TRUE(Inside(c->ScreenRect(), frame));
    }
}

TEST_F(ResourcesTest, RadioButtonsFormTheGroupsThePagesSelectIn) {
    CDialog upgrade(IDD_UPGRADE_PAGE);
    CDialog config(IDD_CONFIG_PAGE);
    ASSERT_TRUE(upgrade.Create());
    ASSERT_TRUE(config.Create());
    auto group_ids = [](CDialog& d, int id) {
        std::set<int> ids;
        for (CButton* b : d.GetDlgItemAs<CButton>(id)->RadioGroup()) ids.insert(b->GetDlgCtrlID());
        return ids;
    };
    EXPECT_EQ(group_ids(upgrade, IDC_ATMOS), (std::set<int>{IDC_ATMOS, IDC_VXWORKS}));
    EXPECT_EQ(group_ids(upgrade, IDC_BROADCAST), (std::set<int>{IDC_UNICAST, IDC_BROADCAST}));
    EXPECT_EQ(group_ids(config, IDC_OS_70), (std::set<int>{IDC_OS_61, IDC_OS_70}));
}

// Enter in the password box closes the program like "E&xit": the main window has no
// default button of its own, so Enter is its OK command.
TEST_F(ResourcesTest, EnterInThePasswordBoxEndsTheMainWindowWithOk) {
    desktop.OnModal(IDD_MAIN, [](CDialog& d) {
        ASSERT_TRUE(d.GetDlgItem(IDC_PASSWORD)->SetFocus());
        EXPECT_TRUE(d.PressEnter());
    });
    CDialog main(IDD_MAIN);
    EXPECT_EQ(main.DoModal(), IDOK);
    EXPECT_EQ(desktop.ModalTemplateIds(), (std::vector<int>{IDD_MAIN}));
}

TEST_F(ResourcesTest, MainWindowStartsWithTheAddressDisabledAndLoggingHidden) {
    CDialog main(IDD_MAIN);
    ASSERT_TRUE(main.Create());
    main.ShowWindow(SW_SHOW);
    EXPECT_FALSE(main.GetDlgItem(IDC_MODEM_ADDRESS)->IsWindowEnabled());
    EXPECT_FALSE(main.Click(IDC_LOG_ENABLE));
    std::vector<int> order;
    for (CControl* c : main.FocusOrder()) order.push_back(c->GetDlgCtrlID());
    EXPECT_EQ(order, (std::vector<int>{IDC_PASSWORD, IDC_TAB, IDOK}));
    CMenu* menu = main.GetSystemMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->FindItem(SC_MINIMIZE));
}

}  // namespace
