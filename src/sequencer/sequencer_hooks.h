// The host of the engines and the Sequencer. The Sequencer and its timers answer the
// engines' calls for the steps and the timers themselves (the final methods below); what
// the Sequencer calls above itself (the main window's accessors, the final dialogs, the
// boxes of the page that built the plan) and the accessors and displays of
// tftp/host_hooks.h are left to the application (app/), or to the test host in engine tests
// (src/testing/). The free functions below pass each call on to the registered host; before
// any is registered they do nothing and answer as an empty box would.
#pragma once

#include <string>

#include "tftp/host_hooks.h"

class SequencerHost : public EngineHost {
public:
    // The Sequencer's own answers (sequencer.cpp, response_timer.cpp, server_timer.cpp).
    void RunSequencer() final;
    void PushPriorityStep(int code) final;
    void StartResponseTimer(int ms, TimerKind kind) final;
    void StopResponseTimer() final;
    bool IsResponseTimerRunning() final;
    void StartServerTimer(int ms, TimerKind kind) final;
    void StopServerTimer() final;
    bool IsServerTimerRunning() final;

    // What the Sequencer calls above itself; the free functions carry the same names.
    virtual void ReadModemAddress() = 0;
    virtual void ReadPassword() = 0;
    virtual void ReadImagePath() = 0;
    virtual void ShowUpgradeStatusDialog() = 0;
    virtual void ShowModemInfoDialog() = 0;
    virtual std::string ReadConfigDestinationText() = 0;
    virtual bool ReadOtherFileRow(int row, std::string& source, std::string& destination) = 0;
    virtual std::string ReadMacroFilePath() = 0;

protected:
    ~SequencerHost() = default;
};

// The host of the Sequencer's calls and of the engines' (SetEngineHost) from now on; the
// application registers its own when the main window is made. Null: none.
void SetSequencerHost(SequencerHost* host);

// g_szModemAddress from the main window's address control.
void ReadModemAddress();
// g_szPassword from the password box (StorePassword keeps its first 29 characters).
void ReadPassword();
// The client's sourcePath (the image box of the page the tab control selects) and its
// remoteName ("image").
void ReadImagePath();

// The final dialogs, shown modally: each returns when the user has closed it.
void ShowUpgradeStatusDialog();
void ShowModemInfoDialog();

// The configuration page's "Destination Pack File" box, as text.
std::string ReadConfigDestinationText();

// The "Other File" row 1 or 2 of the page whose button built the plan: its source path and
// its destination name on the modem. False when there is no such row to send.
bool ReadOtherFileRow(int row, std::string& source, std::string& destination);
// The macro file of that page; empty when there is none.
std::string ReadMacroFilePath();
