// Live traffic recorded by the application, with a simulated sensor sending
// over loopback at a steady pace.
#include "../network/loopback.h"
#include "app/viewer_application.h"
#include "sensor_sim.h"
#include "support/process_runner.h"
#include "support/recorded_capture.h"
#include "support/wait.h"

#include "capture/capture.h"

#include <nanogui/nanogui.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace druvex {
namespace {

// Holds the SDK's processing thread at the first finished frame until it is
// released, as a slow consumer of frames does: packets then wait in the
// SDK's queue before they reach the recording.
class FrameGate {
public:
    static void on_frame(uint64_t, size_t, const DruvexSensorImagePoint*, void* user) {
        auto* gate = static_cast<FrameGate*>(user);
        std::unique_lock<std::mutex> lock(gate->mutex_);
        gate->held_ = true;
        gate->changed_.wait_for(lock, std::chrono::seconds(30), [gate] { return gate->open_; });
    }
    // Whether a frame was held; lets every frame through from now on.
    bool open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
        return held_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool open_ = false;
};

int64_t system_time_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Each packet is recorded with the time it arrived, not the time it was
// written: the gaps in the file are the gaps on the wire, even for the
// packets that waited while processing lagged.
TEST(LiveRecordingTest, PacketsKeepThePaceTheyArrivedAtWhileProcessingLags) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    const std::string home = testing::make_temp_dir();
    ::setenv("APPDATA", home.c_str(), 1);
    nanogui::init();  // left up: unloading the GL driver hides its allocations from the leak check
    {
        nanogui::ref<ViewerApplication> app = new ViewerApplication(false, 0);
        app->init();
        const uint16_t port = druvex_test::free_udp_port();
        ASSERT_EQ(druvex_sdk_set_port(port), DRUVEX_SUCCESS);
        druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, 0);
        FrameGate gate;
        ASSERT_EQ(druvex_sdk_listen_image_frames(FrameGate::on_frame, &gate), DRUVEX_SUCCESS);
        const std::string path = home + "/paced.pcap";
        ASSERT_TRUE(app->start_recording(path, false));

        druvex_sim::SensorSim sim{druvex_sim::SimOptions{}};
        std::vector<druvex_sim::Bytes> packets = sim.info_packets();
        while (packets.size() < 200) packets.push_back(sim.next_data_packet().bytes);
        druvex_test::UdpSender sender;
        std::vector<int64_t> sent_us;
        const auto start = std::chrono::steady_clock::now();
        for (size_t i = 0; i < packets.size(); ++i) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(5 * i));
            sent_us.push_back(system_time_us());
            sender.send(port, packets[i]);
        }
        EXPECT_TRUE(gate.open()) << "processing never lagged: the check below proves nothing";
        EXPECT_TRUE(testing::wait_until(
            [&] { return app->capture_recorder().packet_count() == packets.size(); }, 20))
            << app->capture_recorder().packet_count();
        app->stop_capture();
        druvex_sdk_unlisten_image_frames();
        app->save_state();

        const std::vector<int64_t> recorded_us = testing::recorded_packet_times(path);
        ASSERT_EQ(recorded_us.size(), sent_us.size());
        // How late each packet is recorded against its send, measured from the
        // typical lateness (that of any one packet may itself be off).
        std::vector<int64_t> late_us;
        for (size_t i = 0; i < sent_us.size(); ++i) late_us.push_back(recorded_us[i] - sent_us[i]);
        std::vector<int64_t> sorted = late_us;
        std::sort(sorted.begin(), sorted.end());
        std::vector<int64_t> drift_us;
        for (int64_t late : late_us) drift_us.push_back(std::abs(late - sorted[sorted.size() / 2]));
        std::sort(drift_us.begin(), drift_us.end());
        // A packet stamped when written lags by up to the second the
        // processing was held; a busy machine delays a few sends or reads by
        // tens of milliseconds, which the upper part of the spread allows.
        EXPECT_LT(drift_us[drift_us.size() / 2], 5000);
        EXPECT_LT(drift_us[drift_us.size() * 9 / 10], 25000);
    }
    ::unsetenv("APPDATA");
}

}  // namespace
}  // namespace druvex
