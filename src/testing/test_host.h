// A stand-in for the application, for engine tests: it defines the upward calls of the
// engines (tftp/host_hooks.h and the Sequencer's) over plain variables that a test sets and
// inspects, instead of over the main window's controls.
#pragma once

#include <string>
#include <vector>

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

// Leading blanks, an optional sign, then digits up to the first non-digit; 0 without digits.
int TextToInt(const std::string& text);

}  // namespace testhost
