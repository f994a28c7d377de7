// The whole program under a virtual display: a generated capture of two
// simulated sensors is replayed, its points are drawn, and SIGTERM ends the
// program through its normal shut-down.
#include "private_display.h"
#include "process_runner.h"
#include "window_capture.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace druvex {
namespace {

using namespace druvex::testing;

struct ViewerRun {
    int exit_code = -1;
    Screenshot shot;
};

// Starts the viewer, waits until it draws, lets it run, takes a screenshot
// and ends it with `signal`.
ViewerRun run_viewer(const std::vector<std::string>& args, const std::string& home,
                     const std::string& name, int signal = SIGTERM,
                     const std::string& appdata = "") {
    // The GL driver is unloaded before the leak check runs, so its own
    // allocations can be neither attributed nor suppressed: no leak check in
    // the viewer process (the frame path's leaks are checked by its own tests).
    const std::map<std::string, std::string> env = {
        {"HOME", home},
        {"APPDATA", appdata},
        {"XDG_CONFIG_HOME", ""},
        {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}};
    std::vector<std::string> argv = {binary_dir() + "/bin/druvex_viewer"};
    argv.insert(argv.end(), args.begin(), args.end());
    ViewerRun run;
    ChildProcess app = start_process(argv, env, home + "/" + name + ".txt");
    if (app.pid <= 0) return run;
    if (lit_pixels(wait_for_window(home + "/" + name + "_start.png", 20.0)) >= 2000) {
        pause_for(2.0);
        run.shot = take_screenshot(home + "/" + name + ".png");
    }
    ::kill(app.pid, signal);
    run.exit_code = wait_for_exit(app, 20.0);
    return run;
}

TEST(EndToEndTest, ReplayedCaptureIsDrawnAndSigtermSavesTheSettings) {
    if (!executable_exists("/usr/bin/Xvfb")) GTEST_SKIP() << "no Xvfb";
    if (!executable_exists(binary_dir() + "/bin/druvex_viewer") ||
        !executable_exists(sample_capture_maker())) {
        GTEST_SKIP() << "programs not built";
    }
    if (!executable_exists("/usr/bin/import")) GTEST_SKIP() << "no ImageMagick";
    const std::string home = make_temp_dir();
    // Windows of tests running beside this one would show in its screenshots.
    PrivateDisplay display(home + "/xvfb.txt");
    ASSERT_TRUE(display.ok()) << read_file(home + "/xvfb.txt");
    std::string output;
    const std::string capture = make_sample_capture(3, output);
    ASSERT_FALSE(capture.empty()) << output;

    // Without data: the ground rings, markers and text only.
    const ViewerRun before = run_viewer({}, home, "empty");
    EXPECT_EQ(before.exit_code, 0) << read_file(home + "/empty.txt");
    const ViewerRun replay = run_viewer({"--capture_path", capture}, home, "replay");
    EXPECT_EQ(replay.exit_code, 0) << read_file(home + "/replay.txt");
    const Screenshot& shot = replay.shot;

    for (const char* file :
         {"druvex_viewer_config.json", "druvex_clips.json", "druvex_transforms.json"}) {
        EXPECT_TRUE(executable_exists(home + "/.config/druvex/" + file) ||
                    !read_file(home + "/.config/druvex/" + file).empty())
            << file;
    }
    EXPECT_NE(
        read_file(home + "/.config/druvex/druvex_viewer_config.json").find("\"n_streams\": 1"),
        std::string::npos);

    // Points light up pixels that are black without data (the rings, markers
    // and text stay where they were). The sensors look along +y, which the
    // default camera shows upwards.
    ASSERT_GE(shot.width, 1024) << "the window did not show; see " << home;
    ASSERT_EQ(before.shot.width, shot.width);
    size_t upper = 0, lower = 0;
    for (int y = 0; y < 768; ++y) {
        for (int x = 260; x < 1024; ++x) {  // right of the Control Panel
            const size_t i = (size_t(y) * size_t(shot.width) + size_t(x)) * 4;
            if (before.shot.rgba[i + 1] < 16 && shot.rgba[i + 1] >= 64) (y < 384 ? upper : lower)++;
        }
    }
    EXPECT_GT(upper, 300u) << "no points drawn; screenshots in " << home;
    EXPECT_LT(lower, upper / 10 + 1);
}

// What goes wrong with the user's files is said on standard error, one line
// each with the path and the reason; a closed terminal (SIGHUP) ends the
// viewer through its normal shut-down.
TEST(EndToEndTest, FailuresReachStandardErrorAndSighupEndsNormally) {
    if (!executable_exists("/usr/bin/Xvfb")) GTEST_SKIP() << "no Xvfb";
    if (!executable_exists(binary_dir() + "/bin/druvex_viewer")) GTEST_SKIP() << "not built";
    if (!executable_exists("/usr/bin/import")) GTEST_SKIP() << "no ImageMagick";
    const std::string home = make_temp_dir();
    // It waits for its window in screenshots of the whole screen.
    PrivateDisplay display(home + "/xvfb.txt");
    ASSERT_TRUE(display.ok()) << read_file(home + "/xvfb.txt");
    const std::string clips = home + "/druvex_clips.json";
    std::ofstream(clips) << "{ not json";
    std::ofstream(home + "/not_a_folder") << "";  // the data directory cannot be made here
    const ViewerRun run =
        run_viewer({"--capture_path", home + "/missing.pcap", "--clips_path", clips}, home,
                   "failures", SIGHUP, home + "/not_a_folder");
    EXPECT_EQ(run.exit_code, 0);
    const std::string output = read_file(home + "/failures.txt");
    for (const std::string& line :
         {"Load capture failed! " + home + "/missing.pcap: No such file or directory",
          "Could not load clips! " + clips + ": not a valid file",
          "Could not save config file! " + home +
              "/not_a_folder/druvex/druvex_viewer_config.json: Not a directory"}) {
        EXPECT_NE(output.find("DruvexViewer: warning: " + line + "\n"), std::string::npos)
            << line << "\n"
            << output;
    }
}

}  // namespace
}  // namespace druvex
