// Microsecond clock arithmetic on values that packets set: wraps or saturates
// instead of overflowing, so hostile timestamps stay defined behaviour.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>

namespace druvex_sdk {

inline int64_t wrapping_add(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

inline int64_t wrapping_sub(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

inline int64_t saturating_add(int64_t a, int64_t b) {
    int64_t sum;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

// Host time of arrival: microseconds since 1970, as packets are stamped.
inline int64_t host_time_usec() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace druvex_sdk
