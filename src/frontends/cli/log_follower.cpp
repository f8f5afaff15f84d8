#include "frontends/cli/log_follower.h"

#include "app/main_dlg.h"
#include "framework/ui/list_box.h"
#include "frontends/cli/formatting.h"
#include "frontends/cli/log_file.h"
#include "frontends/cli/output.h"
#include "frontends/cli/window_hands.h"
#include "resources/resource.h"

namespace cli {

LogFollower::LogFollower(CMainDlg& main, Output& output, bool echo, LogFile* file,
                         std::string address)
    : main_(main),
      output_(output),
      echo_(echo),
      file_(file),
      address_(std::move(address)),
      listener_([this](const fw::UiEvent& event) { OnEvent(event); }) {}

void LogFollower::OnEvent(const fw::UiEvent& event) {
    fw::CListBox* log = main_.LogList();
    if (!log || event.kind != fw::UiEvent::Kind::ControlChanged || event.control != log ||
        event.change != fw::Change::Items) {
        return;
    }
    int count = log->GetCount();
    if (count < seen_) seen_ = 0;  // the list was emptied
    for (; seen_ < count; ++seen_) {
        last_ = TrimLineEnd(log->GetText(seen_));
        if (echo_) output_.Log(last_);
        if (file_) file_->Append(address_, last_);
    }
}

void LogFollower::Trim(WindowHands& hands, int keep) {
    fw::CListBox* log = main_.LogList();
    if (!log || log->GetCount() <= keep) return;
    // Not while a dialog is in front of the window: a person could not reach the box then.
    fw::CControl* enable = main_.FindControl(IDC_LOG_ENABLE);
    if (!enable || !enable->AcceptsInput()) return;
    // Unticking empties the list; ticking again keeps the log going.
    hands.SetChecked(IDC_LOG_ENABLE, false);
    hands.SetChecked(IDC_LOG_ENABLE, true);
    seen_ = 0;
}

}  // namespace cli
