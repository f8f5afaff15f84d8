// The server timer: window timer 11 of the main window, guarding the TftpServer's waits for
// its peer. StartServerTimer, StopServerTimer and IsServerTimerRunning are declared with the
// engines' other upward calls in tftp/host_hooks.h; this header adds the wiring.
#pragma once

class TftpServer;

constexpr int kServerTimerId = 11;

// The server whose Retransmit the timer runs, and the window the timer is set on (the main
// dialog; null: a window of the timer's own). The application calls it once at start-up and
// with null before the server goes away.
void AttachServerTimer(TftpServer* server, const void* window = nullptr);

// The timer's expiry. Only TimerKind::kBlockAck acts; Retransmit stops the timer first, so each start
// fires at most once.
void OnServerTimer();
