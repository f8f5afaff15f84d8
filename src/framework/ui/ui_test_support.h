// Shared set-up of the dialog model's tests: a manual-clock event loop and a scripted
// desktop installed for the test's lifetime, and short hands for template lines.
#pragma once

#include <gtest/gtest.h>

#include "framework/clock.h"
#include "framework/desktop.h"
#include "framework/event_loop.h"
#include "framework/ui/scripted_desktop.h"
#include "framework/ui/templates.h"

namespace fw::testing {

class UiTest : public ::testing::Test {
protected:
    UiTest() {
        SetMainLoop(&loop);
        SetDesktop(&desktop);
    }
    ~UiTest() override {
        SetDesktop(nullptr);
        SetMainLoop(nullptr);
    }

    ManualClock clock;
    EventLoop loop{clock};
    ScriptedDesktop desktop;
};

inline ControlTemplate Ctl(int id, ControlKind kind, const char* caption, Rect rect,
                           unsigned style = 0) {
    return ControlTemplate{id, kind, caption, rect, style, 0};
}

// Ids of the sample dialog.
enum SampleId : int {
    kName = 10,
    kApply = 40,
    kList = 50,
    kProgress = 60,
    kAddress = 70,
    kPageButton = 90,
    kPageCheck = 91,
};

// A dialog with a box, a button beside OK (its default button), a list, a progress bar and
// an address control.
inline const DialogTemplate& SampleTemplate() {
    static const DialogTemplate t{
        900,
        "Sample",
        {0, 0, 240, 160},
        DLG_CAPTION | DLG_SYSMENU | DLG_MINIMIZEBOX,
        {
            Ctl(-1, ControlKind::Static, "Name:", {5, 5, 30, 8}),
            Ctl(kName, ControlKind::Edit, "", {40, 5, 80, 12}, STYLE_TABSTOP),
            Ctl(kApply, ControlKind::PushButton, "Apply", {5, 70, 40, 14},
                STYLE_GROUP | STYLE_TABSTOP),
            Ctl(IDOK, ControlKind::PushButton, "OK", {140, 70, 40, 14},
                STYLE_DEFAULT_BUTTON | STYLE_TABSTOP),
            Ctl(IDCANCEL, ControlKind::PushButton, "Cancel", {185, 70, 40, 14}, STYLE_TABSTOP),
            Ctl(kList, ControlKind::ListBox, "", {5, 90, 100, 15}, STYLE_VSCROLL),
            Ctl(kProgress, ControlKind::Progress, "", {5, 110, 100, 10}),
            Ctl(kAddress, ControlKind::IpAddress, "", {110, 90, 80, 12}, STYLE_TABSTOP),
        },
    };
    return t;
}

// A child page, placed at 10, 140 inside its parent.
inline const DialogTemplate& PageTemplate() {
    static const DialogTemplate t{
        901,
        "",
        {10, 140, 100, 20},
        DLG_CHILD,
        {
            Ctl(kPageButton, ControlKind::PushButton, "Go", {2, 3, 30, 14}, STYLE_TABSTOP),
            Ctl(kPageCheck, ControlKind::CheckBox, "Keep", {40, 3, 40, 10}, STYLE_TABSTOP),
        },
    };
    return t;
}

}  // namespace fw::testing
