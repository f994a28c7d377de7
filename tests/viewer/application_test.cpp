// The application object under the virtual display.
#include "app/viewer_application.h"
#include "platform/path_utils.h"
#include "support/private_network.h"
#include "support/process_runner.h"

#include <nanogui/nanogui.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

namespace druvex {
namespace {

// The renderer workaround destroys a freshly made application at once; what
// the user saved before must survive that.
TEST(ApplicationTest, ApplicationThatNeverRanWritesNoSettings) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
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
// handles, leaves the SDK's global replay alone, and is closed by shut-down.
TEST(ApplicationTest, OwnReplayFillsTheViewsWithReplayedSensors) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
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
        ASSERT_TRUE(app->replay_control().resume_blocking(1.5f).ok());
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
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    if (!testing::executable_exists(testing::sample_capture_maker()))
        GTEST_SKIP() << "capture maker not built";
    std::string output;
    const std::string capture = testing::make_sample_capture(1, output);
    ASSERT_FALSE(capture.empty()) << output;
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(8808);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
        << "port 8808 is in use in the test's own network";
    const std::string home = testing::make_temp_dir();
    ::setenv("APPDATA", home.c_str(), 1);
    nanogui::init();
    {
        nanogui::ref<ViewerApplication> app = new ViewerApplication(false, 0);
        ::testing::internal::CaptureStderr();
        app->init();
        const std::string said = ::testing::internal::GetCapturedStderr();
        close(holder);
        EXPECT_NE(said.find("UDP port 8808 cannot be used: networking is off"), std::string::npos)
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

}  // namespace
}  // namespace druvex
