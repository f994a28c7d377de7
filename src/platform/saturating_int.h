// Integer conversions and arithmetic that clamp instead of overflowing.
#pragma once

#include <climits>
#include <cmath>

namespace druvex {

// Float-to-int conversions that stay defined for NaN and for values an int
// cannot hold (a camera level with the ground, an empty viewport): NaN gives
// INT_MIN, everything else is clamped to the int range.
inline int saturating_trunc(double v) {
    if (std::isnan(v) || v <= double(INT_MIN)) return INT_MIN;
    if (v >= double(INT_MAX)) return INT_MAX;
    return static_cast<int>(v);
}

inline int saturating_round(double v) { return saturating_trunc(std::round(v)); }

}  // namespace druvex
