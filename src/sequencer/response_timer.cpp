#include "sequencer/response_timer.h"

#include "framework/desktop.h"
#include "framework/event_loop.h"
#include "sequencer/sequencer.h"
#include "sequencer/sequencer_hooks.h"
#include "tftp/client_texts.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"
#include "tftp/tftp_client.h"

namespace {

TimerKind g_responseTimerKind = TimerKind::kNone;
int g_nResponseTimerInterval = 0;
// The window the timer is set on; the main window owns it, one per process.
const char g_responseTimerWindow = 0;

void Stop() {
    g_responseTimerKind = TimerKind::kNone;
    fw::MainLoop().KillTimer(&g_responseTimerWindow, kResponseTimerId);
}

// One retransmission more is spent. Only 0 counts as used up, so a negative budget (a
// negative "Retry:" text) never runs out.
bool SpendRetry(TftpClient& client) {
    if (client.retryBudget == 0) return false;
    if (client.retryBudget > 0) --client.retryBudget;
    return true;
}

void GiveUp(TftpClient& client, const char* message, bool reset_progress) {
    client.AbandonTransfer();
    std::string shown = StopText(message);
    EngineMessageBox(shown, fw::MB_ICONSTOP);
    if (reset_progress) ResetProgress(1);
    TheRunObserver().NoteStopped(shown);
}

void NoRequestAnswer(TftpClient& client) {
    if (SpendRetry(client)) {
        client.RetryUnansweredRequest();
        return;
    }
    GiveUp(client, kNoResponseText, true);
}

void NoNextBlock(TftpClient& client) {
    if (SpendRetry(client)) {
        client.SendAck();
        return;
    }
    GiveUp(client, kAckNoResponseText, false);
}

void NoAck(TftpClient& client) {
    if (SpendRetry(client)) {
        client.SendBlockOrStop();
        return;
    }
    // Asked while the bracket is open, the question says what Cancel leaves behind.
    std::string question = StopText(kNoAckRetryText);
    int answer = EngineMessageBox(question, fw::MB_RETRYCANCEL);
    if (answer == fw::IDRETRY) {
        client.SendBlockOrStop();
        return;
    }
    // Given up like any other time-out: a configuration pack being received is discarded.
    client.AbandonTransfer();
    ResetProgress(1);
    TheRunObserver().NoteStopped(question);
}

}  // namespace

void SequencerHost::StartResponseTimer(int ms, TimerKind kind) {
    g_responseTimerKind = kind;
    g_nResponseTimerInterval = ms < 0 ? 0 : ms;
    // Set again for every block: the timer already set keeps its callback.
    fw::EventLoop& loop = fw::MainLoop();
    if (!loop.RestartTimer(&g_responseTimerWindow, kResponseTimerId, g_nResponseTimerInterval)) {
        loop.SetTimer(&g_responseTimerWindow, kResponseTimerId, g_nResponseTimerInterval,
                      OnResponseTimer);
    }
}

void SequencerHost::StopResponseTimer() { Stop(); }

bool SequencerHost::IsResponseTimerRunning() { return g_responseTimerKind != TimerKind::kNone; }

TimerKind ResponseTimerKind() { return g_responseTimerKind; }
int ResponseTimerInterval() { return g_nResponseTimerInterval; }

void OnResponseTimer() {
    TimerKind kind = g_responseTimerKind;
    TftpClient* client = SequencerClient();
    if (kind == TimerKind::kNone) return;
    Stop();
    if (client == nullptr) return;
    TheRunObserver().NoteExpiry();
    switch (kind) {
        case TimerKind::kFirstAnswer:
            NoRequestAnswer(*client);
            break;
        case TimerKind::kNextBlock:
            NoNextBlock(*client);
            break;
        case TimerKind::kBlockAck:
            NoAck(*client);
            break;
        case TimerKind::kNone:
            break;
    }
}
