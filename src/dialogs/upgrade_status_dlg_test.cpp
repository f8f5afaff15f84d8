// The upgrade status dialog's countdown, driven by window timer 12 on a manual clock.
#include "dialogs/upgrade_status_dlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/ui/scripted_desktop.h"
#include "framework/ui/static_ctrl.h"
#include "framework/ui/ui_events.h"
#include "resources/resources.h"
#include "tftp/engine_globals.h"

namespace {

struct Shown {
    fw::Millis at;
    int id;
    std::string text;  // a line's text, or the icon id as text
};

class UpgradeStatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        res::RegisterResources();
        fw::SetMainLoop(&loop_);
        g_bUpdateComplete = 0;
    }
    void TearDown() override {
        fw::SetMainLoop(nullptr);
        g_bUpdateComplete = 0;
    }

    // Opens the dialog, lets `seconds` of loop time pass, and records what it showed.
    // `each_change` may act on a change (the modem's report arriving, say).
    std::vector<Shown> Run(int seconds, std::function<void(const Shown&)> each_change = {}) {
        std::vector<Shown> shown;
        bool recording = false;  // what OnInitDialog shows is read when the dialog opens
        fw::ScopedUiListener listener([&](const fw::UiEvent& event) {
            if (!recording || event.kind != fw::UiEvent::Kind::ControlChanged) return;
            if (!event.control) return;
            int id = event.control->GetDlgCtrlID();
            std::string text = event.control->GetWindowText();
            if (id == IDC_STATUS_ICON) {
                text = std::to_string(static_cast<fw::CStatic*>(event.control)->GetIcon());
            } else if (event.change != fw::Change::Text) {
                return;
            }
            shown.push_back({loop_.Now(), id, text});
            if (each_change) each_change(shown.back());
        });
        desktop_.OnModal(IDD_UPGRADE_STATUS, [&](fw::CDialog& dialog) {
            opened_at_ = loop_.Now();
            status_at_open_ = dialog.GetDlgItemText(IDC_STATUS_LINE);
            icon_at_open_ =
                dynamic_cast<fw::CStatic*>(dialog.GetDlgItem(IDC_STATUS_ICON))->GetIcon();
            recording = true;
            loop_.RunFor(seconds * 1000);
            still_open_ = !dialog.IsEnded();
            dialog.EndDialog(fw::IDOK);
        });
        CUpgradeStatusDlg dialog;
        dialog.DoModal();
        return shown;
    }

    static std::vector<std::string> Lines(const std::vector<Shown>& shown, int id) {
        std::vector<std::string> texts;
        for (const Shown& s : shown) {
            if (s.id == id) texts.push_back(s.text);
        }
        return texts;
    }

    fw::ManualClock clock_;
    fw::EventLoop loop_{clock_};
    fw::ScriptedDesktop desktop_;
    fw::ScopedDesktop scoped_{desktop_};
    fw::Millis opened_at_ = -1;
    std::string status_at_open_;
    int icon_at_open_ = 0;
    bool still_open_ = false;
};

TEST_F(UpgradeStatusTest, CountsDownFrom35ThenAsksToCheckTheModemAndAlternatesTheIcon) {
    std::vector<Shown> shown = Run(40);
    EXPECT_EQ(status_at_open_, kUpdatingText);
    EXPECT_EQ(icon_at_open_, IDI_SERVER_BUSY);

    std::vector<std::string> expected;
    for (int n = 35; n >= 0; --n) expected.push_back(std::to_string(n));
    expected.push_back("");  // emptied with the request to look at the modem
    EXPECT_EQ(Lines(shown, IDC_COUNTDOWN_LINE), expected);

    // 35 one second after opening, 0 at 36 s, the request one second later.
    auto at = [&](int id, const std::string& text) {
        for (const Shown& s : shown) {
            if (s.id == id && s.text == text) return s.at - opened_at_;
        }
        return fw::Millis{-1};
    };
    EXPECT_EQ(at(IDC_COUNTDOWN_LINE, "35"), 1000);
    EXPECT_EQ(at(IDC_COUNTDOWN_LINE, "0"), 36000);
    EXPECT_EQ(at(IDC_STATUS_LINE, kCheckModemText), 37000);

    std::vector<std::string> icons = Lines(shown, IDC_STATUS_ICON);
    ASSERT_GE(icons.size(), 3u);
    EXPECT_EQ(icons[0], std::to_string(IDI_SERVER_IDLE));
    EXPECT_EQ(icons[1], std::to_string(IDI_SERVER_BUSY));
    EXPECT_EQ(icons[2], std::to_string(IDI_SERVER_IDLE));
    EXPECT_TRUE(still_open_) << "the dialog waits for the user after the countdown";
}

TEST_F(UpgradeStatusTest, CompletionReportedDuringTheCountShowsOnTheNextTick) {
    fw::Millis reported_at = -1;
    std::vector<Shown> shown = Run(30, [&](const Shown& s) {
        if (s.id == IDC_COUNTDOWN_LINE && s.text == "20") {
            g_bUpdateComplete = 1;
            reported_at = s.at;
        }
    });
    std::vector<std::string> lines = Lines(shown, IDC_COUNTDOWN_LINE);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kUpdateCompleteText);
    EXPECT_EQ(lines[lines.size() - 2], "20") << "no further number after the report";
    EXPECT_EQ(Lines(shown, IDC_STATUS_LINE), std::vector<std::string>{kModemRebootText});
    for (const Shown& s : shown) {
        if (s.text == kUpdateCompleteText) {
            EXPECT_EQ(s.at, reported_at + 1000);
        }
    }
    EXPECT_FALSE(Lines(shown, IDC_STATUS_ICON).empty()) << "the icon starts alternating";
}

TEST_F(UpgradeStatusTest, CompletionBeforeTheFirstTickShowsNoNumberAtAll) {
    g_bUpdateComplete = 1;
    std::vector<Shown> shown = Run(3);
    EXPECT_EQ(Lines(shown, IDC_COUNTDOWN_LINE), std::vector<std::string>{kUpdateCompleteText});
    EXPECT_EQ(Lines(shown, IDC_STATUS_LINE), std::vector<std::string>{kModemRebootText});
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().at - opened_at_, 1000);
}

TEST_F(UpgradeStatusTest, CompletionAfterTheCountHasRunOutIsNotShown) {
    std::vector<Shown> shown = Run(45, [&](const Shown& s) {
        if (s.id == IDC_STATUS_LINE && s.text == kCheckModemText) g_bUpdateComplete = 1;
    });
    EXPECT_TRUE(Lines(shown, IDC_STATUS_LINE).back() == kCheckModemText);
    for (const Shown& s : shown) EXPECT_NE(s.text, kUpdateCompleteText);
}

}  // namespace
