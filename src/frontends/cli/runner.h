// A command of `sperrow`, driven to its end without a person: sets up the event loop and
// the desktop, runs the window and returns the process's exit status.
#pragma once

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "frontends/cli/cli_options.h"

class CMainDlg;
namespace fw {
class NetStack;
}

namespace cli {

class Output;
class Session;

// The process's event loop on the real clock, for as long as the object lives.
class RealLoop {
public:
    RealLoop() { fw::SetMainLoop(&loop_); }
    ~RealLoop() { fw::SetMainLoop(nullptr); }
    RealLoop(const RealLoop&) = delete;
    RealLoop& operator=(const RealLoop&) = delete;

private:
    fw::SteadyClock clock_;
    fw::EventLoop loop_{clock_};
};

// A fleet run (several modems) runs each modem's command in a child process of its own.
int RunCommand(const CliOptions& options);

// The same against one modem on the event loop already installed, writing to `output`,
// with the window's sockets on `stack` (null: the operating system's); under --json the
// object follows on stdout. Tests run it on an in-memory network.
int RunCommandWith(const CliOptions& options, Output& output, bool stdin_is_terminal,
                   fw::NetStack* stack);

// The window run for the session: the log file opened, the command driven to its end.
int RunSession(Session& session, fw::NetStack* stack);

// The options that stand for controls, set in the window the way its own start-up sets
// the password box from setting.cfg (the interactive window shows only what a person may
// reach, so these cannot always be typed in). False if the window has no pages.
bool PresetWindow(CMainDlg& main, const CliOptions& options);

}  // namespace cli
