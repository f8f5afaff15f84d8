// Follows the main window's log list: each line, as it is added, goes to stderr when the
// user asked for the log (-v) and to the log file when there is one (--log-file); the
// latest line names the file the progress bar shows. Lines that have been read are dropped
// from the list now and then, as a person does by unticking Log Enable, so that a long
// transfer does not pile them up in memory.
#pragma once

#include <string>

#include "framework/ui/ui_events.h"

class CMainDlg;

namespace cli {

class LogFile;
class Output;
class WindowHands;

class LogFollower {
public:
    // `file` (may be null) is written with `address` on every line.
    LogFollower(CMainDlg& main, Output& output, bool echo, LogFile* file, std::string address);

    // The latest line, without its line end ("" before any).
    const std::string& LastLine() const { return last_; }

    // Empties the list once it holds more than `keep` lines (unticks and ticks Log Enable).
    void Trim(WindowHands& hands, int keep = 256);

private:
    void OnEvent(const fw::UiEvent& event);

    CMainDlg& main_;
    Output& output_;
    bool echo_;
    LogFile* file_;
    std::string address_;
    int seen_ = 0;
    std::string last_;
    fw::ScopedUiListener listener_;
};

}  // namespace cli
