// The application as the host of the engines and the Sequencer: every upward call answered
// over the main window's controls, through g_pMainDlg. Before the window exists (or when it
// opened without its pages) the accessors leave their targets alone and answer as an empty
// box would, and the displays show nothing. Defined in accessors.cpp, displays.cpp and
// final_dialogs.cpp.
#pragma once

#include <string>

#include "sequencer/sequencer_hooks.h"

class MainWindowHost final : public SequencerHost {
public:
    // The accessors.
    void ReadConfigPackPath() override;
    void ReadServerRootPath() override;
    int GetRetryCount() override;
    int GetTimeoutSeconds() override;
    int GetBroadcastDelay() override;
    bool IsCriteriaFileSkipped() override;
    bool IsServerReadEnabled() override;
    bool IsServerWriteEnabled() override;
    void ReadModemAddress() override;
    void ReadPassword() override;
    void ReadImagePath() override;
    std::string ReadConfigDestinationText() override;
    bool ReadOtherFileRow(int row, std::string& source, std::string& destination) override;
    std::string ReadMacroFilePath() override;

    // The displays.
    void LogMessage(const char* text) override;
    bool IsLogEnabled() override;
    void ResetProgress(int n) override;
    void StepProgress() override;
    void SetServerActivityOn(const char* text) override;
    void SetServerActivityOff(const char* text) override;

    // The final dialogs.
    void ShowUpgradeStatusDialog() override;
    void ShowModemInfoDialog() override;
};

// Registers the process's one MainWindowHost (SetSequencerHost); every main window does so
// when it is made.
void RegisterMainWindowHost();
