// One run at a time: while an upgrade sends its image, every button that would start another
// plan (or change how this one sends) is refused and the upgrade goes on untouched; quitting
// asks first. (That a second upgrade waits for its own completion report: the engine run
// tests. What an interrupt says of the run: tests/cli's signals and fleet tests and the tmux
// run, during the image and while the modem finishes its update.)
#include <gtest/gtest.h>

#include "app/window_test_support.h"
#include "formats/pack_builder.h"
#include "framework/ui/button.h"
#include "framework/ui/menu.h"
#include "framework/ui/progress_ctrl.h"
#include "pages/operation_page.h"
#include "pages/upgrade_page.h"
#include "tftp/step_codes.h"

namespace {

const Names kUpgradeFiles = {"tftplock.key", "tftpupdt.beg", "fw.bin",      "hw.cond",
                             "cfg.txt",      "tftpupdt.rbt", "tftpupdt.end"};
constexpr const char* kCheckModemText = "Please check LED or console to see if modem is reboot";

class RunGuardTest : public WindowTest {
protected:
    void SetUp() override {
        StartModem();
        ByteVector image(4000);
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i);
        packPath = WriteFile("fw.pack", BuildPack("PK11", "HW1",
                                                  {{"fw.bin", image},
                                                   {"hw.cond", ToBytes("adsl")},
                                                   {"cfg.txt", ToBytes("x=1\n")}}));
        // Each status dialog stays until its lines settle, and says how it ended.
        desktop.OnModal(IDD_UPGRADE_STATUS, [this](fw::CDialog& dialog) {
            loop.RunUntil(
                [&] {
                    std::string status = dialog.GetDlgItemText(IDC_STATUS_LINE);
                    return status == "Modem Reboot" || status == kCheckModemText;
                },
                120000);
            endings.push_back(dialog.GetDlgItemText(IDC_COUNTDOWN_LINE).empty()
                                  ? dialog.GetDlgItemText(IDC_STATUS_LINE)
                                  : dialog.GetDlgItemText(IDC_COUNTDOWN_LINE));
        });
    }

    // Download pressed, then the loop run until the image is on its way.
    void StartUpgradeAndSendPartOfTheImage() {
        ASSERT_TRUE(Type(IDC_IMAGE_PATH, packPath));
        ASSERT_TRUE(Click(IDC_DOWNLOAD));
        ASSERT_TRUE(loop.RunUntil(
            [this]() -> bool {
                return TheRunObserver().Step() == STEP_SEND_IMAGE &&
                       window->ProgressBar()->GetPos() >= 3;
            },
            60000));
        ASSERT_TRUE(IsRunInProgress());
    }
    // The files the modem took since `from` of its record.
    Names ReceivedSince(std::size_t from) const {
        Names all = Received();
        return from < all.size() ? Names(all.begin() + static_cast<long>(from), all.end())
                                 : Names{};
    }

    std::string packPath;
    Names endings;  // the last word of every status dialog
};

// Each press or way out in turn, during an upgrade's image: a plan button is refused, a way
// out asks (and the question's default, No, is taken); the upgrade goes on to its end.
TEST_F(RunGuardTest, DuringAnUpgradePlanButtonsAreRefusedWaysOutAskAndTheUpgradeGoesOn) {
    OpenWindowOnModem(true);
    const std::string refusal = "Warning:\nAn operation is in progress.";
    const std::string question =
        "Warning:\nA transfer to the modem is in progress.\nQuitting now may leave the modem in "
        "update mode. Quit anyway?";
    struct Case {
        int tab;
        std::function<bool()> act;  // a click on the id when not given
        int id;
        bool refused;
    };
    for (const Case& c : {Case{0, {}, IDC_DOWNLOAD, true}, Case{0, {}, IDC_MODEM_INFO, true},
                          Case{0, {}, IDC_BROADCAST, true}, Case{1, {}, IDC_GET, true},
                          Case{2, {}, IDC_SUBMIT, true}, Case{3, {}, IDC_DOWNLOAD, true},
                          Case{0, {}, fw::IDOK, false},
                          Case{0, [this] { return window->PressEscape(); }, 1, false},
                          Case{0, [this] { return window->ChooseSystemMenuItem(fw::SC_CLOSE); }, 2,
                               false},
                          Case{0, [this] {
                                   return window->SetFocusTo(Find(IDC_IMAGE_PATH)) &&
                                          window->PressEnter();
                               }, 3, false}}) {
        SCOPED_TRACE(c.tab * 100000 + c.id);
        desktop.ClearRecord();
        endings.clear();
        std::size_t before = Received().size();
        int runs = TheRunObserver().RunCount();
        StartUpgradeAndSendPartOfTheImage();

        ASSERT_TRUE(ClickTab(c.tab));
        ASSERT_TRUE(c.act ? c.act() : Click(c.id));
        ASSERT_TRUE(ClickTab(0));
        ASSERT_EQ(desktop.BoxTexts(), Names{c.refused ? refusal : question});
        EXPECT_EQ(desktop.Boxes()[0].flags,
                  c.refused ? fw::MB_ICONINFORMATION
                            : fw::MB_YESNO | fw::MB_ICONQUESTION | fw::MB_DEFBUTTON2);
        EXPECT_FALSE(window->IsEnded());
        // Nothing of the press took effect: the mode, the address, the radio group, the run.
        EXPECT_EQ(g_bUnicast, 1);
        EXPECT_EQ(window->UpgradePage()->GetCheckedRadioButton(IDC_BROADCAST, IDC_UNICAST),
                  IDC_UNICAST);
        EXPECT_EQ(window->ModemAddress()->GetWindowText(), "10.0.0.2");
        EXPECT_EQ(TheRunObserver().RunCount(), runs + 1) << "no second run started";

        ASSERT_TRUE(RunUntilOver());
        EXPECT_EQ(ReceivedSince(before), kUpgradeFiles);
        EXPECT_EQ(endings, Names{"Update Complete"});
        EXPECT_EQ(window->ProgressBar()->GetPos(), 0) << "the bar is reset after the dialog";
        EXPECT_EQ(desktop.Boxes().size(), 1u) << "no failure was shown";
    }
    // Once the run is over a plan button works again; a way out during a run, answered Yes,
    // ends the window at once with the code the program exits 1 for.
    ASSERT_TRUE(Click(IDC_MODEM_INFO));
    ASSERT_TRUE(RunUntilOver());
    EXPECT_EQ(desktop.ModalTemplateIds().back(), IDD_MODEM_INFO);
    StartUpgradeAndSendPartOfTheImage();
    desktop.QueueAnswer(fw::IDYES);
    ASSERT_TRUE(window->PressEscape());
    EXPECT_TRUE(window->IsEnded());
    EXPECT_EQ(window->ModalResult(), kEndedDuringRun);
}

// The run ends while the quit question is up: Yes is then an ordinary end of the window.
TEST_F(RunGuardTest, ARunThatEndsWhileTheQuestionIsUpLeavesAnOrdinaryEnd) {
    OpenWindowOnModem();
    StartUpgradeAndSendPartOfTheImage();
    desktop.SetBoxHandler([this](const fw::ScriptedDesktop::Box&) {
        EXPECT_TRUE(RunUntilOver());
        return fw::IDYES;
    });
    ASSERT_TRUE(window->PressEscape());
    EXPECT_TRUE(window->IsEnded());
    EXPECT_EQ(window->ModalResult(), fw::IDCANCEL);
    EXPECT_EQ(endings, Names{"Update Complete"});
}

}  // namespace
