#include "frontends/cli/signals.h"

#include <csignal>

namespace cli {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signal_number) {
    if (g_stopSignal == 0) g_stopSignal = signal_number;
}

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

int StopSignal() {
    return g_stopSignal;
}

int ExitStatusForSignal(int signal_number) {
    return 128 + signal_number;
}

}  // namespace cli
