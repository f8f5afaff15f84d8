// The one message loop of the program: descriptors watched with poll(), window timers
// keyed by (window, id), posted tasks, and nested loops for modal dialogs and message
// boxes, inside which socket notifications and timers keep arriving.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "framework/clock.h"

namespace fw {

class EventLoop {
public:
    static constexpr Millis kMinTimerInterval = 10;

    explicit EventLoop(Clock& clock);
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    Clock& clock() { return clock_; }
    Millis Now() const { return clock_.Now(); }
    // Now, as far as the callbacks of a round need it: the time the loop read when it woke
    // for them (the clock itself outside callbacks and on a manual clock).
    Millis RoundTime() const;

    // Descriptors (real sockets, the terminal). The callback runs when fd is readable.
    // `wait_by_reading`, if given, waits up to its argument in ms (-1: without limit, 0: not
    // at all) by reading the descriptor's next datagram and keeping it for the callback: 1
    // when it kept one, 0 when the time ran out (perhaps a little early), -1 when a signal
    // ended the wait. When that descriptor is the only one watched, the loop waits through
    // it: one system call a round, where poll() and then a read are two.
    using WaitByReading = std::function<int(Millis)>;
    void WatchFd(int fd, std::function<void()> on_readable, WaitByReading wait_by_reading = {});
    void UnwatchFd(int fd);

    // Window timers with SetTimer/KillTimer semantics: the callback fires every `interval`
    // until killed; setting a timer that is already set replaces it (interval and callback).
    // Intervals below kMinTimerInterval are raised to it, as the window system did, so that
    // a zero interval cannot starve the loop.
    void SetTimer(const void* window, int id, Millis interval, std::function<void()> callback);
    // Sets a timer that is set already again, from now and with this interval, keeping its
    // callback (nothing is allocated). False, and nothing done, when it is not set.
    bool RestartTimer(const void* window, int id, Millis interval);
    void KillTimer(const void* window, int id);
    bool IsTimerSet(const void* window, int id) const;
    std::size_t TimerCount() const;

    // Work to run on the loop soon, in FIFO order (in-memory socket notifications use it).
    void Post(std::function<void()> task);
    // Work to run once, `delay` ms of loop time from now (in-memory deliveries that take
    // time). A manual clock is jumped to it like to a timer. Not a window timer: it is not
    // counted by TimerCount() and cannot be killed.
    void PostDelayed(Millis delay, std::function<void()> task);

    // One round of dispatch. Runs posted tasks, ready descriptors and due timers. When
    // nothing is ready it waits at most `max_wait` ms (-1: until something happens); on a
    // manual clock it jumps the clock to the next due timer instead, never past max_wait.
    // Returns false when nothing was dispatched and nothing could ever be (no timers, no
    // descriptors, no tasks) or the wait ended without any event.
    bool RunOnce(Millis max_wait = -1);

    // A nested loop: dispatch until done() is true. Returns false if `timeout` ms passed
    // first (-1: no limit) or the loop went idle for good. Re-entrant: a callback may
    // itself run a nested loop.
    bool RunUntil(const std::function<bool()>& done, Millis timeout = -1);

    // Dispatch for `duration` ms of loop time (instant on a manual clock).
    void RunFor(Millis duration);

    // Dispatch everything that is ready now without waiting or moving a manual clock.
    void RunPending();

    // The blocking sleep of the design (the broadcast delay): nothing is dispatched while
    // it lasts. A manual clock is simply moved forward.
    void SleepBlocking(Millis ms);

    // How deeply nested the running loops are (0 outside any RunUntil).
    int Depth() const { return depth_; }

private:
    struct Timer;
    struct Impl;
    Clock& clock_;
    bool manual_;
    std::unique_ptr<Impl> impl_;
    int depth_ = 0;
};

// The process's loop. Everything above the framework reaches it through these.
EventLoop& MainLoop();
void SetMainLoop(EventLoop* loop);

}  // namespace fw
