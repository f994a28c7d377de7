// Frame detection on hand-made sample sequences with known turning points.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "frames/frame_detector.h"

using druvex_sdk::FrameDetector;

namespace {

DruvexSensorInformation info_of(uint16_t model) {
    DruvexSensorInformation info{};
    info.model = model;
    return info;
}

DruvexSDKFrameOptions options(uint32_t mode, float length = 0.05f) {
    DruvexSDKFrameOptions o = druvex_sdk_create_frame_options();
    o.mode = mode;
    o.length = length;
    return o;
}

DruvexSensorImagePoint sample(float x, int64_t t = 0) {
    DruvexSensorImagePoint p{};
    p.image_x = x;
    p.timestamp = t;
    return p;
}

// Triangle wave from -1 up to +1 and back, `half` samples per direction.
float triangle(int i, int half) {
    const int phase = i % (2 * half);
    return phase < half ? -1.0f + 2.0f * phase / half : 3.0f - 2.0f * phase / half;
}

struct Completion {
    int at;     // index of the completing sample
    int split;  // samples in the completed frame
};

std::vector<Completion> run_triangle(FrameDetector& detector, int samples, int half) {
    std::vector<Completion> done;
    for (int i = 0; i < samples; ++i) {
        if (detector.update(sample(triangle(i, half)))) done.push_back({i, detector.split()});
    }
    return done;
}

}  // namespace

// Model 4 confirms an extreme 10 samples after it; the frame ends at the
// extreme and the samples after it open the next frame.
TEST(FrameDetector, HalfScanSplitsAtEveryExtreme) {
    FrameDetector detector(info_of(4));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_HALF_SCAN)));
    const auto done = run_triangle(detector, 2000, 400);
    ASSERT_EQ(done.size(), 4u);
    EXPECT_EQ(done[0].at, 409);  // maximum at 400, confirmed 10 samples later
    EXPECT_EQ(done[0].split, 401);
    EXPECT_EQ(done[1].at, 809);  // minimum at 800
    EXPECT_EQ(done[1].split, 400);
    int frame_start = 0;
    for (const auto& c : done) {
        frame_start += c.split;
        EXPECT_EQ((frame_start - 1) % 400, 0) << "frame must end on an extreme";
    }
}

TEST(FrameDetector, FullScanSplitsOnlyAtReversalsIntoPositiveDirection) {
    FrameDetector detector(info_of(4));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_FULL_SCAN)));
    const auto done = run_triangle(detector, 3300, 400);
    ASSERT_EQ(done.size(), 4u);
    EXPECT_EQ(done[0].at, 809);
    EXPECT_EQ(done[0].split, 801);  // samples 0..800: up to the first minimum after a maximum
    for (size_t k = 1; k < done.size(); ++k) EXPECT_EQ(done[k].split, 800);
}

TEST(FrameDetector, ModelWindowsDecideWhenAnExtremeIsConfirmed) {
    EXPECT_EQ(FrameDetector::reversal_window(1), 300);
    EXPECT_EQ(FrameDetector::reversal_window(3), 150);
    EXPECT_EQ(FrameDetector::reversal_window(6), 300);
    FrameDetector detector(info_of(3));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_HALF_SCAN)));
    const auto done = run_triangle(detector, 1000, 400);
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done[0].at, 400 + 149);
    EXPECT_EQ(done[0].split, 401);
}

// The completing sample is the first one at least `length` after the
// frame's first sample, and it belongs to the completed frame.
TEST(FrameDetector, TimedFramesEndAtFirstSampleAfterLength) {
    FrameDetector detector(info_of(4));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_TIMED, 0.1f)));
    std::vector<Completion> done;
    const int64_t start = 1765000000000000;
    for (int i = 0; i < 10000; ++i) {
        if (detector.update(sample(0, start + i * 40))) done.push_back({i, detector.split()});
    }
    ASSERT_GE(done.size(), 3u);
    EXPECT_EQ(done[0].at, 2500);  // 2500 x 40 us = 100 000 us after the first
    EXPECT_EQ(done[0].split, 2501);
    EXPECT_EQ(done[1].at, 5001);
    EXPECT_EQ(done[1].split, 2501);
}

TEST(FrameDetector, BackwardClockJumpEndsTimedFrameAtOnce) {
    FrameDetector detector(info_of(4));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_TIMED, 0.1f)));
    const int64_t t = 2000000000;
    EXPECT_FALSE(detector.update(sample(0, t)));
    EXPECT_FALSE(detector.update(sample(0, t + 10)));
    EXPECT_FALSE(detector.update(sample(0, t - 400000)));  // small step back: tolerated
    EXPECT_TRUE(detector.update(sample(0, t - 600000)));
    EXPECT_EQ(detector.split(), 4);
}

TEST(FrameDetector, ModelsWithoutReversalFallBackToTimedFrames) {
    struct Case {
        uint16_t model;
        uint32_t mode;
        float length;
    } cases[] = {{5, DRUVEX_SDK_FRAME_HALF_SCAN, 0.075f}, {7, DRUVEX_SDK_FRAME_HALF_SCAN, 0.075f},
                 {5, DRUVEX_SDK_FRAME_FULL_SCAN, 0.1f},   {7, DRUVEX_SDK_FRAME_FULL_SCAN, 0.1f},
                 {8, DRUVEX_SDK_FRAME_HALF_SCAN, 0.1f},   {8, DRUVEX_SDK_FRAME_FULL_SCAN, 0.1f},
                 {2, DRUVEX_SDK_FRAME_HALF_SCAN, 0.1f}};
    for (const Case& c : cases) {
        FrameDetector detector(info_of(c.model));
        ASSERT_FALSE(detector.set_options(options(c.mode, 0.5f)));
        EXPECT_EQ(detector.options().mode, DRUVEX_SDK_FRAME_TIMED) << c.model;
        EXPECT_FLOAT_EQ(detector.timed_length(), c.length) << c.model;
    }
    FrameDetector streaming(info_of(5));
    ASSERT_FALSE(streaming.set_options(options(DRUVEX_SDK_FRAME_STREAMING)));
    EXPECT_FALSE(streaming.update(sample(1, 1)));
}

TEST(FrameDetector, ZeroTimedLengthIsRefusedAndKeepsPreviousLength) {
    FrameDetector detector(info_of(4));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_TIMED, 0.2f)));
    EXPECT_EQ(detector.set_options(options(DRUVEX_SDK_FRAME_TIMED, 0.0f)).code,
              DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_FLOAT_EQ(detector.timed_length(), 0.2f);
}

// A length that passes the option check but does not fit in microseconds
// simply never ends a frame by time.
TEST(FrameDetector, HugeTimedLengthNeverOverflows) {
    FrameDetector detector(info_of(4));
    ASSERT_FALSE(detector.set_options(
        options(DRUVEX_SDK_FRAME_TIMED, std::numeric_limits<float>::infinity())));
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(detector.update(sample(0, 1 + i * 1000000000LL)));
}

// Options changed mid-scan restart the search; the samples already seen stay
// part of the frame, which still ends on the extreme.
TEST(FrameDetector, ChangingOptionsRestartsDetection) {
    FrameDetector detector(info_of(4));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_HALF_SCAN)));
    for (int i = 0; i < 200; ++i) ASSERT_FALSE(detector.update(sample(triangle(i, 400))));
    ASSERT_FALSE(detector.set_options(options(DRUVEX_SDK_FRAME_HALF_SCAN)));
    int completed_at = -1;
    for (int i = 200; i < 1000 && completed_at < 0; ++i) {
        if (detector.update(sample(triangle(i, 400)))) completed_at = i;
    }
    EXPECT_EQ(completed_at, 409);
    EXPECT_EQ(detector.split(), 401);
}
