// Replaying captures: delivery, pacing, pause and resume, loop, seek and the
// blocking replays.
#include "capture/capture_replay.h"

#include <gtest/gtest.h>

#include "capture_test_support.h"
#include "druvex_sdk.h"
#include "replay_session.h"
#include "support/wait.h"

using druvex_sdk::CaptureReplay;
using druvex_sdk::replayed_handle_bit;
using namespace capture_test;

namespace {

std::vector<Packet> as_replayed(std::vector<Packet> packets) {
    for (Packet& p : packets) p.handle += replayed_handle_bit;
    return packets;
}

class CaptureReplayTest : public ::testing::Test {
protected:
    void open(size_t count, int64_t step_usec) {
        packets = sample_packets(count, step_usec);
        write_capture(path, packets);
        ASSERT_EQ(replay.open(path).code, 0);
    }

    TempDir dir;
    std::string path = dir.path("replay.pcap");
    std::vector<Packet> packets;
    ReplaySession session;
    CaptureReplay replay;
};

double seconds_between(std::chrono::steady_clock::time_point a,
                       std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

}  // namespace

TEST_F(CaptureReplayTest, OpenPausesAtTheStartWithNetworkingOff) {
    ASSERT_EQ(druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, 0), 0);
    open(5, 10000);
    EXPECT_TRUE(replay.is_open());
    EXPECT_EQ(replay.get_filename(), path);
    EXPECT_FALSE(replay.is_running());
    EXPECT_FALSE(replay.is_end());
    EXPECT_EQ(druvex_sdk_has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK), 1);
    EXPECT_EQ(replay.get_start_time(), packets[0].timestamp);
    EXPECT_FLOAT_EQ(replay.get_length(), 0.04f);
    EXPECT_EQ(session.count(), 0u);

    EXPECT_EQ(replay.open(dir.path("missing.pcap")).code, DRUVEX_ERROR_FILE_IO);
    EXPECT_FALSE(replay.is_open());
    EXPECT_TRUE(replay.is_end());
    EXPECT_EQ(replay.get_length(), 0.0f);
}

TEST_F(CaptureReplayTest, ThreadDeliversEveryPacketInOrderWithReplayedHandles) {
    open(40, 100);
    ASSERT_EQ(replay.resume().code, 0);
    ASSERT_TRUE(session.wait_for(40));
    EXPECT_TRUE(druvex::testing::wait_until([&] { return !replay.is_running(); }));
    EXPECT_TRUE(replay.is_end());
    EXPECT_EQ(session.packets(), as_replayed(packets));
    EXPECT_EQ(replay.resume_blocking(1.0f).code, DRUVEX_ERROR_EOF);
}

TEST_F(CaptureReplayTest, PacingFollowsTheSpeed) {
    open(5, 40000);
    size_t delivered = 0;
    for (float speed : {0.5f, 1.0f, 2.0f, 5.0f}) {
        ASSERT_EQ(replay.set_speed(speed).code, 0);
        ASSERT_EQ(replay.seek(0.0f).code, 0);
        // The schedule is anchored where the replay resumes: a thread held up
        // on a busy machine catches up with it, but never gets ahead of it.
        const auto resumed = std::chrono::steady_clock::now();
        ASSERT_EQ(replay.resume().code, 0);
        delivered += 5;
        ASSERT_TRUE(session.wait_for(delivered)) << speed;
        ASSERT_EQ(replay.pause().code, 0);
        const double took = seconds_between(resumed, session.arrivals()[delivered - 1]);
        const double expected = 0.16 / speed;
        EXPECT_GE(took, expected * 0.85) << speed;
        EXPECT_LE(took, expected + 1.0) << speed;
    }
}

TEST_F(CaptureReplayTest, PauseAndResumeLoseNothing) {
    open(30, 10000);
    ASSERT_EQ(replay.resume().code, 0);
    ASSERT_TRUE(session.wait_for(5));
    ASSERT_EQ(replay.pause().code, 0);
    EXPECT_FALSE(replay.is_running());
    const size_t held = session.count();
    druvex::testing::pause_for(0.05);  // nothing may arrive while paused
    EXPECT_EQ(session.count(), held);
    ASSERT_EQ(replay.resume().code, 0);
    ASSERT_TRUE(session.wait_for(30));
    EXPECT_EQ(session.packets(), as_replayed(packets));
}

TEST_F(CaptureReplayTest, SettersPauseAndResumeARunningReplay) {
    open(100, 10000);
    ASSERT_EQ(replay.resume().code, 0);
    ASSERT_TRUE(session.wait_for(2));
    ASSERT_EQ(replay.set_speed(5.0f).code, 0);
    EXPECT_TRUE(replay.is_running());
    EXPECT_EQ(replay.get_speed(), 5.0f);
    EXPECT_EQ(replay.resume_blocking(0.0f).code, DRUVEX_ERROR_GENERIC);
    EXPECT_EQ(replay.resume_blocking_once().message, "Replay already running!");
    EXPECT_EQ(replay.set_speed(0.000001f).code, 0);
    const auto too_fast = replay.set_speed(5.01f);
    EXPECT_EQ(too_fast.code, DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(too_fast.message, "Invalid replay speed!");
    EXPECT_EQ(replay.set_speed(0.0f).code, DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(replay.get_speed(), 0.000001f);
    ASSERT_EQ(replay.pause().code, 0);
}

TEST_F(CaptureReplayTest, LoopStartsAgainFromTheBeginning) {
    open(4, 1000);
    ASSERT_EQ(replay.set_enable_loop(true).code, 0);
    ASSERT_EQ(replay.set_speed(5.0f).code, 0);
    ASSERT_EQ(replay.resume().code, 0);
    ASSERT_TRUE(session.wait_for(10));
    ASSERT_EQ(replay.pause().code, 0);
    const auto got = session.packets();
    for (size_t k = 0; k < 10; ++k) EXPECT_EQ(got[k], as_replayed(packets)[k % 4]) << k;

    ASSERT_EQ(replay.seek(0.002f).code, 0);
    ASSERT_EQ(replay.resume_blocking(1.0f).code, 0);
    EXPECT_TRUE(replay.is_end());
    const size_t before = session.count();
    ASSERT_EQ(replay.resume_blocking_once().code, 0);
    EXPECT_EQ(session.packets().back(), as_replayed(packets)[0]);
    EXPECT_EQ(session.count(), before + 1);
}

TEST_F(CaptureReplayTest, SeekReachesEveryRecord) {
    open(8, 12345);
    // The last record's time is the length, which is not a valid position.
    for (size_t k = 0; k < 7; ++k) {
        ASSERT_EQ(replay.seek(static_cast<float>(k) * 0.012345f).code, 0) << k;
        ASSERT_EQ(replay.resume_blocking_once().code, 0);
        EXPECT_EQ(session.packets().back(), as_replayed(packets)[k]) << k;
    }
    EXPECT_EQ(replay.seek(replay.get_length()).message, "Invalid seek position!");
    EXPECT_EQ(replay.seek(-0.5f).code, DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(replay.seek(std::numeric_limits<float>::quiet_NaN()).code,
              DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(replay.seek(1e30f).code, DRUVEX_ERROR_INVALID_ARGUMENTS);
}

TEST_F(CaptureReplayTest, BlockingReplayStopsJustPastTheDuration) {
    open(10, 10000);
    ASSERT_EQ(replay.resume_blocking(0.0f).code, 0);
    EXPECT_EQ(session.count(), 2u);
    ASSERT_EQ(replay.seek(0.0f).code, 0);
    ASSERT_EQ(replay.resume_blocking(0.025f).code, 0);
    EXPECT_EQ(session.count(), 2u + 4u);
    EXPECT_NEAR(replay.get_position(), 0.03f, 1e-6f);
    EXPECT_EQ(replay.resume_blocking(-1.0f).message, "Invalid duration!");
}

TEST_F(CaptureReplayTest, CapturesWithoutDurationOpenAndReplay) {
    for (size_t count : {1u, 5u}) {
        open(count, 0);
        ASSERT_EQ(replay.set_enable_loop(false).code, 0);
        const size_t before = session.count();
        ASSERT_EQ(replay.resume_blocking(10.0f).code, 0);
        EXPECT_EQ(session.count(), before + count);
        ASSERT_EQ(replay.set_enable_loop(true).code, 0);
        ASSERT_EQ(replay.resume().code, 0);
        ASSERT_TRUE(session.wait_for(before + 3 * count));
        ASSERT_EQ(replay.close().code, 0);
    }
}

// Passes of a capture that spans no time would follow each other without a
// pause and hold a core; they take the shortest pass (0.1 s) instead.
TEST_F(CaptureReplayTest, LoopingCaptureWithoutDurationWaitsBetweenPasses) {
    open(1, 0);
    ASSERT_EQ(replay.set_enable_loop(true).code, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(replay.resume().code, 0);
    ASSERT_TRUE(session.wait_for(4));
    ASSERT_EQ(replay.pause().code, 0);
    const double passes = seconds_between(start, std::chrono::steady_clock::now()) / 0.1;
    EXPECT_LE(session.count(), static_cast<size_t>(passes) + 1);
}

TEST_F(CaptureReplayTest, CloseClearsTheReplay) {
    open(10, 20000);
    ASSERT_EQ(replay.resume().code, 0);
    ASSERT_EQ(replay.close().code, 0);
    EXPECT_FALSE(replay.is_open());
    EXPECT_FALSE(replay.is_running());
    EXPECT_TRUE(replay.is_end());
    EXPECT_EQ(replay.resume().code, DRUVEX_ERROR_NOT_OPEN);
    EXPECT_EQ(replay.seek(0.0f).code, DRUVEX_ERROR_NOT_OPEN);
    EXPECT_EQ(replay.resume_blocking(0.0f).code, DRUVEX_ERROR_NOT_OPEN);
    EXPECT_EQ(replay.pause().code, 0);
}
