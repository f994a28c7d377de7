// The whole program under a virtual display: a generated capture of two
// simulated sensors is replayed, its points are drawn, and SIGTERM ends the
// program through its normal shut-down.
#include "support/private_display.h"
#include "support/process_runner.h"
#include "support/screenshot.h"
#include "support/viewer_process.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <fstream>
#include <utility>

namespace druvex {
namespace {

using namespace druvex::testing;

struct ViewerRun {
    int exit_code = -1;
    Screenshot shot;
};

// Starts the viewer, waits until a screenshot `shows` what the run must show
// and ends it with `signal`.
template <typename Shows>
ViewerRun run_viewer(const std::vector<std::string>& args, const std::string& home,
                     const std::string& name, Shows shows, int signal = SIGTERM,
                     const std::string& appdata = "") {
    ViewerProcess viewer(home, name, args, appdata);
    ViewerRun run;
    if (!viewer.wait_for_window().empty()) {
        run.shot = screenshot_showing(home + "/" + name + ".png", shows);
    }
    run.exit_code = viewer.stop(signal);
    return run;
}

// The ground rings are drawn: the window is up and drawing.
bool drawing(const Screenshot& shot) { return lit_pixels(shot) >= 2000; }

// Pixels that points light up in `shot` and that are black in `before`, in the
// upper and lower halves of the view right of the Control Panel (the rings,
// markers and text stay where they were).
std::pair<size_t, size_t> points_drawn(const Screenshot& before, const Screenshot& shot) {
    size_t upper = 0, lower = 0;
    if (shot.width < 1024 || before.width != shot.width) return {upper, lower};
    for (int y = 0; y < 768; ++y) {
        for (int x = 260; x < 1024; ++x) {
            if (before.at(x, y)[1] < 16 && shot.at(x, y)[1] >= 64) (y < 384 ? upper : lower)++;
        }
    }
    return {upper, lower};
}

TEST(EndToEndTest, ReplayedCaptureIsDrawnAndSigtermSavesTheSettings) {
    if (!executable_exists("/usr/bin/Xvfb")) GTEST_SKIP() << "no Xvfb";
    if (!executable_exists(ViewerProcess::program()) ||
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
    const ViewerRun before = run_viewer({}, home, "empty", drawing);
    EXPECT_EQ(before.exit_code, 0) << read_file(home + "/empty.txt");
    // The sensors look along +y, which the default camera shows upwards.
    const ViewerRun replay =
        run_viewer({"--capture_path", capture}, home, "replay",
                   [&](const Screenshot& s) { return points_drawn(before.shot, s).first > 300; });
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

    ASSERT_GE(shot.width, 1024) << "the window did not show; see " << home;
    ASSERT_EQ(before.shot.width, shot.width);
    const auto [upper, lower] = points_drawn(before.shot, shot);
    EXPECT_GT(upper, 300u) << "no points drawn; screenshots in " << home;
    EXPECT_LT(lower, upper / 10 + 1);
}

// What goes wrong with the user's files is said on standard error, one line
// each with the path and the reason; a closed terminal (SIGHUP) ends the
// viewer through its normal shut-down.
TEST(EndToEndTest, FailuresReachStandardErrorAndSighupEndsNormally) {
    if (!executable_exists("/usr/bin/Xvfb")) GTEST_SKIP() << "no Xvfb";
    if (!executable_exists(ViewerProcess::program())) GTEST_SKIP() << "not built";
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
                   "failures", drawing, SIGHUP, home + "/not_a_folder");
    EXPECT_EQ(run.exit_code, 0);
    const std::string output = read_file(home + "/failures.txt");
    for (const std::string& line :
         {"Load capture failed! " + home + "/missing.pcap: No such file or directory",
          "Could not load clips! " + clips + ": not valid JSON at line 1, column 4",
          "Could not save config file! " + home +
              "/not_a_folder/druvex/druvex_viewer_config.json: Not a directory"}) {
        EXPECT_NE(output.find("DruvexViewer: warning: " + line + "\n"), std::string::npos)
            << line << "\n"
            << output;
    }
}

}  // namespace
}  // namespace druvex
