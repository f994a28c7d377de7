// The frame registry: one frame per sensor, created by the sensor's first
// data packet, and the entry of the data path from the packet router. Frames
// of sensors gone silent give their buffers back.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "druvex_sdk.h"
#include "frame.h"

namespace druvex_sdk {

class Sensor;

class FrameManager {
public:
    // A sensor without packets for this long gives back its frame buffers
    // and its decoding scratch (its unfinished frame is dropped); they come
    // back with its next packet. Anyone on the network can become a sensor:
    // what those who fall silent held must not stay taken. The silence is
    // counted in checks, which come at most once an interval and only while
    // a routing thread is free to make them: time the router spends on long
    // frames is no sensor's silence, whose packets wait for it meanwhile.
    // A replayed sensor falls silent when its replay pauses, and goes on with
    // its unfinished frame on resume: it keeps those points, in buffers shrunk
    // to them.
    static constexpr int64_t idle_release_after_usec = 1000000;
    // How often the routing threads look for such sensors, at most.
    static constexpr int64_t idle_check_interval_usec = 100000;

    static FrameManager& instance();

    // Decodes a data packet ("STDP", "STDQ", "STDR", "STDT") into the
    // sensor's frame and hands out whatever frames it completes.
    void handle_points_packet(Sensor& sensor, int64_t host_timestamp_us, size_t size,
                              const uint8_t* data);

    std::shared_ptr<Frame> get_frame(uint64_t handle);
    // The frame of a published sensor, made on first use; empty when the
    // handle has no published sensor.
    std::shared_ptr<Frame> get_or_create_frame(uint64_t handle);
    // Drops every frame; the next drop for want of room is reported again.
    void clear();
    // Applies the options to every frame (errors ignored).
    void set_frame_options(const DruvexSDKFrameOptions& options);

    // Releases what the sensors silent for idle_release_after_usec hold; does
    // nothing when it last looked less than a check interval ago. Any thread
    // that routes packets may call it, the network's processing thread also
    // when no packet comes.
    void release_idle();
    // Shortens (or restores) the silence that releases a sensor's buffers.
    void set_idle_release_after(int64_t usec) { idle_after_usec_ = usec; }

private:
    std::shared_ptr<Frame> frame_of(const Sensor& sensor);
    std::shared_ptr<Frame> create_frame(uint64_t handle);
    bool check_due(int64_t now_usec);
    int64_t checks_per_silence() const;
    std::vector<std::shared_ptr<Frame>> idle_frames(int64_t since);

    // Never held while a sensor's lock is taken: the decoder looks frames up
    // with its sensor locked.
    std::mutex mutex_;
    std::map<uint64_t, std::shared_ptr<Frame>> frames_;
    std::atomic<int64_t> idle_after_usec_{idle_release_after_usec};
    std::atomic<int64_t> last_check_usec_{0};
    std::atomic<int64_t> checks_{0};
};

}  // namespace druvex_sdk
