// Streams against the real SDK with a simulated sensor registered through
// mock reception.
#include "fake_view_host.h"
#include "sensor_sim.h"

#include <gtest/gtest.h>

namespace druvex {
namespace {

uint16_t g_channels_seen = 0;

void spy_calibrate(const DruvexCalibration& calibration, size_t n,
                   const DruvexSensorRawPointWithTime*, DruvexSensorImagePoint* image) {
    g_channels_seen = calibration.channel_count;
    std::memset(static_cast<void*>(image), 0, 2 * n * sizeof *image);
}

// Encodes the calibration's distance scale as every point's distance.
void scale_calibrate(const DruvexCalibration& calibration, size_t n,
                     const DruvexSensorRawPointWithTime*, DruvexSensorImagePoint* image) {
    std::memset(static_cast<void*>(image), 0, 2 * n * sizeof *image);
    for (size_t i = 0; i < n; ++i) {
        image[2 * i].distance = calibration.distance_scale * 1000.0f;
        image[2 * i].flags = DRUVEX_POINT_FLAG_VALID;
    }
}

class StreamSdkTest : public ::testing::Test {
protected:
    void SetUp() override {
        DruvexSDKOptions options = druvex_sdk_create_options();
        options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
        ASSERT_EQ(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr),
                  DRUVEX_SUCCESS);
        druvex_sim::SimOptions sim_options;
        sim_options.serial = 4242;
        druvex_sim::SensorSim sim(sim_options);
        for (const auto& packet : sim.info_packets()) {
            druvex_sdk_mock_network_receive(stream_handle, 1, packet.data(), packet.size());
        }
        const char* message = nullptr;
        ASSERT_EQ(druvex_sdk_get_error(&message), DRUVEX_SUCCESS) << message;
        ASSERT_EQ(druvex_sdk_get_sensor_information(stream_handle, &info_), DRUVEX_SUCCESS);
    }
    void TearDown() override {
        druvex_sdk_deinitialize();
        druvex_sdk_get_error(nullptr);
    }

    static constexpr uint64_t stream_handle = 0x0A000005;
    DruvexSensorInformation info_;
};

// Frames are calibrated with what the SDK holds for the sensor's serial
// number (the viewer's own value look-up on each frame must not disturb
// that), and the stream lives while the SDK knows its sensor.
TEST_F(StreamSdkTest, FramesAreCalibratedWithTheSensorsCalibration) {
    const StreamSdk real = stream_sdk;
    testing::FakeViewHost host;
    stream_sdk.calibrate = spy_calibrate;
    stream_sdk.sensor_information = real.sensor_information;
    {
        View view(&host, nullptr, 0);
        SensorStream stream(&view, &info_);
        ASSERT_GT(stream.calibration().channel_count, 0);
        g_channels_seen = 0;
        const auto points = testing::raw_frame(4, 1);
        stream.push_frame(1, points.size(), points.data());
        stream.update_status();  // the frame is measured, so calibrated
        EXPECT_EQ(g_channels_seen, stream.calibration().channel_count);
        EXPECT_TRUE(stream.alive());
    }
}

// Points kept between draws are rebuilt when the sensor's calibration changes.
TEST_F(StreamSdkTest, DrawnPointsFollowACalibrationChange) {
    const StreamSdk real = stream_sdk;
    testing::FakeViewHost host;
    stream_sdk.calibrate = scale_calibrate;
    stream_sdk.sensor_information = real.sensor_information;
    View view(&host, nullptr, 0);
    SensorStream stream(&view, &info_);
    const auto points = testing::raw_frame(3, host.now_us);
    stream.push_frame(host.now_us, points.size(), points.data());
    stream.update_status();
    DruvexCalibration calibration = stream.calibration();
    std::vector<PointVertex> before;
    stream.build_points(view.config, host.now_us, before, nullptr);
    ASSERT_EQ(before.size(), 3u);
    EXPECT_FLOAT_EQ(before[0].y, calibration.distance_scale * 1000.0f);
    calibration.distance_scale *= 2.0f;
    ASSERT_EQ(druvex_sdk_set_calibration(stream_handle, &calibration), DRUVEX_SUCCESS);
    std::vector<PointVertex> after;
    stream.build_points(view.config, host.now_us, after, nullptr);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_FLOAT_EQ(after[0].y, calibration.distance_scale * 1000.0f);
}

}  // namespace
}  // namespace druvex
