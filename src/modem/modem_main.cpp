// sperrow-modem: the simulated modem as a program, on the machine's real UDP sockets.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/net.h"
#include "modem/data_dir.h"
#include "modem/modem_options.h"
#include "modem/simulated_modem.h"

// The data folder of an installation, from the program's folder, and of the source tree.
#ifndef SPERROW_MODEM_INSTALLED_DATA
#define SPERROW_MODEM_INSTALLED_DATA "../share/sperrow/modem"
#endif
#ifndef SPERROW_MODEM_SOURCE_DATA
#define SPERROW_MODEM_SOURCE_DATA ""
#endif

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

void CatchSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a signal ends the wait in poll() at once
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    std::string data_dir = modem::FindDataDir(modem::RunningProgram(), SPERROW_MODEM_INSTALLED_DATA,
                                              SPERROW_MODEM_SOURCE_DATA);
    auto parsed = modem::ParseModemCommandLine(argc, argv, data_dir);
    if (!parsed.options) {
        std::cout << parsed.out << std::flush;
        std::cerr << parsed.err << std::flush;
        return parsed.exit_code;
    }
    const modem::ModemOptions& options = *parsed.options;

    fw::SteadyClock clock;
    fw::EventLoop loop(clock);
    fw::SetMainLoop(&loop);
    CatchSignals();

    int rc = 0;
    {
        modem::SimulatedModem modem(fw::RealNet(), options.config);
        modem.SetFaults(options.faults);
        if (!options.quiet) {
            modem.SetLogSink([](const std::string& line) {
                std::printf("%s\n", line.c_str());
                std::fflush(stdout);
            });
        }
        std::string error;
        if (!modem.Start(&error)) {
            std::fprintf(stderr, "sperrow-modem: %s\n", error.c_str());
            rc = 1;
        } else {
            std::error_code ec;
            if (!std::filesystem::is_directory(options.config.data_dir, ec)) {
                std::fprintf(stderr, "sperrow-modem: warning: no data directory %s\n",
                             options.config.data_dir.c_str());
            }
            // Always printed, even with -q: scripts read the port from it.
            std::printf("sperrow-modem listening on %s:%u, serving %s\n",
                        fw::FormatIp(options.config.listen_addr).c_str(), modem.ListenPort(),
                        options.config.data_dir.c_str());
            std::fflush(stdout);
            // Bounded waits, so that a signal arriving between two checks is still seen.
            while (!g_stop) loop.RunOnce(200);
        }
    }
    fw::SetMainLoop(nullptr);
    return rc;
}
