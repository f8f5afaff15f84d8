#include "framework/clock.h"

#include <chrono>

namespace fw {

Millis SteadyClock::Now() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace fw
