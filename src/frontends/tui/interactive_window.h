// The program's window on a terminal: what `sperrow` with no command (and `sperrow tui`)
// runs. Takes over the terminal on stdin and stdout, runs the main window with the given
// start options until it ends, gives the terminal back and returns the exit status:
// 0 when the window was closed ("E&xit", Enter or Esc), 1 when the person quit anyway while
// a run was in progress, 130 after Ctrl+C or SIGINT, 143 after SIGTERM, 129 after SIGHUP,
// 2 when there is no terminal to take over.
#pragma once

#include "app/start_options.h"

namespace tui {

int RunInteractiveWindow(const StartOptions& options);

}  // namespace tui
