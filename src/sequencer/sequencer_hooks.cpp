// The Sequencer's upward calls, passed on to the registered host.
#include "sequencer/sequencer_hooks.h"

namespace {

SequencerHost* g_pSequencerHost = nullptr;

}  // namespace

void SetSequencerHost(SequencerHost* host) {
    g_pSequencerHost = host;
    SetEngineHost(host);
}

void ReadModemAddress() {
    if (g_pSequencerHost) g_pSequencerHost->ReadModemAddress();
}
void ReadPassword() {
    if (g_pSequencerHost) g_pSequencerHost->ReadPassword();
}
void ReadImagePath() {
    if (g_pSequencerHost) g_pSequencerHost->ReadImagePath();
}

void ShowUpgradeStatusDialog() {
    if (g_pSequencerHost) g_pSequencerHost->ShowUpgradeStatusDialog();
}
void ShowModemInfoDialog() {
    if (g_pSequencerHost) g_pSequencerHost->ShowModemInfoDialog();
}

std::string ReadConfigDestinationText() {
    return g_pSequencerHost ? g_pSequencerHost->ReadConfigDestinationText() : std::string();
}

bool ReadOtherFileRow(int row, std::string& source, std::string& destination) {
    return g_pSequencerHost && g_pSequencerHost->ReadOtherFileRow(row, source, destination);
}
std::string ReadMacroFilePath() {
    return g_pSequencerHost ? g_pSequencerHost->ReadMacroFilePath() : std::string();
}
