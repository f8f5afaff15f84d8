#include "frontends/cli/progress_view.h"

#include <algorithm>

#include "app/main_dlg.h"
#include "framework/event_loop.h"
#include "framework/ui/progress_ctrl.h"
#include "frontends/cli/formatting.h"
#include "frontends/cli/output.h"

namespace cli {

namespace {
constexpr int kBarWidth = 24;
constexpr fw::Millis kRedrawInterval = 100;
constexpr double kBlockBytes = 512.0;
}  // namespace

std::string FileNameFromLogLine(const std::string& line) {
    if (line.empty() || line.find_first_of(" \t") != std::string::npos) return {};
    std::size_t slash = line.rfind('/');
    return slash == std::string::npos ? line : line.substr(slash + 1);
}

ProgressView::Sink ProgressBarSink(Output& output) {
    return [&output](const ProgressTick& tick) {
        if (!tick.shown) {
            output.ClearTransient();
            return;
        }
        output.TransientErr(ProgressLine(tick.name, tick.done, tick.total, tick.bytesPerSecond,
                                         kBarWidth, tick.totalBytes));
        if (tick.finished) output.KeepTransient();
    };
}

ProgressView::ProgressView(CMainDlg& main, Sink sink, NameSource name_source,
                           SizeSource size_source)
    : main_(main),
      sink_(std::move(sink)),
      name_source_(std::move(name_source)),
      size_source_(std::move(size_source)),
      listener_([this](const fw::UiEvent& event) { OnEvent(event); }) {}

void ProgressView::OnEvent(const fw::UiEvent& event) {
    fw::CProgressCtrl* bar = main_.ProgressBar();
    if (!bar || event.kind != fw::UiEvent::Kind::ControlChanged || event.control != bar) return;
    // A transfer starts the bar over: a new range, or the same range from 0 again (two
    // files of one block each have the same range).
    if (event.change == fw::Change::Range) {
        Begin();
    } else if (event.change == fw::Change::Position) {
        if (bar->GetPos() == 0) {
            Begin();
        } else if (showing_ && !resetting_ && bar->GetUpper() - 1 == total_) {
            Draw(false);
        }
        // Otherwise the bar is being reset: the old position is kept inside the new range
        // before it goes to 0.
    }
}

void ProgressView::Begin() {
    // A command file's one-block range is no file of the user's.
    name_ = FileNameFromLogLine(name_source_ ? name_source_() : std::string());
    total_ = main_.ProgressBar()->GetUpper() - 1;
    // A size that does not fit the blocks belongs to another file of the same name.
    total_bytes_ = size_source_ && !name_.empty() ? size_source_(name_) : -1;
    if (total_bytes_ < (total_ - 1) * static_cast<long long>(kBlockBytes) ||
        total_bytes_ >= total_ * static_cast<long long>(kBlockBytes)) {
        total_bytes_ = -1;
    }
    showing_ = total_ >= 1 && (!name_.empty() || total_ >= 2);
    started_ = fw::MainLoop().Now();
    drawn_ = -1;
    resetting_ = main_.ProgressBar()->GetPos() != 0;
    if (!showing_) {
        ProgressTick hidden;
        hidden.shown = false;
        sink_(hidden);
    }
}

void ProgressView::Draw(bool force) {
    fw::CProgressCtrl* bar = main_.ProgressBar();
    int done = std::clamp(bar->GetPos() - 1, 0, total_);
    fw::Millis now = fw::MainLoop().Now();
    bool finished = done >= total_;
    if (!force && !finished && drawn_ >= 0 && now - drawn_ < kRedrawInterval) return;
    drawn_ = now;
    double seconds = static_cast<double>(now - started_) / 1000.0;
    double bytes = done * kBlockBytes;
    if (total_bytes_ >= 0) bytes = std::min(bytes, static_cast<double>(total_bytes_));
    ProgressTick tick;
    tick.name = name_;
    tick.done = done;
    tick.total = total_;
    tick.totalBytes = total_bytes_;
    tick.bytesPerSecond = seconds > 0 ? bytes / seconds : 0.0;
    tick.finished = finished;
    if (finished) showing_ = false;
    sink_(tick);
}

}  // namespace cli
