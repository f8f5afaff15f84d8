// The Sequencer's share of the test host (test_host.h): what its upward calls
// (sequencer/sequencer_hooks.h) and the accessors that set the client's paths answer, as
// plain variables that a test sets and inspects.
#pragma once

#include <functional>
#include <string>

namespace testhost {

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
// First values, and the test host registered.
void ResetEngineHost();

}  // namespace testhost
