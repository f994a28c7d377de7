// Fixed-window statistics: the reductions over recent samples.
#include "statistic.h"

namespace druvex {

float mean_of(const float* values, size_t count) {
    if (count == 0) return 0.0f;
    float sum = 0.0f;
    for (size_t i = 0; i < count; ++i) sum += values[i];
    return sum / static_cast<float>(count);
}

float min_of(const float* values, size_t count) {
    if (count == 0) return 0.0f;
    float m = values[0];
    for (size_t i = 1; i < count; ++i) m = values[i] < m ? values[i] : m;
    return m;
}

float max_of(const float* values, size_t count) {
    if (count == 0) return 0.0f;
    float m = values[0];
    for (size_t i = 1; i < count; ++i) m = values[i] > m ? values[i] : m;
    return m;
}

uint32_t mean_of_u32(const uint32_t* values, size_t count) {
    if (count == 0) return 0;
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum += values[i];
    return sum / static_cast<uint32_t>(count);
}

RollingStatistic::RollingStatistic(float initial, Function fn) : statistic(std::move(fn)) {
    for (float& v : values) v = initial;
}

}  // namespace druvex
