// What a driver that no person watches (the command line, tests) needs to know about the
// run in progress: whether it has ended or stopped, whether anything is still pending, and
// when the client last talked to the modem. The engines report into it; drivers read it or
// register a listener that is told of every change of phase.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/clock.h"

enum class RunPhase {
    kIdle,     // no plan started yet
    kRunning,  // a plan is being performed
    kEnded,    // the plan ran out, reached STEP_END, or its final dialog/message was closed
    kStopped,  // a failure was shown or a time-out given up: nothing will go on by itself
};

// A transfer of the client that ended whole: the name on the modem, which way the request
// went, the bytes it moved and when it began and ended (loop time).
struct ClientTransferRecord {
    std::string name;
    bool write = false;
    long long bytes = 0;
    fw::Millis started = 0;
    fw::Millis ended = 0;
};

enum class RunEnd {
    kNone,
    kPlanExhausted,  // both rings ran empty
    kEndStep,        // STEP_END
    kFinalStep,      // a final step's dialog or message was closed
};

class RunObserver {
public:
    using Listener = std::function<void(const RunObserver&)>;

    RunPhase Phase() const { return phase_; }
    RunEnd EndReason() const { return end_; }
    // The text shown (or logged) with the failure that stopped the run.
    const std::string& StopMessage() const { return stop_message_; }
    // Runs started since the process began; a driver compares it to tell runs apart.
    int RunCount() const { return runs_; }

    // Something may still happen by itself: the response timer is armed, or a dialog or
    // message box that the engines opened is still open.
    bool IsPending() const;
    int OpenDialogs() const { return open_dialogs_; }

    // Loop time of the client's last datagram sent / received; -1 before the first one.
    fw::Millis LastSent() const { return last_sent_; }
    fw::Millis LastReceived() const { return last_received_; }
    fw::Millis LastTraffic() const { return last_sent_ > last_received_ ? last_sent_ : last_received_; }

    // The update bracket of this run is open: the begin marker "tftpupdt.beg" has gone out
    // and the end marker "tftpupdt.end" has not been acknowledged, so the modem may be in
    // update mode. Whoever tells of a stop or an interrupt adds kUpdateModeText then.
    bool UpdateBracketOpen() const { return bracket_open_; }

    // The step code the Sequencer performed last in this run (-1 before the first): the
    // step a transfer in progress belongs to.
    int Step() const { return step_; }

    // Times the response timer expired in this run: the modem left a wait unanswered.
    int Expiries() const { return expiries_; }

    // Every transfer that ended whole since the process began (or the last Reset), oldest
    // first: what a driver reports file by file.
    const std::vector<ClientTransferRecord>& FinishedTransfers() const { return finished_; }

    void SetListener(Listener listener) { listener_ = std::move(listener); }

    // Reports from the engines.
    void NoteRunStarted();
    void NoteEnded(RunEnd how);
    void NoteStopped(const std::string& message);
    void NoteDialogOpened() { ++open_dialogs_; }
    void NoteDialogClosed() {
        if (open_dialogs_ > 0) --open_dialogs_;
    }
    void NoteSent();
    void NoteReceived();
    void NoteBracketOpened() { bracket_open_ = true; }
    void NoteBracketClosed() { bracket_open_ = false; }
    void NoteStep(int code) { step_ = code; }
    void NoteExpiry() { ++expiries_; }
    // A request went out for a transfer (again, after a retry); a write knows its bytes.
    void NoteTransferBegun(const std::string& name, bool write, long long bytes);
    // A read took this many bytes more.
    void NoteTransferBytes(long long bytes) { current_.bytes += bytes; }
    // The transfer begun last ended whole.
    void NoteTransferEnded();

    // Back to the state of a fresh process (tests).
    void Reset();

private:
    void Changed();

    RunPhase phase_ = RunPhase::kIdle;
    RunEnd end_ = RunEnd::kNone;
    std::string stop_message_;
    int runs_ = 0;
    int open_dialogs_ = 0;
    fw::Millis last_sent_ = -1;
    fw::Millis last_received_ = -1;
    bool bracket_open_ = false;
    int step_ = -1;
    int expiries_ = 0;
    ClientTransferRecord current_;
    bool transferOpen_ = false;
    std::vector<ClientTransferRecord> finished_;
    Listener listener_;
};

RunObserver& TheRunObserver();

// A message box shown on behalf of the engines: counted as an open dialog while it is up.
int EngineMessageBox(const std::string& text, unsigned flags);
// While set, the engines' boxes are logged instead of shown, and one that asks is answered
// Cancel: for reads that are expected to go unanswered (a modem that is rebooting).
void SetQuietEngineBoxes(bool quiet);
// A message that tells of a stop, as shown: while the update bracket is open its last line
// is kUpdateModeText.
std::string StopText(const std::string& text);
// A failure message that stops the run: shown with the stop icon, then reported.
void ShowStopMessage(const std::string& text);
