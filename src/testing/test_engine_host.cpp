#include "testing/test_engine_host.h"

#include "sequencer/sequencer.h"
#include "sequencer/sequencer_hooks.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/tftp_client.h"

namespace testhost {

EngineHostState& EngineHost() {
    static EngineHostState state;
    return state;
}

void ResetEngineHost() { EngineHost() = EngineHostState{}; }

}  // namespace testhost

using testhost::EngineHost;

void ReadModemAddress() { g_szModemAddress = EngineHost().address_box; }

void ReadPassword() { StorePassword(EngineHost().password_box); }

void ReadImagePath() {
    TftpClient* client = SequencerClient();
    if (client == nullptr) return;
    client->sourcePath = EngineHost().tab_index == 0 ? EngineHost().image_box
                                                     : EngineHost().restore_box;
    client->remoteName = "image";
}

void ReadConfigPackPath() {
    if (TftpClient* client = SequencerClient()) client->packFilePath = EngineHost().config_pack_box;
}

std::string ReadConfigDestinationText() { return EngineHost().config_pack_box.substr(0, 199); }

void ShowUpgradeStatusDialog() {
    ++EngineHost().upgrade_status_shown;
    if (EngineHost().while_upgrade_status) EngineHost().while_upgrade_status();
}

void ShowModemInfoDialog() {
    ++EngineHost().modem_info_shown;
    if (EngineHost().while_modem_info) EngineHost().while_modem_info();
}

bool ReadOtherFileRow(int row, std::string& source, std::string& destination) {
    if (row < 1 || row > 2 || !EngineHost().rows[row - 1].checked) return false;
    source = EngineHost().rows[row - 1].source;
    destination = EngineHost().rows[row - 1].destination;
    return true;
}

std::string ReadMacroFilePath() { return EngineHost().macro_box; }
