// Time as the event loop sees it: the real monotonic clock, or a manual clock that tests
// move forward instantly.
#pragma once

#include <cstdint>

namespace fw {

using Millis = std::int64_t;

class Clock {
public:
    virtual ~Clock() = default;
    virtual Millis Now() const = 0;
    // A manual clock never waits: the event loop jumps it to the next due timer instead.
    virtual bool IsManual() const { return false; }
    // Only meaningful on a manual clock; the real clock ignores it.
    virtual void Advance(Millis) {}
};

class SteadyClock : public Clock {
public:
    Millis Now() const override;
};

class ManualClock : public Clock {
public:
    explicit ManualClock(Millis start = 0) : now_(start) {}
    Millis Now() const override { return now_; }
    bool IsManual() const override { return true; }
    void Advance(Millis ms) override { now_ += ms; }

private:
    Millis now_;
};

}  // namespace fw
