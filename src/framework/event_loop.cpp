#include "framework/event_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <deque>
#include <optional>
#include <tuple>
#include <utility>

namespace fw {

namespace {

using Callback = std::shared_ptr<const std::function<void()>>;

// A watched descriptor: what to call when it is readable, and how to wait for it by reading.
struct Watched {
    Callback on_readable;
    EventLoop::WaitByReading wait_by_reading;
};

// Guards against a task that keeps posting itself: RunPending gives up after this many
// rounds instead of hanging the caller.
constexpr int kMaxPendingRounds = 100000;

int PollTimeout(Millis wait) {
    if (wait < 0) return -1;
    return wait > INT_MAX ? INT_MAX : static_cast<int>(wait);
}

}  // namespace

// One window timer. Its slot stays when the timer is killed and takes the next timer set,
// so that a timer set and killed for every datagram allocates nothing.
struct EventLoop::Timer {
    const void* window = nullptr;
    int id = 0;
    bool set = false;
    Millis interval = 0;
    Millis due = 0;
    std::uint64_t serial = 0;  // new for every SetTimer, so a replaced timer is recognised
    std::function<void()> callback;
};

struct EventLoop::Impl {
    using TimerKey = std::pair<const void*, int>;
    using DelayedKey = std::pair<Millis, std::uint64_t>;

    std::vector<Timer> timers;  // slots, set or free; a program has a handful of timers
    std::size_t timers_set = 0;
    std::map<int, Watched> fds;
    // The poll set of `fds`, made again only when the descriptors watched change. A loop
    // nested inside a descriptor's callback polls a set of its own, since the outer round
    // still reads this one.
    std::vector<pollfd> poll_set;
    bool poll_set_stale = true;
    int fd_rounds = 0;  // rounds of descriptor callbacks running
    std::deque<std::function<void()>> tasks;
    std::map<DelayedKey, std::function<void()>> delayed;
    std::uint64_t next_serial = 1;
    // Counts every callback run; a descriptor found ready before some other callback ran
    // is checked again, since that callback (or a nested loop) may have drained it.
    std::uint64_t dispatches = 0;
    // When DispatchReady last looked at the clock for timers and delayed tasks. No timer is
    // due before `earliest_timer`: a timer set again later leaves it early, and a look at the
    // timers (when it has passed, or before the loop waits) puts it right.
    Millis checked_at = 0;
    std::optional<Millis> earliest_timer;
    // The clock as read when the loop last woke or looked for due timers, and whether a
    // callback is running: the callbacks of a round take their time from it.
    Millis round_time = 0;
    int callbacks_running = 0;

    // Counts what is running (descriptor rounds, callbacks) while it runs.
    struct Running {
        int& count;
        explicit Running(int& c) : count(c) { ++count; }
        ~Running() { --count; }
    };

    // Runs one callback: a dispatch, and running while it runs.
    template <class F>
    void Run(F& callback) {
        ++dispatches;
        Running running(callbacks_running);
        callback();
    }

    bool IdleForGood() const {
        return timers_set == 0 && fds.empty() && tasks.empty() && delayed.empty();
    }

    Timer* FindTimer(const void* window, int id) {
        for (Timer& timer : timers) {
            if (timer.set && timer.window == window && timer.id == id) return &timer;
        }
        return nullptr;
    }

    // The slot for a timer about to be set: its own, or a free one, or a new one.
    Timer& SlotFor(const void* window, int id) {
        Timer* free_slot = nullptr;
        for (Timer& timer : timers) {
            if (timer.window == window && timer.id == id) return timer;
            if (!timer.set && free_slot == nullptr) free_slot = &timer;
        }
        if (free_slot != nullptr) return *free_slot;
        return timers.emplace_back();
    }

    void FindEarliestTimer() {
        earliest_timer.reset();
        for (const Timer& timer : timers) {
            if (timer.set && (!earliest_timer || timer.due < *earliest_timer)) {
                earliest_timer = timer.due;
            }
        }
    }

    // What is due next, right after a DispatchReady that ran nothing.
    std::optional<Millis> NextDue() const {
        std::optional<Millis> next = timers_set != 0 ? earliest_timer : std::nullopt;
        if (!delayed.empty() && (!next || delayed.begin()->first.first < *next)) {
            next = delayed.begin()->first.first;
        }
        return next;
    }

    bool RunTasks(const Clock& clock) {
        if (tasks.empty()) return false;
        round_time = clock.Now();
        // Only the tasks queued when the round began; tasks are taken one at a time so that
        // a nested loop started by one of them runs the rest in order.
        std::size_t n = tasks.size();
        bool did = false;
        for (std::size_t i = 0; i < n && !tasks.empty(); ++i) {
            std::function<void()> task = std::move(tasks.front());
            tasks.pop_front();
            Run(task);
            did = true;
        }
        return did;
    }

    bool RunDelayed(Millis now) {
        std::uint64_t limit = next_serial;  // what is posted while we run waits a round
        bool did = false;
        while (!delayed.empty()) {
            auto it = delayed.begin();
            if (it->first.first > now) break;
            if (it->first.second >= limit) {
                // Posted during this round with no delay: look past it for older ones.
                it = std::find_if(delayed.begin(), delayed.end(), [&](const auto& entry) {
                    return entry.first.first <= now && entry.first.second < limit;
                });
                if (it == delayed.end()) break;
            }
            std::function<void()> task = std::move(it->second);
            delayed.erase(it);
            Run(task);
            did = true;
        }
        return did;
    }

    bool FireTimers(const Clock& clock, Millis now) {
        if (earliest_timer && *earliest_timer > now) return false;
        // Mostly none is due: then the earliest due is all there is to know.
        FindEarliestTimer();
        if (!earliest_timer || *earliest_timer > now) return false;
        std::vector<std::tuple<Millis, std::uint64_t, TimerKey>> due;
        for (const Timer& timer : timers) {
            if (timer.set && timer.due <= now)
                due.emplace_back(timer.due, timer.serial, TimerKey{timer.window, timer.id});
        }
        std::sort(due.begin(), due.end());
        bool did = false;
        for (const auto& [when, serial, key] : due) {
            Timer* timer = FindTimer(key.first, key.second);
            // Killed or replaced by an earlier callback, or already fired by a nested loop.
            if (timer == nullptr || timer->serial != serial) continue;
            Millis fired_at = clock.Now();
            if (timer->due > fired_at) continue;
            timer->due = fired_at + timer->interval;
            // A copy: it survives KillTimer inside itself, and the slots may move meanwhile.
            std::function<void()> callback = timer->callback;
            round_time = fired_at;
            Run(callback);
            did = true;
        }
        return did;
    }

    bool DispatchReady(const Clock& clock) {
        bool did = !tasks.empty() && RunTasks(clock);
        if (delayed.empty() && timers_set == 0) return did;
        checked_at = clock.Now();
        round_time = checked_at;
        if (!delayed.empty() && delayed.begin()->first.first <= checked_at) {
            did |= RunDelayed(checked_at);
        }
        if (timers_set != 0) did |= FireTimers(clock, checked_at);
        return did;
    }

    static std::vector<pollfd> PollSetOf(const std::map<int, Watched>& watched) {
        std::vector<pollfd> set;
        set.reserve(watched.size());
        for (const auto& [fd, what] : watched) set.push_back(pollfd{fd, POLLIN, 0});
        return set;
    }

    // `began`: when the wait began, if the caller has just read the clock.
    bool PollFds(const Clock& clock, Millis wait, std::optional<Millis> began = std::nullopt) {
        if (fds.empty()) {
            if (wait > 0) ::poll(nullptr, 0, PollTimeout(wait));
            return false;
        }
        if (fds.size() == 1 && fds.begin()->second.wait_by_reading) {
            if (!WaitByReadingOnly(clock, wait, began)) return false;
            round_time = clock.Now();
            Running round(fd_rounds);
            Callback callback = fds.begin()->second.on_readable;
            Run(*callback);
            return true;
        }
        std::vector<pollfd> own;
        std::vector<pollfd>* set = &poll_set;
        if (fd_rounds > 0) {
            own = PollSetOf(fds);
            set = &own;
        } else if (poll_set_stale) {
            poll_set = PollSetOf(fds);
            poll_set_stale = false;
        }
        int rc = ::poll(set->data(), set->size(), PollTimeout(wait));
        if (rc <= 0) return false;
        round_time = clock.Now();
        Running round(fd_rounds);
        std::uint64_t mark = dispatches;
        bool did = false;
        for (const pollfd& p : *set) {
            if (p.revents == 0) continue;
            if (p.revents & POLLNVAL) {
                fds.erase(p.fd);  // closed without being unwatched: stop spinning on it
                poll_set_stale = true;
                continue;
            }
            if (dispatches != mark && !StillReadable(p.fd)) continue;
            auto it = fds.find(p.fd);
            if (it == fds.end()) continue;
            Callback callback = it->second.on_readable;
            Run(*callback);
            did = true;
        }
        return did;
    }

    // The one descriptor's own wait, for all of `wait`: a read's time-out may end a little
    // before it (the kernel counts it in ticks).
    bool WaitByReadingOnly(const Clock& clock, Millis wait, std::optional<Millis> began) {
        const EventLoop::WaitByReading& read_next = fds.begin()->second.wait_by_reading;
        if (wait <= 0) return read_next(wait) > 0;
        Millis deadline = (began ? *began : clock.Now()) + wait;
        for (Millis left = wait; left > 0; left = deadline - clock.Now()) {
            if (int got = read_next(left); got != 0) return got > 0;
        }
        return false;
    }

    static bool StillReadable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
    }
};

EventLoop::EventLoop(Clock& clock)
    : clock_(clock), manual_(clock.IsManual()), impl_(std::make_unique<Impl>()) {}

EventLoop::~EventLoop() = default;

void EventLoop::WatchFd(int fd, std::function<void()> on_readable,
                        WaitByReading wait_by_reading) {
    impl_->fds[fd] =
        Watched{std::make_shared<const std::function<void()>>(std::move(on_readable)),
                std::move(wait_by_reading)};
    impl_->poll_set_stale = true;
}

void EventLoop::UnwatchFd(int fd) {
    if (impl_->fds.erase(fd) != 0) impl_->poll_set_stale = true;
}

void EventLoop::SetTimer(const void* window, int id, Millis interval,
                         std::function<void()> callback) {
    Timer& timer = impl_->SlotFor(window, id);
    if (!timer.set) ++impl_->timers_set;
    timer.window = window;
    timer.id = id;
    timer.set = true;
    timer.interval = std::max(interval, kMinTimerInterval);
    timer.due = RoundTime() + timer.interval;
    timer.serial = impl_->next_serial++;
    timer.callback = std::move(callback);
    if (!impl_->earliest_timer || timer.due < *impl_->earliest_timer) {
        impl_->earliest_timer = timer.due;
    }
}

bool EventLoop::RestartTimer(const void* window, int id, Millis interval) {
    Timer* timer = impl_->FindTimer(window, id);
    if (timer == nullptr) return false;
    timer->interval = std::max(interval, kMinTimerInterval);
    timer->due = RoundTime() + timer->interval;
    timer->serial = impl_->next_serial++;
    return true;
}

Millis EventLoop::RoundTime() const {
    if (impl_->callbacks_running == 0 || manual_) return Now();
    return impl_->round_time;
}

void EventLoop::KillTimer(const void* window, int id) {
    Timer* timer = impl_->FindTimer(window, id);
    if (timer == nullptr) return;
    timer->set = false;
    timer->callback = nullptr;
    --impl_->timers_set;
}

bool EventLoop::IsTimerSet(const void* window, int id) const {
    return impl_->FindTimer(window, id) != nullptr;
}

std::size_t EventLoop::TimerCount() const {
    return impl_->timers_set;
}

void EventLoop::Post(std::function<void()> task) {
    impl_->tasks.push_back(std::move(task));
}

void EventLoop::PostDelayed(Millis delay, std::function<void()> task) {
    Millis due = Now() + std::max<Millis>(delay, 0);
    impl_->delayed.emplace(Impl::DelayedKey{due, impl_->next_serial++}, std::move(task));
}

bool EventLoop::RunOnce(Millis max_wait) {
    if (impl_->DispatchReady(clock_)) {
        impl_->PollFds(clock_, 0);
        return true;
    }
    if (impl_->IdleForGood()) return false;
    // The wait is for the timer really due next, not for one that has been set again since.
    impl_->FindEarliestTimer();
    std::optional<Millis> next = impl_->NextDue();
    // Nothing ran since DispatchReady looked at the clock (it does whenever something is due).
    Millis until = next ? std::max<Millis>(*next - impl_->checked_at, 0) : -1;

    if (!manual_) {
        Millis wait = max_wait;
        if (next) wait = wait < 0 ? until : std::min(wait, until);
        // DispatchReady read the clock just now if anything is timed.
        std::optional<Millis> began;
        if (impl_->timers_set != 0 || !impl_->delayed.empty()) began = impl_->checked_at;
        if (impl_->PollFds(clock_, wait, began)) {
            // Timers that fell due meanwhile fire at the start of the next round, as they
            // would had the descriptor been ready a moment later.
            if (!impl_->tasks.empty()) impl_->RunTasks(clock_);
            return true;
        }
        return impl_->DispatchReady(clock_);
    }

    // Manual clock: never sleep while loop time can simply be moved on.
    if (impl_->PollFds(clock_, 0)) return true;
    if (next && (max_wait < 0 || until <= max_wait)) {
        clock_.Advance(until);
        return impl_->DispatchReady(clock_);
    }
    // Nothing due within reach: only real descriptors can bring an event, in real time.
    if (!impl_->fds.empty() && impl_->PollFds(clock_, max_wait)) return true;
    if (max_wait > 0) clock_.Advance(max_wait);
    return false;
}

bool EventLoop::RunUntil(const std::function<bool()>& done, Millis timeout) {
    ++depth_;
    struct DepthGuard {
        int& depth;
        ~DepthGuard() { --depth; }
    } guard{depth_};
    Millis deadline = Now() + std::max<Millis>(timeout, 0);
    while (true) {
        if (done()) return true;
        Millis wait = -1;
        if (timeout >= 0) {
            wait = deadline - Now();
            if (wait <= 0) return false;
        }
        // An idle loop can never make done() true: stop instead of spinning.
        if (!RunOnce(wait) && impl_->IdleForGood()) return done();
    }
}

void EventLoop::RunFor(Millis duration) {
    Millis deadline = Now() + std::max<Millis>(duration, 0);
    while (Now() < deadline) {
        if (!RunOnce(deadline - Now()) && impl_->IdleForGood()) {
            SleepBlocking(deadline - Now());
            return;
        }
    }
}

void EventLoop::RunPending() {
    for (int round = 0; round < kMaxPendingRounds; ++round) {
        bool did = impl_->DispatchReady(clock_);
        did |= impl_->PollFds(clock_, 0);
        if (!did) return;
    }
}

void EventLoop::SleepBlocking(Millis ms) {
    if (ms <= 0) return;
    if (clock_.IsManual()) {
        clock_.Advance(ms);
        return;
    }
    Millis deadline = Now() + ms;
    for (Millis left = ms; left > 0; left = deadline - Now()) {
        timespec ts{static_cast<time_t>(left / 1000), static_cast<long>(left % 1000) * 1000000L};
        ::nanosleep(&ts, nullptr);  // EINTR: the loop sleeps what is left
    }
    impl_->round_time = Now();
}

namespace {
EventLoop* g_main_loop = nullptr;

EventLoop& DefaultLoop() {
    // Never destroyed: sockets owned by static objects may unwatch during exit.
    static EventLoop* loop = new EventLoop(*new SteadyClock);
    return *loop;
}
}  // namespace

EventLoop& MainLoop() {
    return g_main_loop ? *g_main_loop : DefaultLoop();
}

void SetMainLoop(EventLoop* loop) {
    g_main_loop = loop;
}

}  // namespace fw
