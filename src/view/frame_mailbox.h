// Completed frames on their way from the SDK's threads to the GUI thread.
//
// The SDK side copies a frame's points on its own thread, then only moves the
// frame in, under a lock that the GUI thread holds for nothing but a swap.
// So an SDK thread never waits for drawing, and a slow drawn frame cannot
// make the SDK drop live packets.
#pragma once

#include "frame_arrival.h"
#include "sensor_stream.h"

#include <druvex_sdk.h>

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace druvex {

class FrameMailbox {
public:
    // More frames of one sensor than this waiting means the GUI thread is not
    // taking them (a minimised window): its oldest one makes way.
    static constexpr size_t max_waiting_per_sensor = SensorStream::max_incoming_frames;

    struct Entry {
        DruvexSensorInformation info;
        FrameArrival arrival;
        std::unique_ptr<StreamFrame> frame;
    };

    // Any thread: the frame waits, stamped with its arrival.
    void post(const DruvexSensorInformation& info, std::unique_ptr<StreamFrame> frame);
    // GUI thread: every waiting frame, oldest first, replaces the contents of
    // `entries`.
    void take(std::vector<Entry>& entries);
    // Frames that arrived before a clear are not delivered.
    void clear();

private:
    // The sensor's oldest waiting frame when it has too many, else null.
    std::unique_ptr<StreamFrame> make_way_locked(uint64_t handle);

    std::mutex mutex_;
    std::vector<Entry> waiting_;  // guarded by mutex_
};

}  // namespace druvex
