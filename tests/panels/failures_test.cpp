// What the user is told and what is kept for them: failures shown in the
// window until dismissed, a file dialog that leaves the window running, a
// demo that ended by itself, a recording cut short by a full disk, a capture
// damaged part way through, and a Reset that keeps the settings files it
// replaces.
#include "../network/loopback.h"
#include "../toolkit/stand_in_zenity.h"
#include "panels/control_panel.h"
#include "platform/path_utils.h"
#include "support/file_size_limit.h"
#include "support/process_runner.h"
#include "support/recorded_capture.h"
#include "support/screenshot.h"
#include "support/toolbar_journey.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <utility>

namespace druvex {
namespace {

using namespace druvex::testing;

// Whether the window's picture shows the banner (or, with `shown` false, no
// longer shows it) in time: a frame or two may pass before it does.
bool picture_shows_banner(ToolbarJourney& journey, const std::string& png, bool shown) {
    return wait_until([&] {
        const Screenshot shot = journey.screenshot(png);
        const int rows = shot.rgba.empty() ? -1 : banner_rows(shot, 768);
        return shown ? rows > 15 : rows == 0;
    });
}

void press_key(const std::string& key) {
    std::string output;
    run_process({"/usr/bin/xdotool", "key", key}, {}, output);
}

MessageBanner* banner(ToolbarJourney& journey) { return journey.app->failure_banner(); }

bool banner_shown(ToolbarJourney& journey) {
    return journey.gui([&] { return banner(journey)->visible(); });
}

std::vector<std::string> banner_messages(ToolbarJourney& journey) {
    return journey.gui([&] { return banner(journey)->messages(); });
}

bool starts_with(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// A `python` that finds no demo module.
void install_python_without_demo(const std::string& dir) {
    ASSERT_EQ(std::system(("mkdir -p " + dir + "/bin").c_str()), 0);
    ASSERT_EQ(::symlink("/usr/bin/python3", (dir + "/bin/python").c_str()), 0);
    ::setenv("PATH", (dir + "/bin:" + std::getenv("PATH")).c_str(), 1);
    ::setenv("PYTHONPATH", dir.c_str(), 1);
}

TEST(FailuresTest, DialogsLeaveTheWindowRunningAndFailuresShowUntilDismissed) {
    if (!executable_exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
    const std::string dir = make_temp_dir();
    install_python_without_demo(dir);
    druvex_test::StandInZenity zenity;
    ToolbarJourney journey;
    if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    const std::string pcapng = dir + "/trip.pcapng";
    std::ofstream(pcapng) << std::string("\x0a\x0d\x0d\x0a\x1c\x00\x00\x00\x4d\x3c\x2b\x1a", 12)
                          << std::string(16, '\0');
    journey.app->set_show_advanced(true);
    journey.run([&] {
        journey.gui([] { nanogui::set_file_dialog_hook(nullptr); });  // the stand-in's turn
        nanogui::Widget* load = journey.find("Load Capture", journey.panel("Capture"));
        ASSERT_NE(load, nullptr);
        journey.click(load);
        ASSERT_TRUE(journey.wait_until([&] { return zenity.starts().size() == 1; }));
        // The window draws and takes input while the dialog is open; a
        // second request opens no second dialog.
        journey.click(load);
        press_key("F11");
        EXPECT_TRUE(journey.wait_until([&] { return !journey.app->panels_visible(); }));
        press_key("F11");
        EXPECT_TRUE(journey.wait_until([&] { return journey.app->panels_visible(); }));
        EXPECT_EQ(zenity.starts().size(), 1u);

        zenity.answer(pcapng);
        ASSERT_TRUE(journey.wait_until([&] { return banner_shown(journey); }));
        std::vector<std::string> shown = banner_messages(journey);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(starts_with(shown[0], "Load capture failed! " + pcapng + ": ")) << shown[0];
        EXPECT_EQ(shown[0].find(pcapng), shown[0].rfind(pcapng)) << "the path is named once";
        EXPECT_TRUE(journey.logged(shown[0]));  // the text standard error gets
        EXPECT_TRUE(picture_shows_banner(journey, dir + "/banner.png", true)) << dir;
        press_key("Escape");
        EXPECT_TRUE(journey.wait_until([&] { return !banner_shown(journey); }));
        EXPECT_TRUE(picture_shows_banner(journey, dir + "/dismissed.png", false)) << dir;

        // A demo that ends by itself is said; its row keeps the user's choice.
        nanogui::Widget* demo = journey.row("Demo Mode", nullptr);
        ASSERT_NE(demo, nullptr);
        journey.click(demo);
        journey.click(journey.find("Tembrix", journey.popup(demo)));
        ASSERT_TRUE(journey.wait_until([&] { return banner_shown(journey); }, 20.0));
        EXPECT_EQ(journey.toolbar().demo_mode(), 1u);
        shown = banner_messages(journey);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(starts_with(shown[0], "Demo Mode failed! ")) << shown[0];
        EXPECT_NE(shown[0].find("No module named"), std::string::npos) << shown[0];
        EXPECT_EQ(shown[0].find(imu_demo_command), std::string::npos)
            << "the tool's own line names what it ran: " << shown[0];
        EXPECT_EQ(journey.gui([&] { return static_cast<nanogui::ComboBox*>(demo)->caption(); }),
                  "Tembrix");
        journey.click(journey.gui([&] { return static_cast<nanogui::Widget*>(banner(journey)); }));
        EXPECT_TRUE(journey.wait_until([&] { return !banner_shown(journey); }));
    });
}

TEST(FailuresTest, AFullDiskEndsTheRecordingVisibly) {
    ToolbarJourney journey;
    if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    const std::string sim = binary_dir() + "/tools/sensor_sim/sensor_sim";
    if (!executable_exists(sim)) GTEST_SKIP() << "sensor_sim not built";
    const uint16_t port = druvex_test::free_udp_port();
    ASSERT_EQ(journey.gui([port] { return druvex_sdk_set_port(port); }), DRUVEX_SUCCESS);
    ChildProcess sender = start_process(
        {sim, "--udp", "127.0.0.1", "--port", std::to_string(port), "--packets", "1000000"}, {},
        "/dev/null");
    const std::string recording = make_temp_dir() + "/run1.pcap";
    journey.run([&] {
        journey.answer_file_dialog(recording);
        journey.click(journey.find("Start Capture"));
        ASSERT_TRUE(journey.wait_until([&] { return journey.app->is_recording(); }));
        {
            FileSizeLimit full(256 * 1024);
            EXPECT_TRUE(journey.wait_until([&] { return !journey.app->is_recording(); }, 20.0));
        }
        ASSERT_TRUE(journey.wait_until([&] { return banner_shown(journey); }));
        const std::vector<std::string> shown = banner_messages(journey);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown[0], "Append packet failed! " + recording + ": File too large");
        EXPECT_NE(journey.find("Start Capture"), nullptr);
    });
    ::kill(sender.pid, SIGTERM);
    wait_for_exit(sender, 10.0);
    EXPECT_GT(read_file(recording).size(), 1000u) << "what was recorded is kept";
}

// One flipped bit makes a record's length one no packet can have: the capture
// opens with the records before it, and the band says where and what is kept.
TEST(FailuresTest, ADamagedRecordKeepsTheCaptureBeforeIt) {
    ToolbarJourney journey;
    if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    std::string bytes = read_file(AppJourney::sample_capture());
    const auto records =
        capture_records(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_GT(records.size(), 3000u);
    bytes[records[3000].offset + 8 + 2] ^= 0x10;  // bit 20 of its captured length
    const std::string capture = make_temp_dir() + "/flipped.pcap";
    std::ofstream(capture, std::ios::binary) << bytes;
    journey.run([&] {
        journey.answer_file_dialog(capture);
        journey.click(journey.find("Load Capture"));
        ASSERT_TRUE(journey.wait_until([&] { return banner_shown(journey); }));
        const std::vector<std::string> shown = banner_messages(journey);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(starts_with(shown[0], "SDK Error: DRUVEX_ERROR_CORRUPT_FILE: " + capture +
                                              ": record at byte " +
                                              std::to_string(records[3000].offset) + " claims "))
            << shown[0];
        EXPECT_NE(shown[0].find("the 3000 records before it"), std::string::npos) << shown[0];
        EXPECT_TRUE(journey.logged(shown[0]));
        EXPECT_TRUE(journey.gui([&] { return journey.app->replay_control().is_open(); }));
        EXPECT_TRUE(journey.wait_until([&] { return journey.view_handles().size() == 2; }));
    });
}

// The files of the data directory whose names begin with `stem` + ".before-reset-".
std::vector<std::string> kept_before_reset(const std::string& dir, const std::string& stem) {
    std::vector<std::string> kept;
    DIR* d = ::opendir(dir.c_str());
    while (dirent* entry = d != nullptr ? ::readdir(d) : nullptr) {
        const std::string name = entry->d_name;
        if (starts_with(name, stem + ".before-reset-")) kept.push_back(dir + "/" + name);
    }
    if (d != nullptr) ::closedir(d);
    return kept;
}

TEST(FailuresTest, ResetKeepsThePreviousFiles) {
    ToolbarJourney journey;
    if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    const std::string dir = journey.data_dir + "/druvex";
    const std::string clips = dir + "/druvex_clips.json";
    const std::string transforms = dir + "/druvex_transforms.json";
    journey.run([&] {
        journey.gui([&] {
            ImageClip clip;
            clip.max_distance = 3.0f;
            journey.app->clips().set_image_clip(4242, clip);
            SensorTransform pose;
            pose.translation[1] = -12.0f;
            journey.app->transforms().set_transform(4242, pose);
        });
        // The autosave has the user's clip and pose in the default files.
        ASSERT_TRUE(journey.wait_until([&] {
            return read_file(clips).find("4242") != std::string::npos &&
                   read_file(transforms).find("4242") != std::string::npos;
        }));
        const std::string clips_before = read_file(clips);
        const std::string transforms_before = read_file(transforms);

        // The application's Reset at the top of the first view's Control Panel.
        nanogui::Widget* panel = journey.gui([&] {
            return static_cast<ControlPanel&>(*journey.app->first_view()->panel()).window();
        });
        journey.click(journey.find("Reset", panel));
        ASSERT_TRUE(journey.wait_until([&] {
            return read_file(transforms).find("4242") == std::string::npos &&
                   read_file(clips).find("4242") == std::string::npos && file_exists(transforms);
        }));
        const std::vector<std::string> kept_clips = kept_before_reset(dir, "druvex_clips");
        const std::vector<std::string> kept_poses = kept_before_reset(dir, "druvex_transforms");
        ASSERT_EQ(kept_clips.size(), 1u);
        ASSERT_EQ(kept_poses.size(), 1u);
        EXPECT_EQ(read_file(kept_clips[0]), clips_before);
        EXPECT_EQ(read_file(kept_poses[0]), transforms_before);
        // The config was as Reset leaves it: nothing of it to keep.
        EXPECT_EQ(kept_before_reset(dir, "druvex_viewer_config").size(), 0u);

        // Reset again, on settings Reset made: no further copies. (The reset
        // view built its Control Panel anew.)
        ASSERT_TRUE(journey.wait_until([&] { return file_exists(clips); }));
        panel = journey.gui([&] {
            return static_cast<ControlPanel&>(*journey.app->first_view()->panel()).window();
        });
        journey.click(journey.find("Reset", panel));
        journey.frames();
        EXPECT_EQ(kept_before_reset(dir, "druvex_clips").size(), 1u);
        EXPECT_EQ(kept_before_reset(dir, "druvex_transforms").size(), 1u);
        EXPECT_EQ(kept_before_reset(dir, "druvex_viewer_config").size(), 0u);
        EXPECT_FALSE(banner_shown(journey));  // nothing went wrong
    });
}

// Settings files that cannot be read, where the user meets them: a broken
// clips file at start-up, and a named pipe chosen with each panel's File ->
// Load. Each is said in the band with its place or its kind, and the band
// leaves the Control Panel's rows above it.
TEST(FailuresTest, UnreadableSettingsAreSaidInABandThatLeavesThePanelWhole) {
    const std::string broken = "{\n    \"focus\": {\"max_x\": 5},\n    oops\n}";
    ToolbarJourney journey({{"druvex_clips.json", broken}});
    if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    const std::string pipe = make_temp_dir() + "/settings.json";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string clips = journey.data_dir + "/druvex/druvex_clips.json";
    journey.app->set_show_advanced(true);  // a Control Panel long enough to reach the band
    journey.run([&] {
        // The first autosave sets the broken file aside and says where.
        ASSERT_TRUE(journey.wait_until([&] { return banner_messages(journey).size() == 2; }));
        const std::vector<std::string> shown = banner_messages(journey);
        EXPECT_EQ(shown[0],
                  "Could not load clips! " + clips + ": not valid JSON at line 3, column 5");
        const std::string kept_as = clips + " could not be read; it is kept as ";
        ASSERT_TRUE(starts_with(shown[1], kept_as)) << shown[1];
        const std::string kept = shown[1].substr(kept_as.size());
        EXPECT_TRUE(starts_with(kept, journey.data_dir + "/druvex/druvex_clips.unreadable-"));
        EXPECT_EQ(read_file(kept), broken);
        for (const std::string& line : shown) EXPECT_EQ(journey.times_logged(line), 1u) << line;

        const auto [panel_bottom, band_top] = journey.gui([&] {
            nanogui::Window* panel =
                static_cast<ControlPanel&>(*journey.app->first_view()->panel()).window();
            return std::make_pair(panel->position().y() + panel->height(),
                                  banner(journey)->position().y());
        });
        EXPECT_LE(panel_bottom, band_top) << "the band covers the Control Panel";
        EXPECT_GT(panel_bottom, band_top - 60) << "the panel ends well above the band";

        const std::string said = ": not a regular file (a named pipe)";
        // The config last: a config that cannot be read leaves the defaults,
        // which hide the advanced Clips and Transforms panels.
        for (const auto& [caption, message] :
             {std::make_pair("Clips", "Could not load clips! "),
              std::make_pair("Transforms", "Could not load transforms! "),
              std::make_pair("Config", "Could not open config file! ")}) {
            // A lambda may not capture a structured binding (C++17).
            const std::string expected = message + pipe + said;
            journey.click(journey.find(caption));  // opens the panel
            nanogui::Widget* file = journey.find("File", journey.panel(caption));
            ASSERT_NE(file, nullptr) << caption;
            journey.click(file);
            journey.answer_file_dialog(pipe);
            journey.click(journey.find("Load", journey.popup(file)));
            EXPECT_TRUE(journey.wait_until([&] {
                const std::vector<std::string> shown = banner_messages(journey);
                return !shown.empty() && shown.back() == expected;
            })) << caption;
            journey.click(journey.find(caption));  // and closes it
        }
    });
}

}  // namespace
}  // namespace druvex
