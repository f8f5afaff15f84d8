// SIGINT and SIGTERM end a command in good order: the handlers only note the signal, and
// the command's waits, which never block for long, see the note and wind the window down
// (files closed, sockets closed) before the process exits. SIGPIPE is ignored, so that a
// reader that went away makes writes fail instead of killing the process midway.
#pragma once

namespace cli {

// Installs the handlers (without SA_RESTART, so a wait in poll() or read() ends at once).
void CatchStopSignals();
// The signal that arrived first, or 0.
int StopSignal();
// The exit status for a signal: 128 + its number (130 for SIGINT, 143 for SIGTERM).
int ExitStatusForSignal(int signal_number);

}  // namespace cli
