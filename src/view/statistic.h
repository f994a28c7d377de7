// Small fixed-window statistics for frame rates, fields of view and extents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace druvex {

float mean_of(const float* values, size_t count);
float min_of(const float* values, size_t count);
float max_of(const float* values, size_t count);
uint32_t mean_of_u32(const uint32_t* values, size_t count);

// The reduction of the last three samples.
template <typename T>
class Statistic {
public:
    using Reduce = std::function<T(const T*, size_t)>;
    static constexpr size_t window_size = 3;

    Statistic(T initial, Reduce reduce_fn) : reduce(std::move(reduce_fn)) { fill(initial); }

    void add(T sample) {
        samples[index] = sample;
        index = (index + 1) % window_size;
    }
    T value() const { return reduce(samples, window_size); }
    void fill(T v) {
        for (T& s : samples) s = v;
        index = 0;
    }

    Reduce reduce;
    T samples[window_size];
    size_t index = 0;
};

// The statistic of the last sixteen values.
class RollingStatistic {
public:
    using Function = std::function<float(const float*, size_t)>;
    static constexpr size_t window_size = 16;

    RollingStatistic(float initial, Function fn);

    void add(float v) {
        values[next] = v;
        next = (next + 1) & (window_size - 1);
    }
    float value() const { return statistic(values, window_size); }

    Function statistic;
    float values[window_size];
    size_t next = 0;
};

}  // namespace druvex
