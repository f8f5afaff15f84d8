#include "frontends/tui/interactive_window.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "app/main_app.h"
#include "app/main_dlg.h"
#include "app/run_description.h"
#include "framework/desktop.h"
#include "framework/event_loop.h"
#include "frontends/tui/screen.h"
#include "frontends/tui/terminal.h"
#include "frontends/tui/terminal_desktop.h"

namespace tui {
namespace {

// Puts the previous desktop back and stops watching the terminal whatever way the window
// ends, so that a later driver in the same process starts clean.
class Session {
public:
    Session(Terminal& terminal, Screen& screen, TerminalDesktop& desktop)
        : terminal_(terminal), previous_(fw::InstalledDesktop()) {
        fw::SetDesktop(&desktop);
        fw::MainLoop().WatchFd(terminal.InputFd(), [&terminal, &screen] {
            for (const Key& key : terminal.ReadKeys()) screen.Feed(key);
            if (terminal.HungUp()) screen.Quit(128 + SIGHUP);
        });
        if (terminal.SignalFd() >= 0)
            fw::MainLoop().WatchFd(terminal.SignalFd(), [&terminal, &screen] {
                for (int sig : terminal.TakeSignals()) {
                    if (sig == SIGWINCH)
                        screen.Redraw();
                    else
                        screen.Quit(128 + sig);
                }
            });
    }
    ~Session() {
        fw::MainLoop().UnwatchFd(terminal_.InputFd());
        if (terminal_.SignalFd() >= 0) fw::MainLoop().UnwatchFd(terminal_.SignalFd());
        fw::SetDesktop(previous_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    Terminal& terminal_;
    fw::Desktop* previous_;
};

}  // namespace

int RunInteractiveWindow(const StartOptions& options) {
    Terminal terminal;
    if (!terminal.Open()) {
        std::fprintf(stderr,
                     "sperrow: the interactive window needs a terminal on stdin and stdout\n");
        return 2;
    }
    int status = 0;
    std::string interrupted;  // what a signal or Ctrl+C cut short, said once the screen is gone
    {
        Screen screen(&terminal);
        TerminalDesktop desktop(screen);
        Session session(terminal, screen, desktop);
        screen.onQuit = [&interrupted](int) {
            if (g_pMainDlg != nullptr) interrupted = InterruptedRunReport(g_pMainDlg->Client());
        };
        CMainApp app(options);
        int ended = app.Run();
        if (screen.quitting())
            status = screen.exit_status();
        else if (ended == kEndedDuringRun)
            status = 1;  // the person quit while a transfer to the modem was running
    }
    terminal.Close();
    if (!interrupted.empty()) std::fprintf(stderr, "%s\n", interrupted.c_str());
    return status;
}

}  // namespace tui
