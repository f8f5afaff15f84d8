// The main window under a person's keys and clicks: how focus moves, what Enter, Esc and
// the accelerators do, radio groups and the open-file dialog. (Typing into the boxes: the
// line edit and address tests beside the screen, and the framework's control tests. Esc
// alone, and Esc then a letter, on a real terminal: tests/tui/tmux_upgrade.sh.)
#include <unistd.h>

#include <climits>

#include "framework/ui/button.h"
#include "framework/ui/ip_address_ctrl.h"
#include "frontends/tui/window_fixture.h"
#include "pages/upgrade_page.h"
#include "resources/resource.h"

namespace tui {
namespace {

class Window : public WindowFixture {
protected:
    Step RecordFocus(std::vector<int>* ids) {
        return [this, ids] {
            fw::CControl* c = Focused();
            ids->push_back(c ? c->GetDlgCtrlID() : 0);
            return true;
        };
    }
};

TEST_F(Window, EnterInThePasswordBoxEndsTheProgramLikeExit) {
    EXPECT_EQ(RunWindow({Type("pw"), Press(Key::Enter)}), fw::IDOK);
}

TEST_F(Window, TabFollowsTemplateOrderSkipsDisabledControlsAndWraps) {
    std::vector<int> forward, backward;
    std::vector<Step> steps{RecordFocus(&forward)};
    for (int i = 0; i < 10; ++i) {
        steps.push_back(Press(Key::Tab));
        steps.push_back(RecordFocus(&forward));
    }
    for (Step s : {Press(Key::BackTab), RecordFocus(&backward), Press(Key::BackTab),
                   RecordFocus(&backward), Press(Key::Escape)})
        steps.push_back(s);
    RunWindow(steps);
    // "File&Info" and the "Other File" rows are disabled: never visited.
    std::vector<int> want{IDC_PASSWORD,     IDC_MODEM_ADDRESS, IDC_TAB,          fw::IDOK,
                          IDC_IMAGE_CHECK,  IDC_IMAGE_PATH,    IDC_IMAGE_BROWSE, IDC_FILE1_BROWSE,
                          IDC_FILE2_BROWSE, IDC_DOWNLOAD,      IDC_PASSWORD};
    EXPECT_EQ(forward, want);
    EXPECT_EQ(backward, (std::vector<int>{IDC_DOWNLOAD, IDC_FILE2_BROWSE}));
}

TEST_F(Window, ArrowsWalkTheRadioGroupChoosingAsTheyGo) {
    // 1041 is also the main window's logo: ask the page for its radio button.
    auto checked = [](int id) {
        auto* b = g_pMainDlg->UpgradePage()->GetDlgItemAs<fw::CButton>(id);
        return b && b->GetCheck() == fw::BST_CHECKED;
    };
    RunWindow({ClickOn("Unitcast Download"), Press(Key::Down), Do([&] {
                   EXPECT_TRUE(checked(IDC_BROADCAST));
                   EXPECT_FALSE(checked(IDC_UNICAST));
                   EXPECT_TRUE(Contains("255.255.255.255"));
                   EXPECT_EQ(CellOf("255.255")->role, Role::Disabled) << "address locked";
                   EXPECT_EQ(Focused()->GetDlgCtrlID(), IDC_BROADCAST);
               }),
               Press(Key::Up), Do([&] {
                   EXPECT_TRUE(checked(IDC_UNICAST));
                   EXPECT_TRUE(Contains("192.168.  1.  1"));
               }),
               Press(Key::Escape)},
              {.expertMode = true});
}

TEST_F(Window, OpenFileDialogEntersFoldersChoosesAndMovesTheCurrentDirectory) {
    std::filesystem::create_directory(dir + "/images");
    WriteFile(dir + "/images/new.pack", "x");
    WriteFile(dir + "/images/old.comp", "x");
    std::vector<Step> steps{Tabs(6)};  // to the browse button
    for (Step s :
         {Press(Key::Character(U' ')), WaitFor("Look in"), Type("images"), Press(Key::Enter),
          WaitFor("new.pack"), Do([this] { EXPECT_FALSE(Contains("old.comp")) << "filtered out"; }),
          Press(Key::Tab), Press(Key::Right),  // the type list: Image(*.comp)
          WaitFor("old.comp"), Press(Key::BackTab), Press(Key::BackTab),  // the list
          Press(Key::End), Press(Key::Enter)})
        steps.push_back(s);
    steps.push_back(Do([this] {
        EXPECT_EQ(Control(IDC_IMAGE_PATH)->GetWindowText(), dir + "/images/old.comp");
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        EXPECT_EQ(std::string(cwd), dir + "/images");
    }));
    steps.push_back(Press(Key::Escape));
    RunWindow(steps);
}

}  // namespace
}  // namespace tui
