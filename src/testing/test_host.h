// A stand-in for the application, for engine tests: a host (sequencer/sequencer_hooks.h)
// that answers the upward calls of the engines and of the Sequencer over plain variables
// that a test sets and inspects, instead of over the main window's controls: HostState for
// the engines, EngineHostState for the Sequencer and the accessors that set the client's
// paths. ResetHost and ResetEngineHost give them their first values and register the host.
#pragma once

#include <functional>
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

struct FileRow {
    bool checked = false;
    std::string source;
    std::string destination;
};

struct EngineHostState {
    std::string address_box = "10.0.0.2";  // the main window's address control
    std::string password_box;
    int tab_index = 0;              // 0: the upgrade page's image box; else the restore box
    std::string image_box;          // 1015
    std::string restore_box;        // 1055
    std::string config_pack_box = "config.pack";  // 1058
    FileRow rows[2];
    std::string macro_box;

    // The final dialogs: how often each was shown, and what a test lets happen while it is
    // open (run the loop until the modem reports, say).
    int upgrade_status_shown = 0;
    int modem_info_shown = 0;
    std::function<void()> while_upgrade_status;
    std::function<void()> while_modem_info;
};

EngineHostState& EngineHost();
void ResetEngineHost();

// The server whose root ReadServerRootPath() sets from HostState::server_root, as the
// application copies the File Path box into its own; null: none.
void SetServerUnderTest(TftpServer* server);

}  // namespace testhost
