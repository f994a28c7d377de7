// Completed frames on their way from the SDK's threads to the GUI thread.
//
// The SDK side only copies a frame in, under a lock that the GUI thread holds
// for nothing but a swap; all work on the frame (calibration, streams, views)
// happens on the GUI thread. So an SDK thread never waits for drawing, and a
// slow frame cannot make the SDK drop live packets.
#pragma once

#include "frame_arrival.h"

#include <druvex_sdk.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace druvex {

class FrameMailbox {
public:
    // More frames of one sensor than this waiting means the GUI thread is not
    // taking them (a minimised window): its oldest one makes way.
    static constexpr size_t kMaxWaitingPerSensor = 100;

    struct Frame {
        DruvexSensorInformation info;
        int64_t time_us = 0;
        FrameArrival arrival;
        std::vector<DruvexSensorRawPointWithTime> points;
    };

    // Any thread: copies the frame in. Allocates only while the mailbox grows.
    void post(const DruvexSensorInformation& info, int64_t time_us, size_t n,
              const DruvexSensorRawPointWithTime* points);
    // GUI thread: every waiting frame, oldest first, replaces the contents of
    // `frames`; the frames it held before are kept for reuse.
    void take(std::vector<Frame>& frames);
    // Frames that arrived before a clear are not delivered.
    void clear();

private:
    Frame next_frame_locked();
    void make_way_locked(uint64_t handle);

    std::mutex mutex_;
    std::vector<Frame> waiting_;  // guarded by mutex_
    std::vector<Frame> spare_;    // guarded by mutex_: emptied frames, buffers kept
};

}  // namespace druvex
