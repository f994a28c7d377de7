// When a frame reached the application. Stamped on the thread that received
// it, because frames are handed to the views later, a batch at a time, on
// the GUI thread.
#pragma once

#include "platform/rate_limiter.h"

#include <cstdint>
#include <ctime>

namespace druvex {

struct FrameArrival {
    int64_t steady_ns = 0;  // steady clock: the stream's frame rate
    int64_t wall_s = 0;     // C clock seconds: when a silent sensor is gone

    static FrameArrival now() {
        return {steady_time_ns(), static_cast<int64_t>(std::time(nullptr))};
    }
};

}  // namespace druvex
