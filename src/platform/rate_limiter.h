// Lets periodic work run at most once per period from a busy loop.
#pragma once

#include <cstdint>

namespace druvex {

class RateLimiter {
public:
    explicit RateLimiter(float period_seconds = 1.0f) : period(period_seconds) { reset(); }

    void reset();
    // True on the first call after reset, then whenever the period has elapsed
    // since the last call that returned true.
    bool ready();

    bool first = true;
    float period;
    int64_t last_ns = 0;
};

// Steady-clock time in nanoseconds.
int64_t steady_time_ns();

}  // namespace druvex
