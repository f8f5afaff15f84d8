// The client's response timer (window timer 10): one-shot, with a kind that says what is
// awaited. 1 = the first answer to a request, 2 = the next data block after our ACK,
// 3 = the acknowledgement of our data block. StartResponseTimer, StopResponseTimer and
// IsResponseTimerRunning are declared for the engines in tftp/host_hooks.h.
#pragma once

inline constexpr int kResponseTimerId = 10;

// 0 when the timer is not running.
int ResponseTimerKind();
// The interval the timer was last started with, in ms.
int ResponseTimerInterval();

// The timer's expiry, as the event loop calls it.
void OnResponseTimer();
