// The desktop services on the terminal: message boxes, the open-file dialog and modal
// dialogs become layers of the screen, each run in a nested event loop so that sockets
// and timers go on underneath.
#pragma once

#include "framework/desktop.h"
#include "frontends/tui/screen.h"

namespace tui {

class TerminalDesktop : public fw::Desktop {
public:
    explicit TerminalDesktop(Screen& screen) : screen_(screen) {}

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    std::optional<std::string> OpenFile(const std::string& filter, unsigned flags) override;
    int RunModal(fw::CDialog& dialog) override;

private:
    Screen& screen_;
};

}  // namespace tui
