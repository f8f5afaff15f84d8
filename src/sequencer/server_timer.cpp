#include "sequencer/server_timer.h"

#include "framework/event_loop.h"
#include "sequencer/sequencer_hooks.h"
#include "tftp/tftp_server.h"

namespace {

TimerKind g_serverTimerKind = TimerKind::kNone;
TftpServer* g_pServer = nullptr;
const void* g_pTimerWindow = nullptr;
const char g_cOwnWindow = 0;

const void* TimerWindow() { return g_pTimerWindow ? g_pTimerWindow : &g_cOwnWindow; }

void Stop() {
    g_serverTimerKind = TimerKind::kNone;
    fw::MainLoop().KillTimer(TimerWindow(), kServerTimerId);
}

}  // namespace

void AttachServerTimer(TftpServer* server, const void* window) {
    if (g_serverTimerKind != TimerKind::kNone) Stop();
    g_pServer = server;
    g_pTimerWindow = window;
}

void SequencerHost::StartServerTimer(int ms, TimerKind kind) {
    g_serverTimerKind = kind;
    fw::MainLoop().SetTimer(TimerWindow(), kServerTimerId, ms < 0 ? 0 : ms, [] { OnServerTimer(); });
}

void SequencerHost::StopServerTimer() { Stop(); }

bool SequencerHost::IsServerTimerRunning() { return g_serverTimerKind != TimerKind::kNone; }

void OnServerTimer() {
    if (g_serverTimerKind == TimerKind::kBlockAck && g_pServer != nullptr) g_pServer->Retransmit();
}
