// A stand-in application for views and streams, and frame makers.
#include "fake_view_host.h"

#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

#include <cmath>

namespace druvex::testing {
namespace {

void fake_calibrate(const DruvexCalibration&, size_t n, const DruvexSensorRawPointWithTime* raw,
                    DruvexSensorImagePoint* image) {
    for (size_t i = 0; i < n; ++i) {
        for (int r = 0; r < 2; ++r) {
            DruvexSensorImagePoint& p = image[2 * i + r];
            p.timestamp = raw[i].timestamp;
            p.image_x = (raw[i].image_x - 32768.0f) / 1000.0f;
            p.image_z = (raw[i].image_z - 32768.0f) / 1000.0f;
            p.distance = raw[i].distance[r] / 1000.0f;
            p.intensity = raw[i].intensity[r];
            p.flags =
                static_cast<uint8_t>((raw[i].distance[r] != 0 ? DRUVEX_POINT_FLAG_VALID : 0) |
                                     (raw[i].saturated[r] != 0 ? DRUVEX_POINT_FLAG_SATURATED : 0));
        }
    }
}

bool known_sensor(uint64_t, DruvexSensorInformation*) { return true; }

}  // namespace

FakeViewHost::FakeViewHost() : saved_sdk_(stream_sdk) {
    stream_sdk = {fake_calibrate, known_sensor};
    if (!spdlog::get("gui")) {
        spdlog::register_logger(std::make_shared<spdlog::logger>(
            "gui", std::make_shared<spdlog::sinks::null_sink_mt>()));
    }
}

FakeViewHost::~FakeViewHost() { stream_sdk = saved_sdk_; }

DruvexSensorInformation sensor_info(uint64_t handle, uint64_t serial) {
    DruvexSensorInformation info;
    std::memset(static_cast<void*>(&info), 0, sizeof info);
    info.handle = handle;
    info.serial_number = serial;
    std::strcpy(info.model_name, "ZUNA 120");
    info.model = DRUVEX_SENSOR_MODEL_ZUNA_120;
    info.flags = DRUVEX_SENSOR_FLAG_IS_CALIBRATED;
    return info;
}

DruvexSensorRawPointWithTime raw_point(int64_t timestamp, float image_x, float image_z,
                                       float distance0, float distance1) {
    DruvexSensorRawPointWithTime p;
    std::memset(static_cast<void*>(&p), 0, sizeof p);
    p.timestamp = timestamp;
    p.image_x = static_cast<uint16_t>(std::lround(image_x * 1000.0f + 32768.0f));
    p.image_z = static_cast<uint16_t>(std::lround(image_z * 1000.0f + 32768.0f));
    p.distance[0] = static_cast<uint32_t>(std::lround(distance0 * 1000.0f));
    p.distance[1] = static_cast<uint32_t>(std::lround(distance1 * 1000.0f));
    return p;
}

std::vector<DruvexSensorRawPointWithTime> raw_frame(size_t n, int64_t timestamp, float distance) {
    std::vector<DruvexSensorRawPointWithTime> points;
    points.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const float u = -0.5f + static_cast<float>(i % 100) * 0.01f;
        const float v = -0.1f + static_cast<float>(i / 100 % 20) * 0.01f;
        points.push_back(raw_point(timestamp + static_cast<int64_t>(i), u, v, distance));
    }
    return points;
}

}  // namespace druvex::testing
