// The Tools rows: "Screenshot" writes the views as a PNG file; "Demo Mode"
// starts and stops the demo command, leaving no process behind.
#include "../viewer/process_runner.h"
#include "toolbar_journey.h"

#include <dirent.h>
#include <stb_image.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace druvex {
namespace {

using namespace druvex::testing;

// Processes whose command line holds the demo module's name: the module
// itself, or also a shell that started it.
std::vector<pid_t> demo_processes(bool module_only = true) {
    const std::string module("-m\0druvex_util.demo.demo_zuna", 30);
    std::vector<pid_t> pids;
    DIR* proc = ::opendir("/proc");
    while (dirent* entry = proc != nullptr ? ::readdir(proc) : nullptr) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        const std::string cmdline = read_file("/proc/" + std::to_string(pid) + "/cmdline");
        const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
        const bool zombie = stat.find(") Z ") != std::string::npos;
        const bool named = cmdline.find(module_only ? module : "demo_zuna") != std::string::npos;
        if (named && !zombie) pids.push_back(pid);
    }
    if (proc != nullptr) ::closedir(proc);
    return pids;
}

// An ended demo's processes are signalled as a group; the grandchild that
// runs the module needs a moment to go.
bool demo_ends_soon() {
    for (int i = 0; i < 50; ++i) {
        if (demo_processes(false).empty()) return true;
        ::usleep(100 * 1000);
    }
    return false;
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

TEST(ScreenshotDemoPanelTest, ScreenshotWritesThePngAndDemoModeStartsAndStops) {
    if (!executable_exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
    const std::string demo_dir = make_temp_dir();
    install_stand_in_demo(demo_dir);
    {
        ToolbarJourney journey;
        if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
        const std::string shot = make_temp_dir() + "/shot";
        journey.app->set_show_advanced(true);
        journey.run([&] {
            journey.answer_file_dialog(shot);
            journey.click(journey.find("Screenshot"));
            EXPECT_TRUE(
                journey.wait_until([&] { return ::access((shot + ".png").c_str(), F_OK) == 0; }));
            int w = 0, h = 0, channels = 0;
            unsigned char* pixels = stbi_load((shot + ".png").c_str(), &w, &h, &channels, 4);
            ASSERT_NE(pixels, nullptr) << "no PNG at " << shot << ".png";
            EXPECT_EQ(w, 1024);
            EXPECT_EQ(h, 768);
            // The panels are left out: their grey is where the toolbar stands.
            EXPECT_LT(pixels[(20 * w + 280) * 4 + 1], 40);
            stbi_image_free(pixels);
            EXPECT_TRUE(journey.gui([&] { return journey.app->panels_visible(); }));

            nanogui::Widget* demo = journey.row("Demo Mode", nullptr);
            ASSERT_NE(demo, nullptr);
            auto choose = [&](const std::string& item) {
                journey.click(demo);
                journey.click(journey.find(item, journey.popup(demo)));
            };
            choose("Tembrix");
            EXPECT_EQ(journey.toolbar().demo_mode(), 1u);
            ASSERT_TRUE(journey.wait_until([] { return demo_processes().size() == 1; }));
            const pid_t first = demo_processes()[0];
            choose("Tembrix");  // starts it again
            ASSERT_TRUE(journey.wait_until([&] {
                const std::vector<pid_t> now = demo_processes();
                return now.size() == 1 && now[0] != first;
            }));
            choose("None");
            EXPECT_TRUE(demo_ends_soon());
            choose("None");
            EXPECT_FALSE(journey.app->demo_input_running());
            choose("Tembrix");
            ASSERT_TRUE(journey.wait_until([] { return demo_processes().size() == 1; }));
        });
    }
    EXPECT_TRUE(demo_ends_soon()) << "the demo outlived the viewer";
}

}  // namespace
}  // namespace druvex
