// The Sequencer: performs the steps of a plan one after another. A step either starts one
// transfer on the client and returns (the client calls RunSequencer again when it ends),
// or acts at once and takes the next code, or shows a final dialog or message.
// RunSequencer() (tftp/host_hooks.h) pops and performs codes until a step waits for a
// transfer or the run is over.
#pragma once

#include <initializer_list>

#include "tftp/host_hooks.h"

class TftpClient;

// The client the steps drive; the main window attaches its own at start-up.
void AttachSequencerClient(TftpClient* client);
TftpClient* SequencerClient();

// What every page button does: reset both rings, push the plan's codes, run the Sequencer.
void StartPlan(std::initializer_list<int> codes);

inline constexpr const char* kDownloadDoneText =
    "Download Success!\nUpdate progress will take about 20 seconds.\nYou should reboot ADSL to "
    "take effect!";
inline constexpr const char* kConfigSavedFormat =
    "Get configuration done!\nConfiguration file now saved on host:    \n%s\n";
