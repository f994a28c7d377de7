// The frame registry: one frame per sensor collects the decoded raw and
// calibrated points and hands them to the frame callbacks.
//
// Until frame detection exists every flush delivers what the frame holds, as
// the streaming mode does.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "druvex_sdk.h"
#include "sensor_error.h"

namespace druvex_sdk {

class Sensor;

class Frame {
public:
    explicit Frame(std::shared_ptr<Sensor> sensor);

    // Appends one packet's points: n raw points and n x return count image
    // points. Called with the sensor mutex held.
    SensorError add_points(int32_t n, const DruvexSensorRawPointWithTime* raw,
                           const DruvexSensorImagePoint* image);
    // Delivers the collected points to the raw- and image-frames callbacks.
    void flush();

private:
    std::mutex mutex_;
    std::shared_ptr<Sensor> sensor_;
    uint32_t return_count_;
    std::vector<DruvexSensorRawPointWithTime> raw_points_;
    std::vector<DruvexSensorImagePoint> image_points_;
};

class FrameManager {
public:
    static FrameManager& instance();

    // Entry of the data path from the packet router ("STDP", "STDQ", "STDR",
    // "STDT").
    void handle_points_packet(Sensor& sensor, int64_t host_timestamp_us, size_t size,
                              const uint8_t* data);
    std::shared_ptr<Frame> get_frame(uint64_t handle);
    std::shared_ptr<Frame> get_or_create_frame(uint64_t handle);
    void clear();
    void set_frame_options(const DruvexSDKFrameOptions& options);

private:
    std::mutex mutex_;
    std::map<uint64_t, std::shared_ptr<Frame>> frames_;
};

}  // namespace druvex_sdk
