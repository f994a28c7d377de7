// Frame boundaries by fixed length or by the sensor's scan pattern.
#include "frame_detector.h"

#include <cmath>
#include <limits>

namespace druvex_sdk {
namespace {

constexpr int64_t backwards_jump_usec = 500000;

// Models whose scans are too irregular for reversal detection.
bool is_timed_only_model(uint16_t model) { return model == 5 || model == 7; }

}  // namespace

int32_t FrameDetector::reversal_window(uint16_t model) {
    switch (model) {
        case 1: return 300;
        case 3: return 150;
        case 4: return 10;
        case 6: return 300;
        default: return 0;
    }
}

FrameDetector::FrameDetector(const DruvexSensorInformation& information)
    : information_(information) {
    found_.window = reversal_window(information.model);
    supports_reversal_ = found_.window > 0;
    search_.direction = 1;
}

SensorError FrameDetector::set_options(const DruvexSDKFrameOptions& options) {
    options_ = options;
    const uint32_t mode = options_.mode;
    const bool scan_mode = mode == DRUVEX_SDK_FRAME_HALF_SCAN || mode == DRUVEX_SDK_FRAME_FULL_SCAN;
    if (mode == DRUVEX_SDK_FRAME_HALF_SCAN && is_timed_only_model(information_.model)) {
        options_.length = 0.075f;
        options_.mode = DRUVEX_SDK_FRAME_TIMED;
    } else if (scan_mode && (is_timed_only_model(information_.model) || !supports_reversal_)) {
        options_.length = 0.1f;
        options_.mode = DRUVEX_SDK_FRAME_TIMED;
    }
    if (options_.mode == DRUVEX_SDK_FRAME_TIMED) {
        if (options_.length == 0.0f) return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
        timed_length_ = options_.length;
    }
    reset();
    return success();
}

// The samples counted so far stay pending in the frame; folding them into the
// carry keeps the next split aligned with the frame's points. Dropping them
// instead would shift every later frame off the scan's turning points.
void FrameDetector::reset() {
    complete_ = false;
    carry_ += counter_;
    restart_search();
}

void FrameDetector::forget_pending() {
    complete_ = false;
    carry_ = 0;
    restart_search();
}

void FrameDetector::start_over() {
    forget_pending();
    search_.direction = 1;
    found_.direction = 0;
    found_.index = 0;
}

void FrameDetector::restart_search() {
    counter_ = 0;
    timed_done_ = false;
    timed_counter_ = 0;
    timed_first_ = 0;
    reversal_found_ = false;
    search_started_ = false;
    extreme_found_ = false;
    search_count_ = 0;
    extreme_index_ = -1;
}

bool FrameDetector::update(const DruvexSensorImagePoint& point) {
    ++counter_;
    complete_ = false;
    split_ = -1;
    switch (options_.mode) {
        case DRUVEX_SDK_FRAME_TIMED:
            if (!update_timed(point)) return false;
            break;
        case DRUVEX_SDK_FRAME_HALF_SCAN:
        case DRUVEX_SDK_FRAME_FULL_SCAN:
            if (!update_reversal(point)) return false;
            break;
        default: return false;
    }
    if (split_ >= 0) {
        complete_ = true;
        const uint32_t previous_carry = carry_;
        carry_ = counter_ - static_cast<uint32_t>(split_);
        split_ = static_cast<int32_t>(previous_carry) + split_;
    } else {
        carry_ += counter_;
    }
    restart_search();
    return complete_;
}

// A frame ends at the first sample at least the frame length after the
// frame's first sample, or half a second or more before it (a clock jump).
bool FrameDetector::update_timed(const DruvexSensorImagePoint& point) {
    if (!timed_done_) {
        const uint32_t c = timed_counter_++;
        if (timed_first_ == 0) timed_first_ = point.timestamp;
        const int64_t dt = point.timestamp - timed_first_;
        if (dt > -backwards_jump_usec && dt < timed_length_usec()) return false;
        timed_done_ = true;
        timed_split_ = c + 1;
    }
    split_ = static_cast<int32_t>(timed_split_);
    return true;
}

// A huge length (up to infinity passes the option check) must not overflow
// the conversion.
int64_t FrameDetector::timed_length_usec() const {
    const double usec = std::trunc(static_cast<double>(timed_length_) * 1e6);
    if (!(usec < 9.0e18)) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(usec);
}

bool FrameDetector::update_reversal(const DruvexSensorImagePoint& point) {
    if (!reversal_found_) {
        if (!search_started_) {
            const int32_t d = search_.direction;
            search_.window = found_.window;
            if (!find_extreme(static_cast<float>(d) * point.image_x)) return false;
            search_.direction = -d;
            search_started_ = true;
            search_.index = extreme_index_;
        }
        found_.direction = search_.direction;
        found_.index = search_.index + 1;
        reversal_found_ = true;
    }
    // Full scans end only at reversals into the positive direction.
    if (!(options_.mode == DRUVEX_SDK_FRAME_FULL_SCAN && found_.direction < 0)) {
        split_ = found_.index;
    }
    return true;
}

// The extreme is confirmed once `window` samples have followed it without a
// further one.
bool FrameDetector::find_extreme(float value) {
    if (!extreme_found_) {
        const uint32_t k = ++search_count_;
        if (extreme_index_ < 0 || value > extreme_value_) {
            extreme_index_ = static_cast<int32_t>(k - 1);
            extreme_value_ = value;
        }
        if (static_cast<int64_t>(k) - extreme_index_ >= search_.window) extreme_found_ = true;
    }
    return extreme_found_;
}

}  // namespace druvex_sdk
