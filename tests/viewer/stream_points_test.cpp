// Tests of a stream's point processing: frame length, positions and colours.
#include "fake_view_host.h"

#include <gtest/gtest.h>

namespace druvex {
namespace {

using testing::FakeViewHost;
using testing::raw_point;
using testing::sensor_info;

class StreamPointsTest : public ::testing::Test {
protected:
    StreamPointsTest() {
        const DruvexSensorInformation info = sensor_info(7);
        stream_ = std::make_unique<SensorStream>(&view_, &info);
    }
    // One frame with the given points, moved to the drawable list.
    void add_frame(int64_t time_us, std::vector<DruvexSensorRawPointWithTime> points) {
        stream_->push_frame(time_us, points.size(), points.data());
        stream_->update_status();
    }
    std::vector<PointVertex> build(int color_mode = 0, float frame_length = 0.0f) {
        view_.config.color_mode = color_mode;
        view_.config.frame_length = frame_length;
        std::vector<PointVertex> out;
        stream_->build_points(view_.config, host_.now_us, out, nullptr);
        return out;
    }

    FakeViewHost host_;
    View view_{&host_, nullptr, 0};
    std::unique_ptr<SensorStream> stream_;
};

TEST_F(StreamPointsTest, FrameLengthKeepsRecentFramesPlusTheFirstOlderOne) {
    // Ages 0.01, 0.11, ... 0.91 s.
    for (int i = 9; i >= 0; --i)
        add_frame(host_.now_us - 10'000 - i * 100'000, {raw_point(10 - i, 0, 0, 5)});
    EXPECT_EQ(build(0, 0.0f).size(), 1u);  // only the newest
    EXPECT_EQ(build(0, 0.5f).size(), 6u);  // five within 0.5 s, plus the first older one
}

TEST_F(StreamPointsTest, FrameFromTheFutureIsSkipped) {
    add_frame(host_.now_us - 100'000, {raw_point(1, 0, 0, 5)});
    add_frame(host_.now_us + 100'000, {raw_point(2, 0, 0, 6), raw_point(3, 0, 0, 6)});
    const auto out = build();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FLOAT_EQ(out[0].y, 5.0f);
}

TEST_F(StreamPointsTest, PositionFollowsImageCoordinates) {
    add_frame(host_.now_us, {raw_point(1, 1.0f, -1.0f, 3.0f)});
    const auto out = build();
    ASSERT_EQ(out.size(), 1u);
    const float d = 3.0f / std::sqrt(3.0f);
    EXPECT_NEAR(out[0].x, -d, 1e-3f);
    EXPECT_NEAR(out[0].y, d, 1e-3f);
    EXPECT_NEAR(out[0].z, d, 1e-3f);
    EXPECT_FLOAT_EQ(out[0].importance, 1.0f);
}

// With the demo input's samples the frame is turned by the sample in force:
// a point ahead of a sensor turned a quarter about the vertical lies to its left.
TEST_F(StreamPointsTest, ImuSampleTurnsTheFrame) {
    host_.imu_samples = true;
    host_.imu_sample.z = std::sqrt(0.5f);
    host_.imu_sample.w = std::sqrt(0.5f);
    add_frame(host_.now_us, {raw_point(1, 0.5f, 0.0f, 4.0f)});
    const auto out = build();
    ASSERT_EQ(out.size(), 1u);
    const float d = 4.0f / std::sqrt(1.25f);
    EXPECT_NEAR(out[0].x, -d, 1e-4f);
    EXPECT_NEAR(out[0].y, 0.0f, 1e-4f);
    EXPECT_NEAR(out[0].z, 0.5f * d, 1e-4f);
    host_.imu_sample = ImuSample();  // a newer sample reaches the kept frame
    EXPECT_NEAR(build()[0].y, d, 1e-4f);
}

TEST_F(StreamPointsTest, InvalidReturns) {
    add_frame(host_.now_us, {raw_point(1, 0, 0, 0.0f, 0.0f), raw_point(2, 0, 0, 4.0f, 8.0f)});
    auto out = build();
    ASSERT_EQ(out.size(), 2u);  // the valid point's two returns
    view_.config.show_invalid_points = true;
    out = build();
    ASSERT_EQ(out.size(), 3u);  // plus the invalid first return; never an invalid second one
    EXPECT_FLOAT_EQ(out[0].y, 1e-6f);
    EXPECT_FLOAT_EQ(out[0].intensity, 1.0f);
}

TEST_F(StreamPointsTest, ColourValuePerMode) {
    DruvexSensorRawPointWithTime p = raw_point(host_.now_us - 250, 0, 0, 4.0f, 8.0f);
    p.intensity[0] = 51;
    p.intensity[1] = 102;
    p.channel_id = 9;
    p.power_level = 3;
    add_frame(host_.now_us, {p});
    struct Case {
        int mode;
        float first, second;
    } cases[] = {{0, 0, 0}, {1, -250, -250}, {2, 0, 0},        {6, 51, 102}, {7, 0, 1},
                 {8, 0, 0}, {9, 0.2f, 0.4f}, {10, 0.2f, 0.2f}, {11, 9, 9}};
    for (const Case& c : cases) {
        const auto out = build(c.mode);
        ASSERT_EQ(out.size(), 2u) << c.mode;
        EXPECT_FLOAT_EQ(out[0].intensity, c.first) << "mode " << c.mode;
        EXPECT_FLOAT_EQ(out[1].intensity, c.second) << "mode " << c.mode;
    }
}

TEST_F(StreamPointsTest, SaturatedPointsFadeOnlyInIntensityMode) {
    DruvexSensorRawPointWithTime p = raw_point(1, 0, 0, 4.0f);
    p.saturated[0] = 1;
    add_frame(host_.now_us, {p});
    EXPECT_FLOAT_EQ(build(6)[0].importance, 0.5f);
    EXPECT_FLOAT_EQ(build(2)[0].importance, 1.0f);
}

TEST_F(StreamPointsTest, MasksHideReturnsAndFrames) {
    add_frame(host_.now_us, {raw_point(1, 0, 0, 4.0f, 8.0f)});
    stream_->set_return_mask(stream_->return_mask() & ~uint64_t(2));
    EXPECT_EQ(build().size(), 1u);
    stream_->set_return_mask(stream_->return_mask() &
                             ~uint64_t(0x100));  // frames whose mode flag is false
    EXPECT_TRUE(build().empty());
}

TEST_F(StreamPointsTest, ImageClipAppliesOnlyWithClipsEnabled) {
    ImageClip clip;
    clip.max_distance = 5.0f;
    stream_->image_clip = clip;
    add_frame(host_.now_us, {raw_point(1, 0, 0, 4.0f), raw_point(2, 0, 0, 6.0f)});
    EXPECT_EQ(build().size(), 2u);
    host_.clips_on = true;
    const auto out = build();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FLOAT_EQ(out[0].y, 4.0f);
}

// A frame's points are kept between draws; each setting they depend on must
// make the next draw build them afresh.
TEST_F(StreamPointsTest, KeptPointsFollowClipChannelAndStreamChanges) {
    host_.clips_on = true;
    DruvexSensorRawPointWithTime far = raw_point(2, 0, 0, 6.0f);
    far.channel_id = 3;
    add_frame(host_.now_us, {raw_point(1, 0, 0, 4.0f), far});
    EXPECT_EQ(build().size(), 2u);
    stream_->image_clip.max_distance = 5.0f;
    EXPECT_EQ(build().size(), 1u);
    stream_->image_clip.max_distance = 3.0f;
    EXPECT_TRUE(build().empty());
    stream_->image_clip.max_distance = 10000.0f;
    EXPECT_EQ(build().size(), 2u);
    stream_->set_channel_mask(~(uint64_t(1) << 3));
    EXPECT_EQ(build().size(), 1u);
    stream_->set_channel_mask(~uint64_t(0));
    ASSERT_EQ(build(6).size(), 2u);
    const float weight_before = build(6)[0].importance;
    stream_->image_clip.min_distance = 5.0f;  // the same points with clips off
    host_.clips_on = false;
    EXPECT_EQ(build(6).size(), 2u);
    EXPECT_FLOAT_EQ(build(6)[0].importance, weight_before);
}

TEST_F(StreamPointsTest, TimeColourFollowsTheClockBetweenDraws) {
    add_frame(host_.now_us, {raw_point(host_.now_us - 250, 0, 0, 4.0f)});
    EXPECT_FLOAT_EQ(build(1)[0].intensity, -250.0f);
    host_.now_us += 1000;
    EXPECT_FLOAT_EQ(build(1)[0].intensity, -1250.0f);
    EXPECT_FLOAT_EQ(build(0)[0].intensity, 0.0f);
    host_.now_us += 1000;
    EXPECT_FLOAT_EQ(build(1)[0].intensity, -2250.0f);
}

TEST_F(StreamPointsTest, PoseAppliesOnlyWithTransformsEnabled) {
    stream_->transform.translation[2] = 2.0f;
    stream_->transform.rotation[2] = std::sqrt(0.5f);  // 90 degrees about z
    stream_->transform.rotation[3] = std::sqrt(0.5f);
    add_frame(host_.now_us, {raw_point(1, 0, 0, 4.0f)});
    EXPECT_NEAR(build()[0].y, 4.0f, 1e-5f);
    host_.transforms_on = true;
    const auto out = build();
    EXPECT_NEAR(out[0].x, -4.0f, 1e-5f);
    EXPECT_NEAR(out[0].y, 0.0f, 1e-5f);
    EXPECT_NEAR(out[0].z, 2.0f, 1e-5f);
}

TEST_F(StreamPointsTest, KeptPointsFollowAPoseChange) {
    host_.transforms_on = true;
    add_frame(host_.now_us, {raw_point(1, 0, 0, 4.0f)});
    EXPECT_NEAR(build()[0].z, 0.0f, 1e-5f);
    stream_->transform.translation[2] = 2.0f;
    EXPECT_NEAR(build()[0].z, 2.0f, 1e-5f);
    stream_->transform.translation[2] = -1.0f;
    EXPECT_NEAR(build()[0].z, -1.0f, 1e-5f);
}

}  // namespace
}  // namespace druvex
