// The bound on the points of all frames together.
#include "point_budget.h"

#include <string>

namespace druvex_sdk {

PointBudget& PointBudget::instance() {
    static PointBudget budget;
    return budget;
}

SensorError PointBudget::take(size_t n, bool& taken) {
    const size_t limit = limit_.load();
    size_t held = held_.load(std::memory_order_relaxed);
    do {
        taken = held <= limit && n <= limit - held;
        if (!taken) break;
    } while (!held_.compare_exchange_weak(held, held + n, std::memory_order_relaxed));
    if (taken) return success();
    dropped_.fetch_add(n, std::memory_order_relaxed);
    if (reported_.exchange(true)) return success();
    return SensorError(DRUVEX_ERROR_OUT_OF_MEMORY, "frame point limit of " + std::to_string(limit) +
                                                       " reached: further points are dropped");
}

}  // namespace druvex_sdk
