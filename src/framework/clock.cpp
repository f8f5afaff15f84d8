#include "framework/clock.h"

#include <ctime>

namespace fw {

// Read for every datagram: straight from the monotonic clock, which is what
// std::chrono::steady_clock reads too.
Millis SteadyClock::Now() const {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Millis>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace fw
