#include "sequencer/server_timer.h"

#include "framework/event_loop.h"
#include "tftp/host_hooks.h"
#include "tftp/tftp_server.h"

namespace {

int g_nServerTimerKind = 0;
TftpServer* g_pServer = nullptr;
const void* g_pTimerWindow = nullptr;
const char g_cOwnWindow = 0;

const void* TimerWindow() { return g_pTimerWindow ? g_pTimerWindow : &g_cOwnWindow; }

}  // namespace

void AttachServerTimer(TftpServer* server, const void* window) {
    if (g_nServerTimerKind != 0) StopServerTimer();
    g_pServer = server;
    g_pTimerWindow = window;
}

void StartServerTimer(int ms, int kind) {
    g_nServerTimerKind = kind;
    fw::MainLoop().SetTimer(TimerWindow(), kServerTimerId, ms < 0 ? 0 : ms, [] { OnServerTimer(); });
}

void StopServerTimer() {
    g_nServerTimerKind = 0;
    fw::MainLoop().KillTimer(TimerWindow(), kServerTimerId);
}

bool IsServerTimerRunning() { return g_nServerTimerKind != 0; }

void OnServerTimer() {
    if (g_nServerTimerKind == 3 && g_pServer != nullptr) g_pServer->Retransmit();
}
