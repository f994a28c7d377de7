// The application object on a virtual display started in the test's own network.
#include "app/viewer_application.h"
#include "platform/path_utils.h"
#include "support/private_display.h"
#include "support/private_network.h"
#include "support/process_runner.h"
#include "support/recorded_capture.h"

#include "capture/capture.h"

#include <nanogui/nanogui.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <set>
#include <thread>

namespace druvex {
namespace {

using Clock = std::chrono::steady_clock;

// Sends datagrams from loopback to a port of its own choosing.
class LoopbackPort {
public:
    LoopbackPort() {
        const int probe = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(probe, reinterpret_cast<sockaddr*>(&address), size);
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
        close(probe);
        target_ = address;
        port = ntohs(address.sin_port);
    }
    ~LoopbackPort() { close(fd_); }
    void send(const std::string& text) {
        sendto(fd_, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&target_),
               sizeof target_);
    }

    uint16_t port = 0;

private:
    int fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target_{};
};

// The application's packet handler behind a gate: the SDK's processing
// thread waits there, as behind a slow disk, until the gate opens.
struct Gate {
    ViewerApplication* app = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::string last;

    static void pass(uint64_t handle, int64_t time_us, const uint8_t* data, size_t size,
                     void* user) {
        auto* gate = static_cast<Gate*>(user);
        {
            std::unique_lock<std::mutex> lock(gate->mutex);
            gate->last.assign(reinterpret_cast<const char*>(data), size);
            gate->changed.notify_all();
            gate->changed.wait(lock, [gate] { return gate->open; });
        }
        ViewerApplication::network_packet_callback(handle, time_us, data, size, gate->app);
    }
    bool wait_for(const std::string& text) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return last == text; });
    }
    void let_through() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
    }
};

// The renderer workaround destroys a freshly made application at once; what
// the user saved before must survive that.
TEST(ApplicationTest, ApplicationThatNeverRanWritesNoSettings) {
    if (testing::program_display() == nullptr) GTEST_SKIP() << "no virtual display";
    const std::string home = testing::make_temp_dir();
    ::setenv("APPDATA", home.c_str(), 1);
    nanogui::init();  // left up: unloading the GL driver would hide its allocations from the leak
                      // check
    {
        nanogui::ref<ViewerApplication> app = new ViewerApplication(false, 0);
        EXPECT_EQ(app->caption(), "DruvexViewer (1.41)");
        EXPECT_EQ(ViewerApplication::config_path(), home + "/druvex/druvex_viewer_config.json");
    }
    EXPECT_FALSE(file_exists(home + "/druvex"));
    ::unsetenv("APPDATA");
}

// The application's own replay carries a capture to its views under replayed
// handles, never waiting for the lock the GUI thread holds while it keeps
// the views; it leaves the SDK's global replay alone, and shut-down closes it.
TEST(ApplicationTest, OwnReplayFillsTheViewsWithReplayedSensors) {
    if (testing::program_display() == nullptr) GTEST_SKIP() << "no virtual display";
    if (!testing::executable_exists(testing::sample_capture_maker()))
        GTEST_SKIP() << "capture maker not built";
    const std::string home = testing::make_temp_dir();
    std::string output;
    const std::string capture = testing::make_sample_capture(2, output);
    ASSERT_FALSE(capture.empty()) << output;
    ::setenv("APPDATA", home.c_str(), 1);
    nanogui::init();
    {
        nanogui::ref<ViewerApplication> app = new ViewerApplication(false, 0);
        app->init();
        app->load_capture(capture);
        ASSERT_TRUE(app->replay_control().is_open());
        // Driven on this thread from the start, so what the views hold does
        // not depend on timing.
        ASSERT_TRUE(app->replay_control().pause().ok());
        ASSERT_TRUE(app->replay_control().seek(0.0f).ok());
        std::unique_lock<std::mutex> drawing(app->data_mutex_for_tests());
        auto replayed_frames = std::async(
            std::launch::async, [&] { return app->replay_control().resume_blocking(1.5f).ok(); });
        const bool in_time =
            replayed_frames.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        drawing.unlock();
        ASSERT_TRUE(in_time) << "the replay waited for the GUI thread";
        ASSERT_TRUE(replayed_frames.get());
        app->update_streams();  // new views join
        app->update_streams();  // their streams show
        std::set<uint64_t> handles;
        for (View* view : app->get_views()) {
            for (uint64_t handle : view->sensor_handles()) handles.insert(handle);
        }
        const uint64_t replayed = uint64_t{1} << 32;
        EXPECT_EQ(handles, (std::set<uint64_t>{0xC0A801C9 + replayed, 0xC0A801CA + replayed}));
        EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 0);

        app->save_state();
        EXPECT_FALSE(app->replay_control().is_open());
        EXPECT_EQ(druvex_sdk_is_initialized(), 0);
    }
    ::unsetenv("APPDATA");
}

// Another program that holds the SDK's port without sharing it must not take
// replay away: the viewer starts with networking off and says why. The test
// holds the port itself, in a network of its own where no one else can.
TEST(ApplicationTest, HeldPortLeavesTheViewerOfflineButReplaying) {
    ASSERT_TRUE(testing::in_private_network()) << testing::private_network_failure();
    if (testing::program_display() == nullptr) GTEST_SKIP() << "no virtual display";
    if (!testing::executable_exists(testing::sample_capture_maker()))
        GTEST_SKIP() << "capture maker not built";
    std::string output;
    const std::string capture = testing::make_sample_capture(1, output);
    ASSERT_FALSE(capture.empty()) << output;
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    const uint16_t sensor_port = druvex_sdk_create_options().port;
    address.sin_port = htons(sensor_port);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
        << "the sensors' port is in use in the test's own network";
    const std::string home = testing::make_temp_dir();
    ::setenv("APPDATA", home.c_str(), 1);
    nanogui::init();
    {
        nanogui::ref<ViewerApplication> app = new ViewerApplication(false, 0);
        ::testing::internal::CaptureStderr();
        app->init();
        const std::string said = ::testing::internal::GetCapturedStderr();
        close(holder);
        EXPECT_NE(said.find("UDP port " + std::to_string(sensor_port) +
                            " cannot be used: networking is off"),
                  std::string::npos)
            << said;
        EXPECT_EQ(druvex_sdk_is_initialized(), 1);
        EXPECT_EQ(druvex_sdk_has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK), 1);
        app->load_capture(capture);
        ASSERT_TRUE(app->replay_control().is_open());
        ASSERT_TRUE(app->replay_control().pause().ok());
        ASSERT_TRUE(app->replay_control().seek(0.0f).ok());
        ASSERT_TRUE(app->replay_control().resume_blocking(1.5f).ok());
        app->update_streams();
        EXPECT_FALSE(app->get_views().empty());
        app->save_state();
    }
    ::unsetenv("APPDATA");
}

// When the SDK falls behind the traffic and drops its backlog during a
// recording, stopping the recording says how many packets its file misses.
TEST(ApplicationTest, RecordingThatMissedPacketsSaysHowMany) {
    if (testing::program_display() == nullptr) GTEST_SKIP() << "no virtual display";
    const std::string home = testing::make_temp_dir();
    ::setenv("APPDATA", home.c_str(), 1);
    nanogui::init();
    {
        nanogui::ref<ViewerApplication> app = new ViewerApplication(false, 0);
        app->init();
        LoopbackPort sender;
        ASSERT_EQ(druvex_sdk_set_port(sender.port), 0);
        ASSERT_EQ(druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, 0), 0);
        Gate gate;
        gate.app = app.get();
        ASSERT_EQ(druvex_sdk_unlisten_network_packet(), 0);
        ASSERT_EQ(druvex_sdk_listen_network_packet(Gate::pass, &gate), 0);
        const std::string path = home + "/held.pcap";
        ASSERT_TRUE(app->start_recording(path, true));
        const uint64_t dropped_before = druvex_sdk_get_n_dropped_packets();

        sender.send("held");
        ASSERT_TRUE(gate.wait_for("held"));
        uint64_t sent = 1;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (druvex_sdk_get_n_dropped_packets() == dropped_before && Clock::now() < deadline) {
            for (int i = 0; i < 50; ++i, ++sent) sender.send("packet");
            std::this_thread::yield();  // the SDK's receiving thread takes them in
        }
        gate.let_through();
        sender.send("last");
        ++sent;
        ASSERT_TRUE(gate.wait_for("last"));
        const uint64_t dropped = druvex_sdk_get_n_dropped_packets() - dropped_before;
        ASSERT_GT(dropped, 0u);

        ::testing::internal::CaptureStderr();
        app->stop_capture();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("Capture " + path + " is missing " + std::to_string(dropped) +
                            " packets: they arrived faster than they could be processed"),
                  std::string::npos)
            << said;
        EXPECT_LE(testing::recorded_packet_times(path).size() + dropped, sent);
        ::testing::internal::CaptureStderr();
        app->stop_capture();  // said once
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        app->save_state();
    }
    ::unsetenv("APPDATA");
}

}  // namespace
}  // namespace druvex
