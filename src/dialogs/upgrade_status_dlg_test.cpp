// The upgrade status dialog's countdown on window timer 12, on a manual clock.
#include "dialogs/upgrade_status_dlg.h"

#include <gtest/gtest.h>

#include "framework/ui/static_ctrl.h"
#include "framework/ui/ui_test_support.h"
#include "resources/resources.h"
#include "tftp/engine_globals.h"

namespace {

using Shown = std::vector<std::string>;

class UpgradeStatusTest : public fw::testing::UiTest {
protected:
    UpgradeStatusTest() {
        res::RegisterResources();
        g_bUpdateComplete = 0;
    }

    // Keeps the dialog open for `seconds` and records each change after it opened as
    // "<ms since opening> <line>=<text>", lines being s(tatus), c(ountdown) and i(con).
    // `on_change` sees each record as it is made.
    Shown Run(int seconds, std::function<void(const std::string&)> on_change = {}) {
        Shown shown;
        fw::Millis opened = -1;
        fw::ScopedUiListener listener([&](const fw::UiEvent& e) {
            if (opened < 0 || e.kind != fw::UiEvent::Kind::ControlChanged) return;
            int id = e.control->GetDlgCtrlID();
            std::string text =
                id == IDC_STATUS_ICON
                    ? "i=" + std::to_string(static_cast<fw::CStatic*>(e.control)->GetIcon())
                : id == IDC_STATUS_LINE ? "s=" + e.control->GetWindowText()
                                        : "c=" + e.control->GetWindowText();
            if (id != IDC_STATUS_ICON && e.change != fw::Change::Text) return;
            shown.push_back(std::to_string(loop.Now() - opened) + " " + text);
            if (on_change) on_change(text);
        });
        desktop.OnModal(IDD_UPGRADE_STATUS, [&](fw::CDialog& dialog) {
            EXPECT_EQ(dialog.GetDlgItemText(IDC_STATUS_LINE), kUpdatingText);
            opened = loop.Now();
            loop.RunFor(seconds * 1000);
            EXPECT_FALSE(dialog.IsEnded()) << "it waits for the user";
        });
        CUpgradeStatusDlg().DoModal();
        return shown;
    }
};

TEST_F(UpgradeStatusTest, CountsDown35To0ThenAsksToCheckTheModemAndAlternatesTheIcon) {
    Shown expected;
    for (int n = 35; n >= 0; --n) {
        expected.push_back(std::to_string((36 - n) * 1000) + " c=" + std::to_string(n));
    }
    expected.insert(expected.end(), {"37000 i=134", "37000 s=" + std::string(kCheckModemText),
                                     "37000 c=", "38000 i=135", "39000 i=134"});
    EXPECT_EQ(Run(39), expected);
}

// Completion seen while a number of the count is up shows on the next tick; 1 is the last
// such number (the tick after it would show 0). Seen before the first tick, no number shows.
TEST_F(UpgradeStatusTest, CompletionShowsOnTheNextTickOfTheCount) {
    for (int at : {20, 1}) {
        g_bUpdateComplete = 0;
        std::string number = "c=" + std::to_string(at);
        Shown shown = Run(38 - at, [&](const std::string& text) {
            if (text == number) g_bUpdateComplete = 1;
        });
        auto ms = [at](int ticks) { return std::to_string((36 - at + ticks) * 1000) + " "; };
        EXPECT_EQ(Shown(shown.end() - 5, shown.end()),
                  (Shown{ms(0) + number, ms(1) + "i=134", ms(1) + "s=Modem Reboot",
                         ms(1) + "c=Update Complete", ms(2) + "i=135"}));
    }
    g_bUpdateComplete = 1;
    EXPECT_EQ(Run(1), (Shown{"1000 i=134", "1000 s=Modem Reboot", "1000 c=Update Complete"}));
}

}  // namespace
