// What a cell is, not how it looks: the drawing code names a role, and the terminal set-up
// (terminal.cpp) alone decides which colours or attributes stand for it.
#pragma once

#include <cstdint>

namespace tui {

enum class Role : std::uint8_t {
    Desktop,        // outside every window
    Window,         // a dialog's face
    Frame,          // a dialog's border
    Caption,        // the caption in the top border of the active window
    CaptionIdle,    // the caption of a window that has a modal dialog over it
    Text,           // static texts and labels
    Disabled,       // anything that takes no input
    Field,          // an edit or address box
    FieldFocus,     // the edit or address box that has the focus
    Button,         // a push button
    ButtonDefault,  // the button Enter presses when no other button has the focus
    ButtonFocus,    // the push button that has the focus
    Focus,          // a focused check box, radio button, tab or list
    Selection,      // the selected line of a list
    ProgressDone,   // the filled part of a progress bar
    ProgressLeft,   // the empty part
    Art,            // icons and the logo
    Shadow,         // the shadow under a modal window
    Help,           // the help line under the main window
    Alert,          // the hint that only part of the window is in view; read errors
    Count
};

constexpr int kRoleCount = static_cast<int>(Role::Count);

}  // namespace tui
