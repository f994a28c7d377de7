// The Config panel as a user drives it: the config file's popup, the number of
// viewers, and the SDK popup's flags and port.
#include "panels/control_panel.h"
#include "settings/json_file.h"
#include "support/free_port.h"
#include "support/panel_test.h"
#include "support/process_runner.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

namespace druvex {
namespace {

using namespace druvex::testing;

using ConfigPanelTest = PanelTest;

uint64_t n_streams_in(const std::string& path) {
    json j;
    if (!read_json_file(j, path) || !j.contains("n_streams")) return 0;
    return j["n_streams"].get<uint64_t>();
}

void set_n_streams_in(const std::string& path, uint64_t n) {
    json j;
    ASSERT_TRUE(read_json_file(j, path));
    j["n_streams"] = n;
    ASSERT_TRUE(write_json_file(j, path));
}

TEST_F(ConfigPanelTest, SaveAsEditReloadUnloadAndResetTheConfigFile) {
    const std::string mine = make_temp_dir() + "/mine";
    ViewerConfig& config = journey.app->viewer_config();
    journey.run([&] {
        journey.click(journey.find("Config"));
        nanogui::Widget* panel = journey.panel("Config");
        ASSERT_NE(panel, nullptr);
        nanogui::Widget* file = journey.find("File", panel);
        journey.click(file);
        nanogui::Widget* popup = journey.popup(file);
        EXPECT_NE(journey.find("Load", popup), nullptr);
        EXPECT_EQ(journey.find("Reload", popup), nullptr) << "no config file yet";
        EXPECT_EQ(journey.find("Unload", popup), nullptr);

        journey.answer_file_dialog(mine);
        journey.click(journey.find("Save As...", popup));
        EXPECT_FALSE(journey.gui([&] {
            return journey.app->screen()->visible() && popup->visible();
        })) << "the popup closes before the dialog opens";
        EXPECT_EQ(journey.app->current_config_path(), mine + ".json");
        EXPECT_EQ(n_streams_in(mine + ".json"), 1u);

        // Out of range numbers are held to 1 to 6, in the field and the config.
        nanogui::Widget* viewers = journey.row("# Viewers", panel);
        journey.type_into(viewers, "9");
        EXPECT_EQ(config.n_streams, 6u);
        journey.type_into(viewers, "0");
        EXPECT_EQ(config.n_streams, 1u);
        journey.type_into(viewers, "3");
        EXPECT_EQ(config.n_streams, 3u);
        journey.click(file);
        journey.click(journey.find("Save", popup));
        EXPECT_EQ(n_streams_in(mine + ".json"), 3u);

        set_n_streams_in(mine + ".json", 2);
        journey.click(file);
        journey.click(journey.find("Reload", popup));
        EXPECT_EQ(config.n_streams, 2u);

        journey.click(file);
        journey.click(journey.find("Unload", popup));
        EXPECT_TRUE(journey.app->current_config_path().empty());
        EXPECT_EQ(config.n_streams, 1u) << "the default config file's";
        EXPECT_EQ(n_streams_in(mine + ".json"), 2u) << "the user's file is left alone";

        journey.type_into(viewers, "4");
        journey.click(journey.find("Reset", panel));
        EXPECT_EQ(config.n_streams, 1u);
        EXPECT_EQ(n_streams_in(mine + ".json"), 2u);
        journey.frames();
        journey.click(file);
        EXPECT_EQ(journey.find("Reload", popup), nullptr);
        journey.screenshot(journey.data_dir + "/config_panel.png");
    });
}

// Default settings files that are named pipes are neither read nor replaced,
// and Reset brings the defaults back all the same: it says once, in the band,
// that the file is left as it is.
TEST(ConfigResetTest, ResetAppliesTheDefaultsWhenTheSettingsFilesArePipes) {
    const std::vector<std::string> names = {"druvex_viewer_config.json", "druvex_transforms.json",
                                            "druvex_clips.json"};
    ToolbarJourney journey({}, [&](const std::string& folder) {
        for (const std::string& name : names) ::mkfifo((folder + name).c_str(), 0644);
    });
    if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    const std::string folder = journey.data_dir + "/druvex/";
    const std::string said = "Reset not saved! " + folder + names[0] +
                             ": it could not be kept: not a regular file (a named pipe); it is "
                             "left as it is, and the defaults apply in memory only";
    const auto show_grid = [&] {
        return journey.gui([&] { return journey.app->first_view()->renderer.camera().show_grid; });
    };
    const auto control_panel = [&] {
        return journey.gui([&] {
            return static_cast<ControlPanel&>(*journey.app->first_view()->panel()).window();
        });
    };
    journey.run([&] {
        nanogui::Widget* grid = journey.row("Show Grid", control_panel());
        journey.scroll_into_view(grid);
        journey.click(grid);
        ASSERT_FALSE(show_grid());

        journey.click(journey.find("Config"));
        journey.click(journey.find("Reset", journey.panel("Config")));
        EXPECT_TRUE(journey.wait_until([&] { return show_grid(); }));
        EXPECT_TRUE(journey.wait_until([&] {
            auto* box = dynamic_cast<nanogui::CheckBox*>(journey.row("Show Grid", control_panel()));
            return box != nullptr && box->checked();
        })) << "the rebuilt Control Panel shows the default";
        EXPECT_TRUE(journey.wait_until([&] {
            const std::vector<std::string> shown = journey.app->failure_banner()->messages();
            return !shown.empty() && shown.back() == said;
        })) << said;
        journey.screenshot(journey.data_dir + "/reset.png");
    });
    journey.app->save_state();  // the last save tries the files once more
    EXPECT_EQ(journey.times_logged(said), 1u);
    EXPECT_EQ(journey.times_logged("Could not save"), 0u) << "the autosaves say nothing more";
    for (const std::string& name : names) {
        struct stat st {};
        EXPECT_TRUE(::lstat((folder + name).c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) << name;
    }
}

// A port this test holds, so that nobody else can take it; it counts what
// arrives there.
struct HeldPort {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    uint16_t port;
    size_t received = 0;
    explicit HeldPort(uint16_t at = free_udp_port()) : port(at) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~HeldPort() { ::close(fd); }
    // The datagrams that have arrived so far, counted without waiting.
    size_t count() {
        char datagram[65536];
        while (::recv(fd, datagram, sizeof datagram, MSG_DONTWAIT) >= 0) ++received;
        return received;
    }
};

TEST_F(ConfigPanelTest, SdkPopupSwitchesFlagsAndMovesThePort) {
    const std::string sim = binary_dir() + "/tools/sensor_sim/sensor_sim";
    if (!executable_exists(sim)) GTEST_SKIP() << "sensor_sim not built";
    const uint16_t old_port = free_udp_port();
    const uint16_t new_port = free_udp_port();
    ASSERT_EQ(druvex_sdk_set_port(old_port), DRUVEX_SUCCESS);
    journey.app->set_show_advanced(true);
    ChildProcess sender = start_process(
        {sim, "--udp", "127.0.0.1", "--port", std::to_string(new_port), "--packets", "1000000"}, {},
        "/dev/null");
    journey.run([&] {
        journey.click(journey.find("Config"));
        nanogui::Widget* sdk = journey.find("SDK", journey.panel("Config"));
        journey.click(sdk);
        nanogui::Widget* popup = journey.popup(sdk);
        const uint32_t before = druvex_sdk_get_control_flags();
        journey.click(journey.row("Stray Filter", popup));
        EXPECT_EQ(druvex_sdk_get_control_flags(), before | DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER);
        journey.click(journey.row("Stray Filter", popup));
        EXPECT_EQ(druvex_sdk_get_control_flags(), before);
        journey.click(journey.row("No Distance Clip", popup));
        journey.click(journey.row("No Image Clip", popup));
        EXPECT_EQ(druvex_sdk_get_control_flags(), before |
                                                      DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP |
                                                      DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP);
        journey.frames(25);  // the config follows the two clip flags each frame
        const ViewerConfig config = journey.gui([&] { return journey.app->viewer_config(); });
        EXPECT_TRUE(config.sdk_disable_distance_clip);
        EXPECT_TRUE(config.sdk_disable_image_clip);

        EXPECT_TRUE(journey.view_handles().empty()) << "nothing sends to the old port";
        nanogui::Widget* port = journey.row("Port", popup);
        journey.type_into(port, std::to_string(new_port));
        EXPECT_EQ(druvex_sdk_get_port(), new_port);
        EXPECT_TRUE(journey.wait_until([&] { return !journey.view_handles().empty(); }));

        // A port another program holds: the listener stays where it was.
        HeldPort taken;
        journey.type_into(port, std::to_string(taken.port));
        EXPECT_EQ(druvex_sdk_get_port(), new_port);
        journey.frames();
        EXPECT_EQ(
            journey.gui([&] { return static_cast<nanogui::IntBox<uint32_t>*>(port)->value(); }),
            new_port);
        EXPECT_TRUE(journey.logged("Could not listen on port " + std::to_string(taken.port)));
        journey.gui([&] { journey.app->remove_streams(); });
        EXPECT_TRUE(journey.wait_until([&] { return !journey.view_handles().empty(); }))
            << "the listener still receives on its port";

        journey.type_into(port, std::to_string(old_port));
        journey.gui([&] { journey.app->remove_streams(); });
        // The sensor goes on sending to the port the listener left: a few of
        // its frames' worth arrive there, and none of them reaches a view.
        {
            HeldPort left(new_port);  // released before the port is taken again below
            EXPECT_TRUE(journey.wait_until([&] { return left.count() > 500; }))
                << "the sensor stopped sending";
            journey.frames();
        }
        EXPECT_TRUE(journey.view_handles().empty()) << "the new port is left";
        auto shown = [&] {
            return journey.gui(
                [&] { return static_cast<nanogui::IntBox<uint32_t>*>(port)->value(); });
        };
        // No port: said, and the field shows the port in use.
        journey.type_into(port, "70000");
        EXPECT_EQ(druvex_sdk_get_port(), old_port);
        EXPECT_EQ(shown(), old_port);
        EXPECT_TRUE(journey.logged("Could not listen on port 70000"));

        // With networking off (as during a replay) a port is tried at once.
        journey.click(journey.find_type<Toolbar>(journey.panel("Capture")));  // pause
        ASSERT_TRUE(has_sdk_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK));
        const std::string refused = "Could not listen on port " + std::to_string(taken.port);
        const size_t refusals = journey.times_logged(refused);
        journey.type_into(port, std::to_string(taken.port));
        EXPECT_EQ(druvex_sdk_get_port(), old_port);
        EXPECT_EQ(shown(), old_port);
        EXPECT_EQ(journey.times_logged(refused), refusals + 1);
        journey.type_into(port, std::to_string(new_port));
        EXPECT_EQ(shown(), new_port);
        journey.click(journey.find_type<Toolbar>(journey.panel("Capture")));  // listen again
        journey.gui([&] { journey.app->remove_streams(); });
        EXPECT_TRUE(journey.wait_until([&] { return !journey.view_handles().empty(); }))
            << "listening on the port the field shows";
    });
    ::kill(sender.pid, SIGKILL);
    wait_for_exit(sender, 5.0);
}

}  // namespace
}  // namespace druvex
