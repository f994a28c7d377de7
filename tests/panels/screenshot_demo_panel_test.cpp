// The Tools rows: "Screenshot" writes the views as a PNG file; "Demo Mode"
// starts and stops the demo command, leaving no process behind.
#include "support/panel_test.h"
#include "support/process_runner.h"

#include <dirent.h>
#include <stb_image.h>

#include <gtest/gtest.h>

#include <cstdlib>
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

}  // namespace
}  // namespace druvex
