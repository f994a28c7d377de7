// Small numeric helpers: angle conversions and squares.
#pragma once

#include <cstddef>

namespace druvex {

constexpr float pi_float = 3.1415927f;

inline float degrees_to_radians(float x) { return x * pi_float / 180.0f; }
inline float radians_to_degrees(float x) { return x * 180.0f / pi_float; }
inline float square(float x) { return x * x; }

inline float sum_of_squares(const float* values, size_t n) {
    float sum = 0.0f;
    for (size_t i = 0; i < n; ++i) sum += values[i] * values[i];
    return sum;
}

}  // namespace druvex
