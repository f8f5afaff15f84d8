// The client's response timer (window timer 10): one-shot, with a kind that says what is
// awaited (TimerKind). StartResponseTimer, StopResponseTimer and IsResponseTimerRunning are
// declared for the engines in tftp/host_hooks.h.
#pragma once

#include "tftp/host_hooks.h"

inline constexpr int kResponseTimerId = 10;

// kNone when the timer is not running.
TimerKind ResponseTimerKind();
// The interval the timer was last started with, in ms.
int ResponseTimerInterval();

// The timer's expiry, as the event loop calls it.
void OnResponseTimer();
