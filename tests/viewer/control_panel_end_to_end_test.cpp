// The Control Panel driven with real X input under the virtual display: the
// second of two views is set up from its panel, and the effects are checked
// on the drawn points and in the saved settings files.
#include "private_display.h"
#include "process_runner.h"
#include "window_capture.h"

#include <nlohmann/json.hpp>
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace druvex {
namespace {

using namespace druvex::testing;
using nlohmann::json;

const std::string xdotool = "/usr/bin/xdotool";

void xdo(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {xdotool};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    run_process(argv, {}, output);
    pause_for(0.4);  // a few frames (the toolkit refreshes every 50 ms)
}

void click(int x, int y) { xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}); }

void type_into(int x, int y, const std::string& text) {
    click(x, y);
    xdo({"key", "ctrl+a", "BackSpace"});
    xdo({"type", "--", text});
    xdo({"key", "Return"});
}

// The part of the second view that its panel leaves uncovered, above the notice line.
template <typename Count>
size_t count_in_view(const Screenshot& shot, Count count) {
    size_t n = 0;
    for (int y = 0; y < 740; ++y) {
        for (int x = 765; x < 1024; ++x) n += count(shot.at(x, y), y) ? 1 : 0;
    }
    return n;
}

bool coloured(const unsigned char* p) {
    return std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 80;
}
// The share of coloured pixels with no coloured pixel beside, above or below them.
double isolated_share(const Screenshot& s) {
    size_t coloured_pixels = 0, isolated = 0;
    for (int y = 1; y < 739; ++y) {
        for (int x = 766; x < 1023; ++x) {
            if (!coloured(s.at(x, y))) continue;
            ++coloured_pixels;
            isolated += !coloured(s.at(x - 1, y)) && !coloured(s.at(x + 1, y)) &&
                        !coloured(s.at(x, y - 1)) && !coloured(s.at(x, y + 1));
        }
    }
    return coloured_pixels == 0 ? 0.0 : static_cast<double>(isolated) / coloured_pixels;
}

// Mean height of the vertical runs of coloured pixels: how thick the points are drawn.
double point_thickness(const Screenshot& s) {
    size_t pixels = 0, runs = 0;
    for (int x = 765; x < 1024; ++x) {
        bool in_run = false;
        for (int y = 0; y < 740; ++y) {
            const unsigned char* p = s.at(x, y);
            const bool point = coloured(p);
            pixels += point ? 1 : 0;
            runs += point && !in_run ? 1 : 0;
            in_run = point;
        }
    }
    return runs == 0 ? 0.0 : static_cast<double>(pixels) / static_cast<double>(runs);
}
size_t coloured_count(const Screenshot& s) {
    return count_in_view(s, [](const unsigned char* p, int) { return coloured(p); });
}
// Points more than about 4 m behind the sensors.
size_t behind_count(const Screenshot& s) {
    return count_in_view(s, [](const unsigned char* p, int y) { return y > 460 && coloured(p); });
}

// A loaded machine draws the change a few frames late: screenshots are taken
// until the picture shows it, for a few seconds at most.
template <typename Shows>
Screenshot shot_showing(const std::string& path, Shows shows) {
    Screenshot shot = take_screenshot(path);
    for (int i = 0; i < 20 && !shows(shot); ++i) {
        pause_for(0.25);
        shot = take_screenshot(path);
    }
    return shot;
}

json read_json(const std::string& path) {
    std::ifstream in(path);
    json j;
    if (in) in >> j;
    return j;
}

TEST(ControlPanelEndToEndTest, PanelEditsReachThePointsAndTheSettingsFiles) {
    const std::string viewer = binary_dir() + "/bin/druvex_viewer";
    if (!executable_exists(viewer) || !executable_exists(sample_capture_maker()))
        GTEST_SKIP() << "not built";
    if (!executable_exists("/usr/bin/import") || !executable_exists(xdotool) ||
        !executable_exists("/usr/bin/Xvfb"))
        GTEST_SKIP() << "no ImageMagick, xdotool or Xvfb";
    const std::string home = make_temp_dir();
    // Other tests open windows on the shared display; clicks must reach this viewer.
    PrivateDisplay display(home + "/xvfb.txt");
    ASSERT_TRUE(display.ok()) << read_file(home + "/xvfb.txt");
    std::string output;
    const std::string capture = make_sample_capture(3, output);
    ASSERT_FALSE(capture.empty()) << output;
    const std::string settings = home + "/.config/druvex/";
    ASSERT_EQ(run_process({"/bin/mkdir", "-p", settings}, {}, output), 0);
    std::ofstream(settings + "druvex_viewer_config.json") << R"({"n_streams": 2})";

    ChildProcess app = start_process({viewer, "--capture_path", capture},
                                     {{"HOME", home},
                                      {"APPDATA", ""},
                                      {"XDG_CONFIG_HOME", ""},
                                      {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}},
                                     home + "/viewer.txt");
    ASSERT_GT(app.pid, 0);
    ASSERT_GE(lit_pixels(wait_for_window(home + "/start.png", 20.0)), 2000u)
        << read_file(home + "/viewer.txt");
    pause_for(0.5);
    const Screenshot plain = take_screenshot(home + "/plain.png");

    // The second view's panel sits at its viewport's corner (512, 0); it has
    // no "Help" and no toolbar.
    click(642, 87);   // Show Advanced
    click(690, 270);  // Color Mode ...
    click(824, 323);  // ... "Distance"
    const Screenshot coloured_shot = shot_showing(
        home + "/coloured.png", [](const Screenshot& s) { return coloured_count(s) > 200u; });
    click(690, 345);  // Display Mode ...
    click(822, 368);  // ... "Grid"
    const double lines_share = isolated_share(coloured_shot);
    const Screenshot gridded = shot_showing(home + "/gridded.png", [&](const Screenshot& s) {
        return isolated_share(s) > lines_share + 0.15;
    });
    type_into(700, 470, "8");  // Point Size
    const double grid_thickness = point_thickness(gridded);
    const Screenshot styled = shot_showing(home + "/styled.png", [&](const Screenshot& s) {
        return point_thickness(s) > grid_thickness * 1.5;
    });
    click(739, 587);  // the first sensor's group
    xdo({"mousemove", "560", "600", "click", "5", "click", "5", "click", "5", "click", "5"});
    click(641, 685);             // its "Transform"
    type_into(915, 638, "-12");  // Y: its points go behind the view's centre
    const Screenshot moved = shot_showing(
        home + "/moved.png", [](const Screenshot& s) { return behind_count(s) > 100u; });
    type_into(915, 688, "90");  // Azimuth
    click(641, 655);            // its "Clip"
    type_into(915, 638, "3");   // Max Dist: nearer than any of its points
    const Screenshot clipped = shot_showing(
        home + "/clipped.png", [](const Screenshot& s) { return behind_count(s) < 20u; });

    ::kill(app.pid, SIGTERM);
    ASSERT_EQ(wait_for_exit(app, 20.0), 0) << read_file(home + "/viewer.txt");

    // The drawn points: coloured by distance, gridded and larger; the first
    // sensor's points moved behind its place, then clipped away.
    ASSERT_GE(moved.width, 1024) << "screenshots in " << home;
    EXPECT_LT(coloured_count(plain), 50u) << home;
    EXPECT_GT(coloured_count(coloured_shot), 200u) << home;
    // The hex grid turns the sensors' lines into separate cells.
    EXPECT_GT(isolated_share(gridded), isolated_share(coloured_shot) + 0.15) << home;
    EXPECT_GT(point_thickness(styled), point_thickness(gridded) * 1.5) << home;
    EXPECT_LT(behind_count(styled), 20u) << home;
    EXPECT_GT(behind_count(moved), 100u) << home;
    EXPECT_LT(behind_count(clipped), 20u) << home;

    const json config = read_json(settings + "druvex_viewer_config.json");
    // "Display Mode" shows only in advanced mode.
    const json& second = config.at("group_streams").at(1);
    EXPECT_EQ(second.value("color_mode", -1), 2);
    EXPECT_EQ(second.value("colormap", -1), 1);
    EXPECT_EQ(second.value("display_mode", -1), 1);
    EXPECT_FLOAT_EQ(second.value("point_size", 0.0f), 8.0f);
    EXPECT_EQ(config.at("group_streams").at(0).value("color_mode", -1), 0);

    const json clips = read_json(settings + "druvex_clips.json");
    EXPECT_FLOAT_EQ(clips.at("4242").value("max_distance", 0.0f), 3.0f);
    const json pose = read_json(settings + "druvex_transforms.json").at("4242");
    EXPECT_FLOAT_EQ(pose.at("translation").at(1).get<float>(), -12.0f);
    const json& rotation = pose.at("rotation");
    ASSERT_EQ(rotation.size(), 4u);
    EXPECT_NEAR(rotation[2].get<float>(), 0.70710677f, 1e-5f);  // a quarter turn about z
    EXPECT_NEAR(rotation[3].get<float>(), 0.70710677f, 1e-5f);
}

}  // namespace
}  // namespace druvex
