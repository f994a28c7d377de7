// Decides, sample by sample, where one sensor's frames end: after a fixed
// time (timed mode) or at reversals of the horizontal scan direction
// (half-scan: every reversal; full-scan: every second one).
//
// A sample is one firing of all channels; the detector sees its first image
// point. split() tells how many samples, counted from the first sample not yet
// handed out, the completed frame holds; the samples after it are carried
// into the next frame.
#pragma once

#include <cstdint>

#include "core/sensor_error.h"
#include "druvex_sdk.h"

namespace druvex_sdk {

class FrameDetector {
public:
    struct Search {
        int32_t direction = 0;
        int32_t index = 0;
        int32_t window = 0;
    };

    // Samples that must follow a horizontal extreme, without a new one, for
    // it to count as a reversal; 0 for models whose scan is not detected.
    static int32_t reversal_window(uint16_t model);

    explicit FrameDetector(const DruvexSensorInformation& information);

    // Adopts the options, falling back to timed frames where the model's scan
    // cannot be followed, and restarts detection. A timed length of 0 fails
    // with DRUVEX_ERROR_INVALID_ARGUMENTS and keeps the previous length.
    SensorError set_options(const DruvexSDKFrameOptions& options);

    // Feeds one sample; true when it completes a frame.
    bool update(const DruvexSensorImagePoint& point);

    // Restarts the search; the samples seen since the last frame stay
    // pending (carried) and directions stay.
    void reset();
    // Restarts with no pending samples: the frame handed out or dropped
    // everything it held.
    void forget_pending();
    // Restarts as the detector of a new frame does: no pending samples, and
    // the scan searched from the same side whatever came before.
    void start_over();

    bool complete() const { return complete_; }
    int32_t split() const { return split_; }
    // The options in effect, after the model's fallbacks.
    const DruvexSDKFrameOptions& options() const { return options_; }
    float timed_length() const { return timed_length_; }

private:
    void restart_search();
    bool update_timed(const DruvexSensorImagePoint& point);
    bool update_reversal(const DruvexSensorImagePoint& point);
    bool find_extreme(float value);
    int64_t timed_length_usec() const;

    bool complete_ = false;
    int32_t split_ = -1;
    DruvexSensorInformation information_;
    DruvexSDKFrameOptions options_{};
    uint32_t counter_ = 0;
    uint32_t carry_ = 0;
    float timed_length_ = 0;
    bool timed_done_ = false;
    uint32_t timed_split_ = 0;
    uint32_t timed_counter_ = 0;
    int64_t timed_first_ = 0;
    bool supports_reversal_ = false;
    bool reversal_found_ = false;
    Search found_;
    bool search_started_ = false;
    Search search_;
    bool extreme_found_ = false;
    int32_t extreme_index_ = -1;
    float extreme_value_ = 0;
    uint32_t search_count_ = 0;
};

}  // namespace druvex_sdk
