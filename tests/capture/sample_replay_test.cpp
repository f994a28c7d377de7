// The sample capture of two simulated sensors: replayed, it gives the same
// sensors and the same points as its packets received live.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/capture_replay.h"
#include "capture_test_support.h"
#include "druvex_sdk.h"
#include "replay_session.h"
#include "sample_capture.h"

using druvex_sdk::replayed_handle_bit;
using namespace capture_test;

namespace {

struct RawFrame {
    uint64_t handle;
    std::vector<DruvexSensorRawPointWithTime> points;
};

struct FrameLog {
    std::mutex mutex;
    std::vector<RawFrame> frames;

    static void on_frame(uint64_t handle, size_t n, const DruvexSensorRawPointWithTime* points,
                         void* self) {
        auto* log = static_cast<FrameLog*>(self);
        std::lock_guard<std::mutex> lock(log->mutex);
        log->frames.push_back({handle, {points, points + n}});
    }

    std::vector<RawFrame> take() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::move(frames);
    }
};

bool same_points(const RawFrame& a, const RawFrame& b) {
    return a.points.size() == b.points.size() &&
           std::memcmp(a.points.data(), b.points.data(),
                       a.points.size() * sizeof(DruvexSensorRawPointWithTime)) == 0;
}

}  // namespace

TEST(SampleCapture, ReplayGivesTheSamePointsAsLiveReception) {
    ReplaySession session;
    FrameLog log;
    ASSERT_EQ(druvex_sdk_listen_raw_frames(&FrameLog::on_frame, &log), 0);
    const auto traffic = druvex_sample::sample_traffic(0.3);
    for (const auto& p : traffic) {
        ASSERT_EQ(druvex_sdk_mock_network_receive(p.handle, p.timestamp_us, p.bytes.data(),
                                                  p.bytes.size()),
                  0);
    }
    const auto live = log.take();
    ASSERT_FALSE(live.empty());
    ASSERT_EQ(druvex_sdk_clear(), 0);

    TempDir dir;
    const std::string path = dir.path("sample.pcap");
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 0.3).code, 0);
    druvex_sdk::CaptureReplay replay;
    ASSERT_EQ(replay.open(path).code, 0);
    ASSERT_EQ(replay.resume_blocking(10.0f).code, 0);
    EXPECT_EQ(session.count(), traffic.size());
    const auto replayed = log.take();

    ASSERT_EQ(replayed.size(), live.size());
    for (size_t k = 0; k < live.size(); ++k) {
        EXPECT_EQ(replayed[k].handle, live[k].handle + replayed_handle_bit) << k;
        EXPECT_TRUE(same_points(replayed[k], live[k])) << k;
    }
    ASSERT_EQ(druvex_sdk_get_n_sensors(), 2);
    uint16_t models[2] = {};
    for (int k = 0; k < 2; ++k) {
        const uint64_t handle = druvex_sample::sample_sensor_handles[k] + replayed_handle_bit;
        DruvexSensorInformation info{};
        ASSERT_EQ(druvex_sdk_get_sensor_information(handle, &info), 0);
        EXPECT_EQ(info.handle, handle);
        EXPECT_NE(info.flags & DRUVEX_SENSOR_FLAG_IS_MOCKED, 0u);
        models[k] = info.model;
    }
    EXPECT_NE(models[0], models[1]);
}

// A replay paused longer than the silence after which a sensor gives back its
// buffers goes on with its unfinished frames: played with a pause of 3 s in
// the middle, the sample gives the frames it gives played straight through.
TEST(SampleCapture, ReplayPausedForSecondsResumesWithWholeFrames) {
    ReplaySession session;
    FrameLog log;
    ASSERT_EQ(druvex_sdk_listen_raw_frames(&FrameLog::on_frame, &log), 0);
    DruvexSDKFrameOptions options = druvex_sdk_create_frame_options();
    options.mode = DRUVEX_SDK_FRAME_HALF_SCAN;  // timed frames for one of the two sensors
    ASSERT_EQ(druvex_sdk_set_frame_options(&options), 0);
    TempDir dir;
    const std::string path = dir.path("sample.pcap");
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 2.0).code, 0);
    ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(0.5f), 0);  // the first frames are withheld
    log.take();

    ASSERT_EQ(druvex_sdk_capture_replay_seek(0.25f), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(10.0f), 0);
    const std::vector<RawFrame> straight = log.take();

    ASSERT_EQ(druvex_sdk_capture_replay_seek(0.25f), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(0.5f), 0);
    const size_t before_pause = log.take().size();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(10.0f), 0);
    const std::vector<RawFrame> resumed = log.take();
    EXPECT_EQ(druvex_sdk_capture_replay_close(), 0);

    ASSERT_GT(before_pause, 10u);
    ASSERT_EQ(before_pause + resumed.size(), straight.size());
    for (size_t k = 0; k < resumed.size(); ++k) {
        const RawFrame& expected = straight[before_pause + k];
        EXPECT_EQ(resumed[k].handle, expected.handle) << k;
        EXPECT_TRUE(same_points(resumed[k], expected)) << k;
    }
}
