// A stand-in application for views and streams, and helpers that make frames
// with known geometry, so the frame path runs without a window or sensors.
#pragma once

#include "settings/clips_store.h"
#include "settings/transforms_store.h"
#include "view/sensor_stream.h"
#include "view/view.h"
#include "view/view_host.h"

#include <cstring>
#include <map>
#include <vector>

namespace druvex::testing {

class FakeViewHost : public ViewHost {
public:
    FakeViewHost();
    ~FakeViewHost() override;

    int64_t current_time_usec() override { return now_us; }
    int64_t last_data_time() const override { return data_time; }
    bool enable_clips() const override { return clips_on; }
    bool enable_transforms() const override { return transforms_on; }
    bool is_sensor_enabled(uint64_t handle) const override {
        auto it = enabled.find(handle);
        return it == enabled.end() || it->second;
    }
    bool is_first_view(const View* view) const override { return view == first; }
    const ClipsStore& clips() const override { return clips_store; }
    const TransformsStore& transforms() const override { return transforms_store; }
    bool has_imu_samples() const override { return imu_samples; }
    ImuSample imu_sample_at(int64_t) const override { return imu_sample; }
    NVGcontext* nvg_context() const override { return nullptr; }

    int64_t now_us = 1'000'000'000;
    int64_t data_time = 0;
    bool clips_on = false;
    bool transforms_on = false;
    bool imu_samples = false;
    ImuSample imu_sample;
    std::map<uint64_t, bool> enabled;
    const View* first = nullptr;
    ClipsStore clips_store;
    TransformsStore transforms_store;

private:
    StreamSdk saved_sdk_;
};

DruvexSensorInformation sensor_info(uint64_t handle, uint64_t serial = 1000);

// Raw points whose fields encode the image point the fake calibration makes:
// image_x / image_z as (value - 32768) / 1000, distance[r] in millimetres
// (0 = invalid), saturated[r] as the saturated flag, timestamp as given.
DruvexSensorRawPointWithTime raw_point(int64_t timestamp, float image_x, float image_z,
                                       float distance0, float distance1 = 0.0f);
std::vector<DruvexSensorRawPointWithTime> raw_frame(size_t n, int64_t timestamp,
                                                    float distance = 10.0f);

}  // namespace druvex::testing
