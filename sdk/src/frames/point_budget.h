// The points all frames hold together: raw and image points pending or
// waiting for delivery. Each frame is capped on its own, but anyone on the
// network can become a sensor, so the sum needs a bound of its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/sensor_error.h"

namespace druvex_sdk {

class PointBudget {
public:
    // Six sensors of 200,000 samples a second with two returns fill ten-second
    // frames with 36 million points; this leaves them room (1.3 GB of points).
    static constexpr size_t max_points = (size_t(1) << 25) + (size_t(1) << 23);

    static PointBudget& instance();

    // Takes room for n points. When they do not fit they are counted as
    // dropped; the first drop since the last clear gives an error to report,
    // later ones succeed silently.
    SensorError take(size_t n, bool& taken);
    void give_back(size_t n) { held_.fetch_sub(n, std::memory_order_relaxed); }

    size_t held() const { return held_.load(std::memory_order_relaxed); }
    // Points dropped for want of room since the program started.
    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }
    // After a clear, the next drop is reported again.
    void rearm_report() { reported_.store(false); }
    // Lowers (or restores) the bound, for tests.
    void set_limit(size_t points) { limit_.store(points); }

private:
    std::atomic<size_t> held_{0};
    std::atomic<size_t> limit_{max_points};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<bool> reported_{false};
};

}  // namespace druvex_sdk
