// The frame registry: one frame per sensor, created by the sensor's first
// data packet, and the entry of the data path from the packet router.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "druvex_sdk.h"
#include "frame.h"

namespace druvex_sdk {

class Sensor;

class FrameManager {
public:
    static FrameManager& instance();

    // Decodes a data packet ("STDP", "STDQ", "STDR", "STDT") into the
    // sensor's frame and hands out whatever frames it completes.
    void handle_points_packet(Sensor& sensor, int64_t host_timestamp_us, size_t size,
                              const uint8_t* data);

    std::shared_ptr<Frame> get_frame(uint64_t handle);
    // The frame of a published sensor, made on first use; empty when the
    // handle has no published sensor.
    std::shared_ptr<Frame> get_or_create_frame(uint64_t handle);
    void clear();
    // Applies the options to every frame (errors ignored).
    void set_frame_options(const DruvexSDKFrameOptions& options);

private:
    std::shared_ptr<Frame> frame_of(const Sensor& sensor);
    std::shared_ptr<Frame> create_frame(uint64_t handle);

    // Never held while a sensor's lock is taken: the decoder looks frames up
    // with its sensor locked.
    std::mutex mutex_;
    std::map<uint64_t, std::shared_ptr<Frame>> frames_;
};

}  // namespace druvex_sdk
