// The Tools rows: "Screenshot" writes the views as a PNG file; "Demo Mode"
// starts and stops the demo command, leaving no process behind, and shows
// what runs across a replay.
#include "support/panel_test.h"
#include "support/process_runner.h"
#include "support/recorded_capture.h"

#include <dirent.h>
#include <signal.h>
#include <stb_image.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace druvex {
namespace {

using namespace druvex::testing;

using ScreenshotDemoPanelTest = PanelTest;

// This test's demo processes: those started with its PYTHONPATH (tests
// beside it run demos of their own) whose command line holds the demo
// module's name, the module itself or also a shell that started it.
std::vector<pid_t> demo_processes(const std::string& demo_dir, bool module_only = true) {
    const std::string module("-m\0druvex_util.demo.demo_zuna", 30);
    const std::string ours("PYTHONPATH=" + demo_dir + '\0');
    std::vector<pid_t> pids;
    DIR* proc = ::opendir("/proc");
    while (dirent* entry = proc != nullptr ? ::readdir(proc) : nullptr) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        const std::string at = "/proc/" + std::to_string(pid);
        const std::string cmdline = read_file(at + "/cmdline");
        const bool zombie = read_file(at + "/stat").find(") Z ") != std::string::npos;
        const bool named = cmdline.find(module_only ? module : "demo_zuna") != std::string::npos;
        if (named && !zombie && read_file(at + "/environ").find(ours) != std::string::npos)
            pids.push_back(pid);
    }
    if (proc != nullptr) ::closedir(proc);
    return pids;
}

// An ended demo's processes are signalled as a group; the grandchild that
// runs the module needs a moment to go.
bool demo_ends(const std::string& demo_dir) {
    return wait_until([&] { return demo_processes(demo_dir, false).empty(); });
}

// A `python` on PATH and a stand-in demo module that prints samples until ended.
void install_stand_in_demo(const std::string& dir) {
    const std::string module = dir + "/druvex_util/demo";
    ASSERT_EQ(std::system(("mkdir -p " + module + " " + dir + "/bin").c_str()), 0);
    std::ofstream(dir + "/druvex_util/__init__.py");
    std::ofstream(module + "/__init__.py");
    std::ofstream(module + "/demo_zuna.py") << "import time\n"
                                               "while True:\n"
                                               "    print('0 0 0 1 0 0 0', flush=True)\n"
                                               "    time.sleep(0.05)\n";
    ASSERT_EQ(::symlink("/usr/bin/python3", (dir + "/bin/python").c_str()), 0);
    ::setenv("PATH", (dir + "/bin:" + std::getenv("PATH")).c_str(), 1);
    ::setenv("PYTHONPATH", dir.c_str(), 1);
}

TEST_F(ScreenshotDemoPanelTest, ScreenshotWritesThePngAndDemoModeStartsAndStops) {
    if (!executable_exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
    const std::string demo_dir = make_temp_dir();
    install_stand_in_demo(demo_dir);
    const auto demo = [&] { return demo_processes(demo_dir); };
    const std::string shot = make_temp_dir() + "/shot";
    journey.app->set_show_advanced(true);
    journey.run([&] {
        journey.answer_file_dialog(shot);
        journey.click(journey.find("Screenshot"));
        // The click draws frames of its own before the file is written.
        int w = 0, h = 0, channels = 0;
        unsigned char* pixels = nullptr;
        wait_until([&] {
            pixels = stbi_load((shot + ".png").c_str(), &w, &h, &channels, 4);
            return pixels != nullptr;
        });
        ASSERT_NE(pixels, nullptr) << "no PNG at " << shot << ".png";
        EXPECT_EQ(w, 1024);
        EXPECT_EQ(h, 768);
        // The panels are left out: their grey is where the toolbar stands.
        EXPECT_LT(pixels[(20 * w + 280) * 4 + 1], 40);
        stbi_image_free(pixels);
        EXPECT_TRUE(journey.gui([&] { return journey.app->panels_visible(); }));

        nanogui::Widget* mode = journey.row("Demo Mode", nullptr);
        ASSERT_NE(mode, nullptr);
        auto choose = [&](const std::string& item) {
            journey.click(mode);
            journey.click(journey.find(item, journey.popup(mode)));
        };
        choose("Tembrix");
        EXPECT_EQ(journey.toolbar().demo_mode(), 1u);
        ASSERT_TRUE(wait_until([&] { return demo().size() == 1; }));
        const pid_t first = demo()[0];
        choose("Tembrix");  // starts it again
        ASSERT_TRUE(wait_until([&] {
            const std::vector<pid_t> now = demo();
            return now.size() == 1 && now[0] != first;
        }));
        choose("None");
        EXPECT_TRUE(demo_ends(demo_dir));
        choose("None");
        EXPECT_FALSE(journey.app->demo_input_running());
        choose("Tembrix");
        ASSERT_TRUE(wait_until([&] { return demo().size() == 1; }));
    });
    journey.end();
    EXPECT_TRUE(demo_ends(demo_dir)) << "the demo outlived the viewer";
}

// The caption a choice button shows: its bright pixels, left of its arrow.
std::vector<bool> caption_ink(ToolbarJourney& journey, nanogui::Widget* button,
                              const std::string& path) {
    const auto [p, size] =
        journey.gui([&] { return std::make_pair(button->absolutePosition(), button->size()); });
    const Screenshot shot = journey.screenshot(path);
    std::vector<bool> ink;
    if (shot.width < p.x() + size.x() || shot.height < p.y() + size.y()) return ink;
    for (int y = 4; y < size.y() - 4; ++y) {
        for (int x = 2; x < size.x() - 20; ++x)
            ink.push_back(shot.at(p.x() + x, p.y() + y)[1] >= 150);
    }
    return ink;
}

// The time stamps of an IMU side file's whole records.
std::vector<int64_t> side_file_times(const std::string& path) {
    const std::string bytes = read_file(path);
    std::vector<int64_t> times;
    for (size_t at = 0; at + 36 <= bytes.size(); at += 36) {
        int64_t t = 0;
        std::memcpy(&t, bytes.data() + at, sizeof t);
        times.push_back(t);
    }
    return times;
}

// A loaded capture stops the demo and the stop button brings the live source
// back: the demo that the row still shows runs again, and a recording made
// then has its side file.
TEST_F(ScreenshotDemoPanelTest, DemoModeShowsWhatRunsAcrossAReplay) {
    const std::string sim = sensor_sim();
    const std::string capture = sample_capture();
    if (!executable_exists("/usr/bin/python3") || sim.empty() || capture.empty())
        GTEST_SKIP() << "no python3, sensor_sim or sample capture";
    const std::string demo_dir = make_temp_dir();
    install_stand_in_demo(demo_dir);
    ChildProcess sender = send_live_packets(sim);
    const std::string recording = make_temp_dir() + "/run1";
    journey.app->set_show_advanced(true);
    journey.run([&] {
        nanogui::Widget* mode = journey.row("Demo Mode", nullptr);
        ASSERT_NE(mode, nullptr);
        const std::vector<bool> none = caption_ink(journey, mode, demo_dir + "/none.png");
        journey.click(mode);
        journey.click(journey.find("Tembrix", journey.popup(mode)));
        ASSERT_TRUE(journey.wait_until([&] { return journey.app->demo_input_running(); }));
        const std::vector<bool> tembrix = caption_ink(journey, mode, demo_dir + "/tembrix.png");
        ASSERT_FALSE(tembrix.empty());
        ASSERT_NE(tembrix, none);

        // A load that fails leaves the live source, and the demo, on.
        const std::string not_a_capture = demo_dir + "/druvex_util/__init__.py";
        journey.answer_file_dialog(not_a_capture);
        journey.click(journey.find("Load Capture"));
        ASSERT_TRUE(journey.wait_until([&] { return journey.logged("Load capture failed!"); }));
        EXPECT_TRUE(journey.wait_until([&] { return journey.app->demo_input_running(); }))
            << "after a failed load, the row shows a demo that does not run";

        journey.answer_file_dialog(capture);
        journey.click(journey.find("Load Capture"));
        ASSERT_TRUE(journey.wait_until([&] { return journey.app->replay_control().is_open(); }));
        EXPECT_TRUE(demo_ends(demo_dir)) << "the demo ran on beside the replay";
        auto* transport = journey.find_type<Toolbar>(journey.panel("Capture"));
        ASSERT_NE(transport, nullptr);
        journey.click(journey.gui([&] { return transport->childAt(2); }));  // stop: live again
        ASSERT_FALSE(journey.app->replay_control().is_open());
        EXPECT_TRUE(journey.wait_until([&] { return journey.app->demo_input_running(); }))
            << "back on live, the row shows a demo that does not run";
        EXPECT_EQ(caption_ink(journey, mode, demo_dir + "/live.png"), tembrix);

        journey.answer_file_dialog(recording);
        journey.click(journey.find("Start Capture"));
        ASSERT_TRUE(journey.wait_until([&] {
            return journey.app->capture_recorder().packet_count() > 20 &&
                   side_file_times(recording + "_imu.dat").size() >= 3;
        })) << "a recording made under \"Tembrix\" without its orientation";
        journey.click(journey.find("Stop Capture"));
    });
    ::kill(sender.pid, SIGKILL);
    wait_for_exit(sender, 5.0);
    // The samples belong to the recording's own stretch of time.
    const std::vector<int64_t> packets = recorded_packet_times(recording + ".pcap");
    ASSERT_FALSE(packets.empty());
    for (int64_t t : side_file_times(recording + "_imu.dat")) {
        EXPECT_GE(t, packets.front() - 1000000);
        EXPECT_LE(t, packets.back() + 1000000);
    }
    journey.end();
    EXPECT_TRUE(demo_ends(demo_dir)) << "the demo outlived the viewer";
}

}  // namespace
}  // namespace druvex
