// The application's own replay against the real SDK: a capture of a simulated
// sensor reaches the viewer's packet handler and the SDK's sensors under
// replayed handles, while the SDK's global replay stays closed.
#include "app/replay_control.h"
#include "sensor_sim.h"

#include "capture/capture.h"
#include "support/wait.h"
#include <gtest/gtest.h>

#include <cstdlib>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

namespace druvex {
namespace {

constexpr uint64_t sensor_handle = 0x0A000007;
constexpr uint64_t replayed_handle = sensor_handle + (uint64_t{1} << 32);

struct PacketSpy {
    static void on_packet(uint64_t handle, int64_t, const uint8_t*, size_t, void* user) {
        auto* spy = static_cast<PacketSpy*>(user);
        std::lock_guard<std::mutex> lock(spy->mutex);
        spy->handles.push_back(handle);
    }
    std::vector<uint64_t> taken() {
        std::lock_guard<std::mutex> lock(mutex);
        return handles;
    }
    size_t count() { return taken().size(); }

    std::mutex mutex;
    std::vector<uint64_t> handles;
};

std::atomic<size_t> g_replayed_frames{0};
std::atomic<size_t> g_other_frames{0};

void count_frame(uint64_t handle, size_t, const DruvexSensorRawPointWithTime*, void*) {
    (handle == replayed_handle ? g_replayed_frames : g_other_frames)++;
}

void init_sdk() {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
    ASSERT_EQ(druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, nullptr, nullptr),
              DRUVEX_SUCCESS);
    ASSERT_EQ(druvex_sdk_listen_raw_frames(count_frame, nullptr), DRUVEX_SUCCESS);
}

// The information packets, then `count` data packets (about 0.1 s of scan).
size_t write_capture(const std::string& path, size_t count) {
    druvex_sim::SensorSim sim(druvex_sim::SimOptions{});
    druvex_sdk::Capture capture;
    if (capture.open_for_write(path, false)) return 0;
    size_t written = 0;
    const auto write = [&](int64_t time_us, const druvex_sim::Bytes& bytes) {
        const druvex_sdk::CapturePacketHeader header{sensor_handle, time_us, bytes.size()};
        if (!capture.write_packet(header, bytes.data())) ++written;
    };
    druvex_sim::SimDataPacket packet = sim.next_data_packet();
    for (const auto& info : sim.info_packets()) write(packet.host_time_us, info);
    for (size_t i = 0; i < count; ++i, packet = sim.next_data_packet())
        write(packet.host_time_us, packet.bytes);
    return capture.close() ? 0 : written;
}

class ReplayControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_replayed_frames = 0;
        g_other_frames = 0;
        init_sdk();
        packets = write_capture(path, 200);
        ASSERT_GT(packets, 200u);
        ASSERT_TRUE(replay.open(path).ok());
    }
    void TearDown() override {
        replay.close();
        druvex_sdk_deinitialize();
        druvex_sdk_get_error(nullptr);
        std::remove(path.c_str());
    }

    std::string path =
        ::testing::TempDir() + "replay_control_" + std::to_string(::getpid()) + ".pcap";
    size_t packets = 0;
    PacketSpy spy;
    ReplayControl replay{PacketSpy::on_packet, &spy};
};

TEST_F(ReplayControlTest, PacketsReachTheHandlerAndTheSdkUnderReplayedHandles) {
    ASSERT_TRUE(replay.resume_blocking(60.0f).ok());
    EXPECT_TRUE(replay.is_end());
    EXPECT_EQ(spy.taken(), std::vector<uint64_t>(packets, replayed_handle));
    DruvexSensorInformation info;
    EXPECT_EQ(druvex_sdk_get_sensor_information(replayed_handle, &info), DRUVEX_SUCCESS);
    EXPECT_EQ(info.serial_number, 4242u);
    EXPECT_EQ(druvex_sdk_get_sensor_information(sensor_handle, &info),
              DRUVEX_ERROR_SENSOR_NOT_FOUND);
    druvex_sdk_get_error(nullptr);
    EXPECT_GT(g_replayed_frames.load(), 0u);
    EXPECT_EQ(g_other_frames.load(), 0u);
    EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 0);

    // Closing forgets the replayed sensor again.
    ASSERT_TRUE(replay.close().ok());
    EXPECT_FALSE(replay.is_open());
    EXPECT_EQ(druvex_sdk_get_sensor_information(replayed_handle, &info),
              DRUVEX_ERROR_SENSOR_NOT_FOUND);
}

TEST_F(ReplayControlTest, ReplayThreadDeliversTheWholeCapture) {
    ASSERT_TRUE(replay.resume().ok());
    ASSERT_TRUE(testing::wait_until([&] { return !replay.is_running(); }));
    EXPECT_TRUE(replay.is_end());
    EXPECT_EQ(spy.taken(), std::vector<uint64_t>(packets, replayed_handle));
    EXPECT_GT(g_replayed_frames.load(), 0u);
    EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 0);
}

// The capture refuses its length as a position; the replay takes it, and
// anything past it, for the last record, running or paused.
TEST_F(ReplayControlTest, SeeksAtOrPastTheEndLandOnTheLastRecord) {
    const float length = replay.get_length();
    ASSERT_GT(length, 0.0f);
    for (float position : {length, length + 5.0f}) {
        ASSERT_TRUE(replay.seek(position).ok()) << position;
        EXPECT_EQ(replay.get_position(), length);
        EXPECT_FALSE(replay.is_end());
    }
    ASSERT_TRUE(replay.resume_blocking(0.0f).ok());
    EXPECT_EQ(spy.count(), 1u) << "only the last record was left to play";
    EXPECT_TRUE(replay.is_end());

    ASSERT_TRUE(replay.set_enable_loop(true).ok());
    ASSERT_TRUE(replay.resume().ok());
    ASSERT_TRUE(replay.seek(length).ok());
    EXPECT_TRUE(replay.is_running());
    EXPECT_TRUE(replay.pause().ok());
}

// A failure comes back once, as the operation's result: the exported calls
// the replay makes inside leave nothing stored on the calling thread for the
// next, unrelated call to report.
TEST_F(ReplayControlTest, FailuresAreReportedOnceAndTheReplayGoesOnAfterThem) {
    druvex_sdk_deinitialize();
    SdkError error = replay.resume_blocking(60.0f);
    EXPECT_EQ(error.code, DRUVEX_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(druvex_sdk_get_error(nullptr), DRUVEX_SUCCESS);
    EXPECT_EQ(replay.open(path).code, DRUVEX_ERROR_NOT_INITIALIZED);
    EXPECT_FALSE(replay.is_open());
    EXPECT_EQ(druvex_sdk_get_error(nullptr), DRUVEX_SUCCESS);

    init_sdk();
    ASSERT_TRUE(replay.open(path).ok());
    EXPECT_EQ(replay.open(path + ".missing").code, DRUVEX_ERROR_FILE_IO);
    EXPECT_EQ(druvex_sdk_get_error(nullptr), DRUVEX_SUCCESS);
    ASSERT_TRUE(replay.open(path).ok());
    EXPECT_TRUE(replay.resume_blocking(60.0f).ok());
    EXPECT_EQ(spy.count(), packets + 1);
}

// A capture recorded with a small snap length says so once, through the
// application's report, and the replay still ends normally.
TEST_F(ReplayControlTest, CutRecordsAreReportedToTheApplicationOnce) {
    const std::string cut = path + ".cut.pcap";
    ASSERT_EQ(std::system(("editcap -F pcap -s 100 " + path + " " + cut).c_str()), 0);
    std::vector<SdkError> reports;
    ReplayControl cut_replay{PacketSpy::on_packet, &spy,
                             [&reports](const SdkError& error) { reports.push_back(error); }};
    replay.close();
    ASSERT_TRUE(cut_replay.open(cut).ok());
    EXPECT_TRUE(cut_replay.resume_blocking(60.0f).ok());
    cut_replay.close();
    std::remove(cut.c_str());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].code, DRUVEX_ERROR_CORRUPT_FILE);
    EXPECT_NE(std::string(reports[0].what()).find("cut at 100 bytes"), std::string::npos);
}

}  // namespace
}  // namespace druvex
