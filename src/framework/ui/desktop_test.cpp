#include "framework/desktop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/ui/dialog.h"
#include "framework/ui/scripted_desktop.h"
#include "framework/ui/ui_test_support.h"

namespace fw::testing {
namespace {

namespace fs = std::filesystem;

// Runs in a fresh temporary directory and goes back to where it was.
class OpenFileTest : public UiTest {
protected:
    void SetUp() override {
        start_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "sperrow-ui-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = fs::canonical(pattern);
        fs::create_directories(root_ / "images");
        fs::current_path(root_);
    }
    void TearDown() override {
        fs::current_path(start_);
        fs::remove_all(root_);
    }
    fs::path start_;
    fs::path root_;
};

TEST_F(OpenFileTest, ChoosingAFileMovesTheCurrentDirectoryToItsFolder) {
    std::string chosen = (root_ / "images" / "pkg.pack").string();
    desktop.QueueOpenFile(chosen);
    auto path = ChooseFile("Pack(*.pack)|*.pack|All file (*.*)|*.*",
                           OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, chosen);
    EXPECT_EQ(fs::current_path(), root_ / "images");
    ASSERT_EQ(desktop.FileDialogs().size(), 1u);
    EXPECT_EQ(desktop.FileDialogs()[0].filter, "Pack(*.pack)|*.pack|All file (*.*)|*.*");
    EXPECT_EQ(desktop.FileDialogs()[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
}

TEST_F(OpenFileTest, CancelOrNoChangeDirLeavesTheCurrentDirectory) {
    desktop.QueueOpenFile(std::nullopt);
    EXPECT_FALSE(ChooseFile("All file (*.*)|*.*", 0));
    EXPECT_EQ(fs::current_path(), root_);

    desktop.QueueOpenFile((root_ / "images" / "a.comp").string());
    EXPECT_TRUE(ChooseFile("", OFN_NOCHANGEDIR));
    EXPECT_EQ(fs::current_path(), root_);

    EXPECT_FALSE(ChooseFile("", 0)) << "an empty script cancels";
    EXPECT_EQ(desktop.FileDialogs().size(), 3u);
}

using ScriptedDesktopTest = UiTest;

TEST_F(ScriptedDesktopTest, BoxesAreRecordedAndAnsweredFromTheScript) {
    desktop.QueueAnswer(IDCANCEL);
    desktop.QueueAnswer(IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Timeout:\nADSL no ACK! Retry? ", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Done", MB_OK | MB_ICONINFORMATION), IDOK)
        << "an OK box can only answer OK";
    EXPECT_EQ(AfxMessageBox("Again?", MB_RETRYCANCEL), IDRETRY) << "default: the first button";
    desktop.SetDefaultAnswer(IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Go on?", MB_OKCANCEL), IDCANCEL);
    desktop.SetBoxHandler(
        [](const ScriptedDesktop::Box& box) { return box.text == "Yes?" ? IDOK : IDCANCEL; });
    EXPECT_EQ(AfxMessageBox("Yes?", MB_OKCANCEL), IDOK);

    ASSERT_EQ(desktop.Boxes().size(), 5u);
    EXPECT_EQ(desktop.Boxes()[0].text, "Timeout:\nADSL no ACK! Retry? ");
    EXPECT_EQ(desktop.Boxes()[0].caption, "Sperrow");
    EXPECT_EQ(desktop.Boxes()[1].flags, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(desktop.Boxes()[4].answer, IDOK);
    desktop.ClearRecord();
    EXPECT_TRUE(desktop.BoxTexts().empty());
}

TEST_F(ScriptedDesktopTest, EveryAnswerMapsToAButtonTheBoxHas) {
    struct Case {
        unsigned flags;
        int wanted, answer;
    };
    for (const Case& c :
         {Case{MB_YESNO, IDYES, IDYES}, Case{MB_YESNO, IDOK, IDYES},
          Case{MB_YESNO | MB_DEFBUTTON2, IDOK, IDNO}, Case{MB_YESNO, IDCANCEL, IDNO},
          Case{MB_OK, IDNO, IDOK}, Case{MB_OKCANCEL, IDYES, IDOK}}) {
        EXPECT_EQ(ScriptedDesktop::MapAnswer(c.wanted, c.flags), c.answer)
            << "flags " << c.flags << ", wanted " << c.wanted;
    }
}

TEST_F(ScriptedDesktopTest, ModalDialogsAreRecordedAndDrivenByTheirHandlers) {
    static const DialogTemplate outer{904, "Outer", {0, 0, 50, 20}, DLG_CAPTION, {}};
    static const DialogTemplate inner{905, "Inner", {0, 0, 50, 20}, DLG_CAPTION, {}};
    int inner_result = 0;
    desktop.OnModal(904, [&](CDialog& d) {
        CDialog nested(inner);
        inner_result = nested.DoModal();  // no handler: closed with OK at once
        d.EndDialog(IDCANCEL);
    });
    CDialog dlg(outer);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(inner_result, IDOK);
    ASSERT_EQ(desktop.Modals().size(), 2u);
    EXPECT_EQ(desktop.ModalTemplateIds(), (std::vector<int>{904, 905}));
    EXPECT_EQ(desktop.Modals()[0].caption, "Outer");
    EXPECT_EQ(desktop.Modals()[0].result, IDCANCEL);
    EXPECT_EQ(ActiveModalDialog(), nullptr);

    CDialog unknown(4711);  // no such template
    EXPECT_EQ(unknown.DoModal(), -1);
    EXPECT_EQ(desktop.Modals().size(), 2u);
}

TEST(HeadlessDesktopTest, AnswersWithoutStartingAnythingFurther) {
    ASSERT_EQ(InstalledDesktop(), nullptr);
    EXPECT_EQ(AfxMessageBox("Timeout:\nADSL no ACK! Retry? ", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Error:\nCannot send packet.", MB_ICONSTOP), IDOK);
    EXPECT_FALSE(TheDesktop().OpenFile("", 0));
}

}  // namespace
}  // namespace fw::testing
