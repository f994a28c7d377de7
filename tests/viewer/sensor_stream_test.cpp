// Tests of sensor streams and their statistics.
#include "fake_view_host.h"

#include <gtest/gtest.h>

#include <cmath>

namespace druvex {
namespace {

using testing::FakeViewHost;
using testing::raw_frame;
using testing::raw_point;
using testing::sensor_info;

class SensorStreamTest : public ::testing::Test {
protected:
    SensorStream& stream() {
        if (!stream_) {
            const DruvexSensorInformation info = sensor_info(7);
            stream_ = std::make_unique<SensorStream>(&view_, &info);
        }
        return *stream_;
    }
    void push(size_t n, int64_t t) {
        const auto points = raw_frame(n, t);
        stream().push_frame(t, points.size(), points.data());
    }

    FakeViewHost host_;
    View view_{&host_, nullptr, 0};
    std::unique_ptr<SensorStream> stream_;
};

TEST(StatisticTest, ReduceOverTheLastSamples) {
    Statistic<float> s(0.0f, max_of);
    for (float v : {5.0f, 1.0f, 2.0f, 3.0f}) s.add(v);  // 5 has left the window of three
    EXPECT_EQ(s.value(), 3.0f);
    RollingStatistic r(0.0f, mean_of);
    for (int i = 0; i < 16; ++i) r.add(40.0f);
    EXPECT_FLOAT_EQ(r.value(), 40.0f);
    r.add(24.0f);
    EXPECT_FLOAT_EQ(r.value(), 39.0f);
    const uint32_t values[] = {4294967295u, 3u};  // the sum wraps in 32 bits
    EXPECT_EQ(mean_of_u32(values, 2), 1u);
    EXPECT_EQ(mean_of(nullptr, 0), 0.0f);
}

TEST_F(SensorStreamTest, NameAndDefaults) {
    EXPECT_STREQ(stream().name(), "ZUNA 120 (#1000)");
    EXPECT_TRUE(stream().alive());
    EXPECT_TRUE(stream().channel_enabled(63));
    EXPECT_TRUE(stream().return_enabled(1));
    EXPECT_TRUE(stream().mode_enabled(0));
}

TEST_F(SensorStreamTest, StatusMovesIncomingFramesAndSetsRateBeforeIntervals) {
    push(10, 1'000'000);
    ASSERT_EQ(stream().incoming_count(), 1u);
    stream().update_status();
    EXPECT_EQ(stream().incoming_count(), 0u);
    ASSERT_EQ(stream().frames().size(), 1u);
    EXPECT_FLOAT_EQ(stream().frame_rate(), 10.0f);  // the interval ring starts at 100 ms
}

// Frames pushed as fast as a paused replay's refill delivers them count as
// far apart as their own clock says; a jump back, or frames after a clear (a
// seek), add no interval.
TEST_F(SensorStreamTest, FrameRateCountsOnTheFramesOwnClock) {
    for (int i = 0; i <= 10; ++i) push(10, 1'000'000 + i * 50'000);
    stream().update_status();
    EXPECT_NEAR(stream().frame_rate(), 20.0f, 0.01f);
    push(10, 1'450'000);
    push(10, 200'000);
    stream().clear();
    push(10, 60'000'000);
    push(10, 60'050'000);
    stream().update_status();
    EXPECT_NEAR(stream().frame_rate(), 20.0f, 0.01f);
}

TEST_F(SensorStreamTest, FramesAreTrimmedToTheNewestHalfMillionPoints) {
    for (int i = 0; i < 12; ++i) push(60000, 1'000'000 + i * 100'000);
    stream().update_status();
    ASSERT_EQ(stream().frames().size(), 9u);  // 8 x 60000 < 500000 <= 9 x 60000
    EXPECT_EQ(stream().frames().front()->time_us(), 1'000'000 + 3 * 100'000);
    EXPECT_EQ(stream().frames().back()->time_us(), 1'000'000 + 11 * 100'000);
}

TEST_F(SensorStreamTest, TooManyWaitingFramesAreAllDropped) {
    for (int i = 0; i < 100; ++i) push(1, 1'000'000 + i);
    EXPECT_EQ(stream().incoming_count(), 100u);
    push(1, 2'000'000);
    EXPECT_EQ(stream().incoming_count(), 0u);
}

TEST_F(SensorStreamTest, SeekBackClearsOnlyForLargeJumps) {
    push(1, 10'000'000);
    stream().update_status();
    push(1, 9'700'000);  // 0.3 s back: kept
    stream().update_status();
    EXPECT_EQ(stream().frames().size(), 2u);
    push(1, 8'000'000);  // 2 s back: everything before goes, the frame itself stays
    EXPECT_TRUE(stream().frames().empty());
    EXPECT_EQ(stream().incoming_count(), 1u);
    EXPECT_EQ(stream().first_timestamp(), 0);
    push(1, 8'100'000);
    EXPECT_EQ(stream().first_timestamp(), 8'100'000);
    EXPECT_EQ(stream().incoming_count(), 2u);
}

TEST_F(SensorStreamTest, FieldOfViewFromImageExtents) {
    std::vector<DruvexSensorRawPointWithTime> points = {raw_point(1, 0.5f, -0.25f, 5.0f),
                                                        raw_point(2, 1.0f, 0.25f, 5.0f)};
    stream().push_frame(1, points.size(), points.data());
    stream().update_status();
    // All image_x positive: the minimum of the extents stays at 0.
    EXPECT_NEAR(stream().horizontal_fov(), std::atan(1.0f), 1e-3f);
    EXPECT_NEAR(stream().vertical_fov(), 2.0f * std::atan(0.25f), 1e-3f);
}

TEST_F(SensorStreamTest, EmptyFrameIsTakenWithoutTouchingTheFirstTimestamp) {
    stream().push_frame(5, 0, nullptr);
    EXPECT_EQ(stream().first_timestamp(), 0);
    EXPECT_EQ(stream().incoming_count(), 1u);
}

// The stream draws from its own copies of the pose and clip; edits in the
// stores reach them once per drawn frame, angles included.
TEST_F(SensorStreamTest, PoseAndClipFollowTheStores) {
    SensorTransform pose;
    euler_to_quaternion(0.5f, 0.0f, 0.0f, &pose.rotation[0], &pose.rotation[1], &pose.rotation[2],
                        &pose.rotation[3]);
    host_.transforms_store.set_transform(1000, pose);
    EXPECT_NEAR(stream().azimuth, 0.5f, 1e-6f);  // taken when the stream is made
    ImageClip clip;
    clip.max_distance = 5.0f;
    host_.clips_store.set_image_clip(1000, clip);
    host_.transforms_store.clear();
    EXPECT_EQ(stream().image_clip.max_distance, 10000.0f);
    stream().update_status();
    EXPECT_EQ(stream().image_clip.max_distance, 5.0f);
    EXPECT_EQ(stream().azimuth, 0.0f);
    EXPECT_EQ(stream().transform.rotation[3], 1.0f);
}

}  // namespace
}  // namespace druvex
