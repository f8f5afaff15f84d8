#include "tftp/run_observer.h"

#include "framework/desktop.h"
#include "framework/event_loop.h"
#include "tftp/client_texts.h"
#include "tftp/host_hooks.h"

namespace {
bool g_quietEngineBoxes = false;
}  // namespace

RunObserver& TheRunObserver() {
    static RunObserver observer;
    return observer;
}

bool RunObserver::IsPending() const { return open_dialogs_ > 0 || IsResponseTimerRunning(); }

void RunObserver::NoteRunStarted() {
    ++runs_;
    phase_ = RunPhase::kRunning;
    end_ = RunEnd::kNone;
    stop_message_.clear();
    bracket_open_ = false;
    step_ = -1;
    expiries_ = 0;
    Changed();
}

void RunObserver::NoteEnded(RunEnd how) {
    if (phase_ != RunPhase::kRunning) return;  // an empty call after the end says nothing new
    phase_ = RunPhase::kEnded;
    end_ = how;
    Changed();
}

void RunObserver::NoteStopped(const std::string& message) {
    phase_ = RunPhase::kStopped;
    end_ = RunEnd::kNone;
    stop_message_ = message;
    Changed();
}

// Stamped for every datagram: the time the loop woke for it is near enough.
void RunObserver::NoteSent() { last_sent_ = fw::MainLoop().RoundTime(); }
void RunObserver::NoteReceived() { last_received_ = fw::MainLoop().RoundTime(); }

void RunObserver::NoteTransferBegun(const std::string& name, bool write, long long bytes) {
    current_ = {name, write, bytes, fw::MainLoop().Now(), 0};
    transferOpen_ = true;
}

void RunObserver::NoteTransferEnded() {
    if (!transferOpen_) return;
    transferOpen_ = false;
    current_.ended = fw::MainLoop().Now();
    finished_.push_back(std::move(current_));
    current_ = {};
}

void RunObserver::Reset() {
    Listener keep = std::move(listener_);
    *this = RunObserver{};
    listener_ = std::move(keep);
}

void RunObserver::Changed() {
    if (listener_) {
        Listener copy = listener_;  // the listener may replace itself
        copy(*this);
    }
}

void SetQuietEngineBoxes(bool quiet) {
    g_quietEngineBoxes = quiet;
}

int EngineMessageBox(const std::string& text, unsigned flags) {
    if (g_quietEngineBoxes) {
        std::string line = text;
        for (char& c : line) {
            if (c == '\n') c = ' ';
        }
        LogMessage(line.c_str());
        return (flags & 0x0F) == fw::MB_RETRYCANCEL ? fw::IDCANCEL : fw::IDOK;
    }
    RunObserver& observer = TheRunObserver();
    observer.NoteDialogOpened();
    int answer = fw::AfxMessageBox(text, flags);
    observer.NoteDialogClosed();
    return answer;
}

std::string StopText(const std::string& text) {
    if (!TheRunObserver().UpdateBracketOpen()) return text;
    return text + "\n" + kUpdateModeText;
}

void ShowStopMessage(const std::string& text) {
    std::string shown = StopText(text);
    EngineMessageBox(shown, fw::MB_ICONSTOP);
    TheRunObserver().NoteStopped(shown);
}
