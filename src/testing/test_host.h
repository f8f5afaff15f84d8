// A stand-in for the application, for engine tests: a host (sequencer/sequencer_hooks.h)
// that answers the upward calls of the engines and of the Sequencer over plain variables
// that a test sets and inspects, instead of over the main window's controls. ResetHost and
// ResetEngineHost (test_engine_host.h) give the variables their first values and register
// the host.
#pragma once

#include <string>
#include <vector>

class TftpServer;

namespace testhost {

struct HostState {
    // Displays.
    bool log_enabled = true;
    std::vector<std::string> log;
    int progress_upper = 0;  // range 0..progress_upper
    int progress_pos = 0;
    int activity_icon = 134;
    std::string activity_text = "Server\nActivity";

    // The boxes the accessors read, as text, converted the way the accessors convert them.
    std::string retry_text = "3";
    std::string timeout_text = "3";
    std::string delay_text = "0";
    bool criteria_skipped = false;
    bool server_read_enabled = true;
    bool server_write_enabled = false;
    std::string server_root = ".";
};

HostState& Host();
void ResetHost();

// The server whose root ReadServerRootPath() sets from HostState::server_root, as the
// application copies the File Path box into its own; null: none.
void SetServerUnderTest(TftpServer* server);

}  // namespace testhost
