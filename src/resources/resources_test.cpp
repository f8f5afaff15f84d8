#include "resources/resources.h"

#include <gtest/gtest.h>

#include <set>

#include "framework/ui/button.h"
#include "framework/ui/dialog.h"
#include "framework/ui/ui_test_support.h"

namespace {

using namespace fw;

class ResourcesTest : public fw::testing::UiTest {
protected:
    void SetUp() override { res::RegisterResources(); }
};

bool Inside(const Rect& in, const Rect& out) {
    return in.x >= out.x && in.y >= out.y && in.x + in.w <= out.x + out.w && in.y + in.h <= out.y + out.h;
}

// Every control lies inside its dialog, ids are unique, and the pages, hidden by themselves,
// fit inside the main window's frame.
TEST_F(ResourcesTest, EveryControlLiesInsideItsDialogAndThePagesInsideTheFrame) {
    auto all = res::AllDialogTemplates();
    ASSERT_EQ(all.size(), 8u);
    for (const DialogTemplate* t : all) {
        SCOPED_TRACE(t->id);
        EXPECT_EQ(FindDialogTemplate(t->id), t);
        std::set<int> ids;
        for (const ControlTemplate& c : t->controls) {
            EXPECT_TRUE(Inside(c.rect, {0, 0, t->rect.w, t->rect.h}) && c.rect.w > 0 && c.rect.h > 0) << c.id;
            EXPECT_TRUE(c.id == IDC_STATIC || ids.insert(c.id).second) << "repeated id " << c.id;
        }
    }
    CDialog main(IDD_MAIN);
    ASSERT_TRUE(main.Create());
    Rect frame;
    for (CControl* c : main.Controls())
        if (c->Kind() == ControlKind::Frame) frame = c->ScreenRect();
    ASSERT_GT(frame.w, 0);
    for (int id : {IDD_UPGRADE_PAGE, IDD_CONFIG_PAGE, IDD_SERVER_PAGE, IDD_DOWNLOAD_PAGE}) {
        CDialog page(id, &main);
        ASSERT_TRUE(page.Create());
        EXPECT_FALSE(page.IsWindowVisible()) << id;
        EXPECT_TRUE(Inside(page.ScreenRect(), frame)) << id;
        for (CControl* c : page.Controls()) EXPECT_TRUE(Inside(c->ScreenRect(), frame)) << id;
    }
}

// (The main window's focus order, and Enter in the password box ending it like "E&xit": the
// terminal UI's window tests.)
TEST_F(ResourcesTest, RadioButtonsFormTheGroupsThePagesSelectIn) {
    CDialog upgrade(IDD_UPGRADE_PAGE), config(IDD_CONFIG_PAGE);
    ASSERT_TRUE(upgrade.Create() && config.Create());
    for (auto [page, group] : {std::pair{&upgrade, std::set<int>{IDC_ATMOS, IDC_VXWORKS}},
                               {&upgrade, {IDC_UNICAST, IDC_BROADCAST}}, {&config, {IDC_OS_61, IDC_OS_70}}}) {
        std::set<int> ids;
        for (CButton* b : page->GetDlgItemAs<CButton>(*group.begin())->RadioGroup()) ids.insert(b->GetDlgCtrlID());
        EXPECT_EQ(ids, group);
    }
}

}  // namespace
