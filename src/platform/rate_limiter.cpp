// The rate limiter's clock and period checks.
#include "rate_limiter.h"

#include <chrono>

namespace druvex {

int64_t steady_time_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RateLimiter::reset() {
    first = true;
    last_ns = steady_time_ns();
}

bool RateLimiter::ready() {
    const int64_t now = steady_time_ns();
    if (first) {
        first = false;
        last_ns = now;
        return true;
    }
    if (period > static_cast<float>(now - last_ns) / 1e9f) return false;
    last_ns = now;
    return true;
}

}  // namespace druvex
