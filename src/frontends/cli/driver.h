// The driver of a command: when the main window opens it sets the controls the command
// stands for, on the page whose button the command presses, presses that button and
// follows the run through the run observer until it ends, stops or stalls. The final
// dialogs the run opens come here too: the upgrade status dialog is followed line by line
// and closed on its last word, the Modem Information dialog is printed and closed.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "framework/clock.h"
#include "frontends/cli/progress_view.h"

class CMainDlg;
namespace fw {
class CDialog;
}

namespace cli {

class LogFollower;
class PackDestination;
class Session;
class WindowHands;

class Driver {
public:
    explicit Driver(Session& session);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // The desktop's modal display: the main window runs the command, the final dialogs
    // are followed; the code is what the dialog ends with.
    int RunModal(fw::CDialog& dialog);

    // Once the window is gone (its files closed): what the command leaves behind is put
    // in order (a configuration pack that did not complete is removed).
    void Finish();

private:
    void Drive(CMainDlg& main);
    void RunCommand();
    bool Refused();

    void Upgrade();
    void UpgradeVxWorks();
    void Info();
    void ConfigGet();
    void ConfigPut();
    void Send();
    void RemoteUpgrade();
    void Describe();
    void Serve();

    // Presses the button, then follows the run to its end.
    void PressAndFollow(int button_id);
    void FollowRun(fw::Millis pressed_at);
    bool Stalled(fw::Millis pressed_at) const;
    void WaitForImageRead(const std::string& image, fw::Millis pressed_at);
    // "Verify after reboot" to its end: the countdown shown, the outcome kept and the exit
    // status set (4 when the modem did not come back with the firmware sent).
    void FollowVerification(fw::Millis pressed_at);
    void WarnOfLongPassword();
    // One short round of the event loop, and up to `busy_rounds` in all while it stays busy.
    void Pump(int busy_rounds = 1);
    // Rounds a busy loop may take between two looks at the run from the command line.
    static constexpr int kBusyRounds = 64;
    // --json-events: a line for each step a plan performs, and for each progress tick.
    void NoteStep();
    ProgressView::Sink ProgressEventSink(const std::string& address);
    // Once a stop signal has arrived during a run: says on stderr what it interrupted and
    // whether the modem may be left in update mode, while the window still shows it.
    void NoteInterrupt();

    int FollowUpgradeStatus(fw::CDialog& dialog);
    int ShowModemInfo(fw::CDialog& dialog);

    Session& session_;
    CMainDlg* main_ = nullptr;
    std::unique_ptr<WindowHands> hands_;
    std::unique_ptr<LogFollower> log_;
    std::unique_ptr<ProgressView> progress_;
    std::unique_ptr<PackDestination> pack_;
    bool interruptNoted_ = false;
    std::pair<int, std::string> stepSeen_{-1, ""};  // run and step of the last step event
};

// How long a run may go without a timer armed, a dialog open or a datagram before it
// counts as stalled: twice the time-out, and never less than five seconds.
fw::Millis StallLimit(int timeout_seconds);

}  // namespace cli
