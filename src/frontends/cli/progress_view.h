// Follows the main window's progress control for the progress bar on stderr and the
// progress events: a bar that starts over is a new file (named by the line the engine
// logged just before it), each step is a block. Told at most ten times a second, and always
// when a file is through.
#pragma once

#include <functional>
#include <string>

#include "framework/clock.h"
#include "framework/ui/ui_events.h"

class CMainDlg;

namespace cli {

class Output;

// Where a file stands: `done` of `total` blocks, its size when known (else -1), the rate so
// far. A transfer that is no file of the user's (a command file) is not shown: the tick
// that begins it says so, and no other follows.
struct ProgressTick {
    std::string name;
    int done = 0;
    int total = 0;
    long long totalBytes = -1;
    double bytesPerSecond = 0;
    bool shown = true;
    bool finished = false;
};

class ProgressView {
public:
    using NameSource = std::function<std::string()>;
    // The size in bytes of the file sent under a name, or -1 when it is not known.
    using SizeSource = std::function<long long(const std::string& name)>;
    using Sink = std::function<void(const ProgressTick&)>;

    ProgressView(CMainDlg& main, Sink sink, NameSource name_source, SizeSource size_source = {});

private:
    void OnEvent(const fw::UiEvent& event);
    void Begin();
    void Draw(bool force);

    CMainDlg& main_;
    Sink sink_;
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

// The progress bar on stderr (on a terminal): a line that is redrawn in place, kept once
// its file is through.
ProgressView::Sink ProgressBarSink(Output& output);

// The name the progress bar shows for a log line logged just before a send started: a
// file or entry name, or nothing when the line is one of the engines' own messages.
std::string FileNameFromLogLine(const std::string& line);

}  // namespace cli
