// Follows the main window's log list: each line, as it is added, goes to stderr when the
// user asked for the log (-v) and to the watchers of the command (the progress bar takes
// file names from it, a "VxWorks" upgrade watches for the modem's read of the image).
// Lines that have been read are dropped from the list now and then, as a person does by
// unticking Log Enable, so that a long transfer does not pile them up in memory.
#pragma once

#include <functional>
#include <string>

#include "framework/ui/ui_events.h"

class CMainDlg;

namespace cli {

class Output;
class WindowHands;

class LogFollower {
public:
    using Watcher = std::function<void(const std::string& line)>;

    LogFollower(CMainDlg& main, Output& output, bool echo);

    void SetWatcher(Watcher watcher) { watcher_ = std::move(watcher); }
    // The latest line, without its line end ("" before any).
    const std::string& LastLine() const { return last_; }

    // Empties the list once it holds more than `keep` lines (unticks and ticks Log Enable).
    void Trim(WindowHands& hands, int keep = 256);

private:
    void OnEvent(const fw::UiEvent& event);

    CMainDlg& main_;
    Output& output_;
    bool echo_;
    int seen_ = 0;
    std::string last_;
    Watcher watcher_;
    fw::ScopedUiListener listener_;
};

}  // namespace cli
