// The progress bar on stderr, following the main window's progress control: a bar that
// starts over is a new file (named by the line the engine logged just before it), each step
// is a block. Redrawn at most ten times a second; a finished file's line stays.
#pragma once

#include <functional>
#include <string>

#include "framework/clock.h"
#include "framework/ui/ui_events.h"

class CMainDlg;

namespace cli {

class Output;

class ProgressView {
public:
    using NameSource = std::function<std::string()>;
    // The size in bytes of the file sent under a name, or -1 when it is not known.
    using SizeSource = std::function<long long(const std::string& name)>;

    ProgressView(CMainDlg& main, Output& output, NameSource name_source,
                 SizeSource size_source = {});

private:
    void OnEvent(const fw::UiEvent& event);
    void Begin();
    void Draw(bool force);

    CMainDlg& main_;
    Output& output_;
    NameSource name_source_;
    SizeSource size_source_;
    std::string name_;
    int total_ = 0;  // blocks of the file (range upper bound less one)
    long long total_bytes_ = -1;
    bool showing_ = false;
    bool resetting_ = false;  // a new range came, the position has not been set to 0 yet
    fw::Millis started_ = 0;
    fw::Millis drawn_ = -1;
    fw::ScopedUiListener listener_;
};

// The name the progress bar shows for a log line logged just before a send started: a
// file or entry name, or nothing when the line is one of the engines' own messages.
std::string FileNameFromLogLine(const std::string& line);

}  // namespace cli
