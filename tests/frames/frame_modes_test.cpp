// Frames of a simulated sweeping sensor in every frame mode: where they split,
// which frame the completing sample joins, the withheld first frames, the
// fallbacks of models without reversal detection, and option changes while
// data flows.
#include <gtest/gtest.h>

#include <algorithm>

#include "druvex_sdk.h"
#include "frames/frame.h"
#include "sensors/sensor.h"
#include "sim_session.h"

using druvex_sim::SimOptions;
using druvex_test::DeliveredFrame;
using druvex_test::SimSession;

namespace {

constexpr int16_t sweep_max = 10000;  // raw image x at the right turning point

SimOptions sweeping(uint16_t model, uint32_t sweep_samples = 400) {
    SimOptions options;
    options.model = model;
    options.sweep_samples = sweep_samples;
    options.disable_image_clip = true;
    options.disable_distance_clip = true;
    return options;
}

constexpr uint32_t no_clips =
    DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP | DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP;
constexpr uint32_t packet_time = no_clips | DRUVEX_SDK_CONTROL_USE_PACKET_TIME;

uint32_t xz_of(const DruvexSensorRawPointWithTime& p) {
    return uint32_t{p.image_x} | uint32_t{p.image_z} << 16;
}

int16_t last_x(const DeliveredFrame& frame) {
    return static_cast<int16_t>(frame.raw.back().image_x);
}

// Index in the sent records where the delivered points start; every
// delivered point must follow on from there with none missing or repeated.
size_t check_contiguous(const SimSession& session) {
    const auto delivered = session.delivered_raw();
    const auto& sent = session.sent_xz();
    if (delivered.empty()) {
        ADD_FAILURE() << "nothing delivered";
        return 0;
    }
    for (size_t start = 0; start + delivered.size() <= sent.size(); ++start) {
        size_t k = 0;
        while (k < delivered.size() && xz_of(delivered[k]) == sent[start + k]) ++k;
        if (k == delivered.size()) return start;
    }
    ADD_FAILURE() << "delivered points are not one unbroken run of the sent records";
    return 0;
}

void check_image_counts(const SimSession& session, size_t returns) {
    for (const auto& frame : session.frames())
        EXPECT_EQ(frame.image.size(), frame.raw.size() * returns);
}

// The image point that the detector saw for sample s of a frame.
int64_t sample_time(const DeliveredFrame& frame, size_t s, size_t per_sample) {
    return frame.image[s * per_sample].timestamp;
}

// Each timed frame ends at its first sample at least `length` after its
// first sample: that sample is in the frame, the one before is short of it.
void check_timed_frames(const SimSession& session, double length_s, size_t per_sample) {
    const int64_t length_us = static_cast<int64_t>(length_s * 1e6);
    ASSERT_FALSE(session.frames().empty());
    for (const auto& frame : session.frames()) {
        const size_t samples = frame.image.size() / per_sample;
        ASSERT_GE(samples, 2u);
        const int64_t first = sample_time(frame, 0, per_sample);
        EXPECT_GE(sample_time(frame, samples - 1, per_sample) - first, length_us);
        EXPECT_LT(sample_time(frame, samples - 2, per_sample) - first, length_us);
    }
}

}  // namespace

TEST(FrameModes, StreamingDeliversEveryPacketAtOnce) {
    SimOptions options = sweeping(5);
    options.layout = druvex_sim::Layout::stdq;
    options.multiple_returns = true;
    options.use_packet_time = true;
    SimSession session(options, DRUVEX_SDK_FRAME_STREAMING, 0.05f,
                       packet_time | DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS);
    session.send_info();
    for (int k = 0; k < 4; ++k) {
        const auto packet = session.send_data();
        ASSERT_EQ(session.frames().size(), size_t(k) + 1);
        const DeliveredFrame& frame = session.frames().back();
        EXPECT_EQ(frame.raw.size(), packet.records);
        EXPECT_EQ(frame.image.size(), packet.records * 2u);
        for (const auto& p : frame.raw) EXPECT_EQ(p.timestamp, packet.clock_us);
    }
    EXPECT_EQ(check_contiguous(session), 0u);
}

namespace {

// Samples (by index from the first one sent) at which the sweep turns.
std::vector<size_t> turning_points(const SimSession& session) {
    const size_t channels = session.sim().channel_count();
    std::vector<size_t> at;
    const auto& sent = session.sent_xz();
    for (size_t s = 0; s * channels < sent.size(); ++s) {
        if (std::abs(static_cast<int16_t>(sent[s * channels] & 0xFFFF)) == sweep_max)
            at.push_back(s);
    }
    return at;
}

// Checks that the delivered frames are the ones between the turning points
// listed in `ends` (every one for half scans, every second for full scans),
// the first two withheld; model 4 confirms a turning point 10 samples later.
void check_scan_frames(const SimSession& session, const std::vector<size_t>& ends) {
    const size_t channels = session.sim().channel_count();
    const size_t samples = session.sent_xz().size() / channels;
    size_t completed = 0;
    while (completed < ends.size() && ends[completed] + 10 <= samples) ++completed;
    ASSERT_GE(completed, 4u);
    ASSERT_EQ(session.frames().size(), completed - 2);
    EXPECT_EQ(check_contiguous(session), (ends[1] + 1) * channels);
    for (size_t k = 0; k < session.frames().size(); ++k) {
        const DeliveredFrame& frame = session.frames()[k];
        EXPECT_EQ(frame.raw.size(), (ends[k + 2] - ends[k + 1]) * channels) << k;
        // The turning sample closes its frame.
        EXPECT_EQ(std::abs(last_x(frame)), sweep_max) << k;
    }
}

}  // namespace

TEST(FrameModes, HalfScanSplitsAtEveryTurningPoint) {
    SimSession session(sweeping(4), DRUVEX_SDK_FRAME_HALF_SCAN, 0.05f, packet_time);
    session.send_info();
    while (session.sent_xz().size() < 2000 * session.sim().channel_count()) session.send_data();
    const auto turns = turning_points(session);
    ASSERT_GE(turns.size(), 4u);
    check_scan_frames(session, turns);
    check_image_counts(session, 1);
}

// The search starts for a rightmost point, so full scans end at leftmost
// turning points: every second one, from the second on.
TEST(FrameModes, FullScanSplitsAtEverySecondTurningPoint) {
    SimSession session(sweeping(4, 200), DRUVEX_SDK_FRAME_FULL_SCAN, 0.05f, packet_time);
    session.send_info();
    while (session.sent_xz().size() < 2000 * session.sim().channel_count()) session.send_data();
    const auto turns = turning_points(session);
    ASSERT_GT(turns[0], 0u);
    std::vector<size_t> minima;
    for (size_t k = 1; k < turns.size(); k += 2) minima.push_back(turns[k]);
    check_scan_frames(session, minima);
    for (const auto& frame : session.frames()) EXPECT_EQ(last_x(frame), -sweep_max);
}

TEST(FrameModes, TimedFramesEndAtFirstSampleAfterLength) {
    SimSession session(sweeping(4), DRUVEX_SDK_FRAME_TIMED, 0.01f, no_clips);
    const size_t channels = session.sim().channel_count();
    session.send_info();
    session.send_data_packets(80);
    EXPECT_GE(session.frames().size(), 4u);
    check_timed_frames(session, 0.01, channels);
    check_contiguous(session);
}

TEST(FrameModes, BackwardTimeJumpEndsTimedFrameAtOnce) {
    SimSession session(sweeping(4), DRUVEX_SDK_FRAME_TIMED, 0.05f, no_clips);
    session.send_info();
    session.send_data_packets(140);  // the first two frames, withheld
    ASSERT_TRUE(session.frames().empty());
    session.send_data_packets(30);
    session.send_data(-1000000);  // this packet's clock base lies a second back
    ASSERT_EQ(session.frames().size(), 1u);
    const DeliveredFrame& frame = session.frames()[0];
    EXPECT_LT(frame.raw.back().timestamp, frame.raw.front().timestamp - 500000);
    EXPECT_LT(frame.raw[frame.raw.size() - 9].timestamp - frame.raw.front().timestamp, 50000);
}

// Models 5 and 7 scan too irregularly, model 8 has no reversal support: the
// scan modes become timed frames of 0.075 s or 0.1 s.
TEST(FrameModes, ModelsWithoutReversalSupportUseTimedFrames) {
    struct Case {
        uint16_t model;
        uint32_t mode;
        double length;
    } cases[] = {{5, DRUVEX_SDK_FRAME_HALF_SCAN, 0.075},
                 {5, DRUVEX_SDK_FRAME_FULL_SCAN, 0.1},
                 {8, DRUVEX_SDK_FRAME_HALF_SCAN, 0.1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        SimOptions options = sweeping(c.model);
        options.record_period_us = 40;  // fewer packets per frame
        SimSession session(options, c.mode, 0.05f, no_clips);
        session.send_info();
        while (session.frames().empty()) session.send_data();
        check_timed_frames(session, c.length, session.sim().channel_count());
    }
}

// Options change while data flows: whatever the mode, every point added is
// delivered once, in order, and frames after the last change again end at
// turning points.
TEST(FrameModes, ChangingOptionsMidStreamLosesAndRepeatsNothing) {
    SimSession session(sweeping(4, 100), DRUVEX_SDK_FRAME_HALF_SCAN, 0.05f, packet_time);
    session.send_info();
    session.send_data_packets(30);
    session.set_frame_options(DRUVEX_SDK_FRAME_FULL_SCAN);
    session.send_data_packets(7);
    session.set_frame_options(DRUVEX_SDK_FRAME_STREAMING);
    session.send_data_packets(3);
    session.set_frame_options(DRUVEX_SDK_FRAME_HALF_SCAN);
    session.send_data_packets(5);
    session.set_frame_options(DRUVEX_SDK_FRAME_HALF_SCAN);  // restart in the middle of a sweep
    const size_t before = session.frames().size();
    session.send_data_packets(40);
    ASSERT_GT(session.frames().size(), before + 3);
    for (size_t k = before + 1; k < session.frames().size(); ++k) {
        EXPECT_EQ(std::abs(last_x(session.frames()[k])), sweep_max) << k;
    }
    check_contiguous(session);
    check_image_counts(session, 1);
}

// A calibration without channels leaves nothing to detect samples by; the
// frame passes its points on instead of holding them forever.
TEST(FrameModes, FrameWithoutChannelsDoesNotStall) {
    SimSession session(sweeping(4), DRUVEX_SDK_FRAME_HALF_SCAN, 0.05f, packet_time);
    session.send_info();
    DruvexCalibration calibration{};
    ASSERT_EQ(druvex_sdk_get_calibration(SimSession::handle, &calibration), DRUVEX_SUCCESS);
    calibration.channel_count = 0;
    ASSERT_EQ(druvex_sdk_set_calibration(SimSession::handle, &calibration), DRUVEX_SUCCESS);
    session.send_data_packets(3);
    EXPECT_EQ(session.frames().size(), 3u);
    check_contiguous(session);
}

// A frame that never ends outgrows its buffer: its points are dropped, and
// the refusal says why instead of the frames silently stopping.
TEST(FrameBuffer, OutgrownFrameIsDiscardedAndSaysSo) {
    auto sensor = std::make_shared<druvex_sdk::Sensor>(0x0A000001);
    druvex_sdk::Frame frame(sensor, 100);
    const std::vector<DruvexSensorRawPointWithTime> raw(60);
    EXPECT_EQ(frame.add_points(60, raw.data(), nullptr).code, 0);
    const druvex_sdk::SensorError error = frame.add_points(60, raw.data(), nullptr);
    EXPECT_EQ(error.code, DRUVEX_ERROR_OUT_OF_MEMORY);
    EXPECT_EQ(error.message, "frame discarded: its points outgrew the frame buffer");
    EXPECT_EQ(frame.add_points(60, raw.data(), nullptr).code, 0);
}
