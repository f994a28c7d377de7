// The Control Panel driven with real X input on a virtual display: the
// second of two views is set up from its panel, whose controls are found by
// their captions, and the effects are checked on the drawn points and in the
// saved settings files.
#include "panels/control_panel.h"
#include "support/app_journey.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

namespace druvex {
namespace {

using namespace druvex::testing;
using nlohmann::json;

bool coloured(const unsigned char* p) {
    return std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 80;
}

// Measures of the drawn points in the part of the second view that its panel
// leaves uncovered, above the notice line: [x0, x1) x [0, y1).
struct ViewPixels {
    int x0 = 0, x1 = 0, y1 = 0;

    bool covers(const Screenshot& s) const { return s.width >= x1 && s.height >= y1; }

    template <typename Count>
    size_t count(const Screenshot& s, Count counted) const {
        size_t n = 0;
        for (int y = 0; covers(s) && y < y1; ++y) {
            for (int x = x0; x < x1; ++x) n += counted(s.at(x, y), y) ? 1 : 0;
        }
        return n;
    }
    size_t coloured_count(const Screenshot& s) const {
        return count(s, [](const unsigned char* p, int) { return coloured(p); });
    }
    // Points more than about 4 m behind the sensors.
    size_t behind_count(const Screenshot& s) const {
        return count(s, [](const unsigned char* p, int y) { return y > 460 && coloured(p); });
    }
    // The share of coloured pixels with no coloured pixel beside, above or below them.
    double isolated_share(const Screenshot& s) const {
        size_t coloured_pixels = 0, isolated = 0;
        for (int y = 1; covers(s) && y < y1 - 1; ++y) {
            for (int x = x0 + 1; x < x1 - 1; ++x) {
                if (!coloured(s.at(x, y))) continue;
                ++coloured_pixels;
                isolated += !coloured(s.at(x - 1, y)) && !coloured(s.at(x + 1, y)) &&
                            !coloured(s.at(x, y - 1)) && !coloured(s.at(x, y + 1));
            }
        }
        return coloured_pixels == 0 ? 0.0 : static_cast<double>(isolated) / coloured_pixels;
    }
    // Mean height of the vertical runs of coloured pixels: how thick the points are drawn.
    double point_thickness(const Screenshot& s) const {
        size_t pixels = 0, runs = 0;
        for (int x = x0; covers(s) && x < x1; ++x) {
            bool in_run = false;
            for (int y = 0; y < y1; ++y) {
                const bool point = coloured(s.at(x, y));
                pixels += point ? 1 : 0;
                runs += point && !in_run ? 1 : 0;
                in_run = point;
            }
        }
        return runs == 0 ? 0.0 : static_cast<double>(pixels) / static_cast<double>(runs);
    }
};

json read_json(const std::string& path) {
    std::ifstream in(path);
    json j;
    if (in) in >> j;
    return j;
}

// The window of a view's Control Panel; null before it is built.
nanogui::Window* panel_window(View* view) {
    return view->panel ? static_cast<ControlPanel&>(*view->panel).window() : nullptr;
}

// The second view once both sensors are in it and its panel is built for them.
View* second_view_with_both_sensors(AppJourney& journey) {
    View* second = nullptr;
    const bool ready = journey.wait_until([&] {
        const std::vector<View*> views = journey.app->get_views();
        second = views.size() == 2 ? views[1] : nullptr;
        return second != nullptr && second->streams.size() == 2 && !second->rebuild_pending &&
               panel_window(second) != nullptr;
    });
    return ready ? second : nullptr;
}

// The name its per-sensor group shows for the sensor with this serial number.
std::string sensor_group(View* view, uint64_t serial) {
    for (const auto& [handle, stream] : view->streams) {
        if (stream->info.serial_number == serial) return stream->name;
    }
    return "";
}

TEST(ControlPanelEndToEndTest, PanelEditsReachThePointsAndTheSettingsFiles) {
    const std::map<std::string, std::string> two_views = {
        {"druvex_viewer_config.json", R"({"n_streams": 2})"}};
    AppJourney journey(two_views);
    if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    const std::string capture = AppJourney::sample_capture();
    ASSERT_FALSE(capture.empty()) << "no sample capture";
    journey.app->load_capture(capture);
    const std::string shots = journey.data_dir + "/";
    Screenshot plain, coloured_shot, gridded, styled, moved, clipped;
    ViewPixels v;  // right of the second view's panel
    journey.run([&] {
        View* view = second_view_with_both_sensors(journey);
        ASSERT_NE(view, nullptr);
        nanogui::Widget* panel = journey.gui([&] {
            nanogui::Window* window = panel_window(view);
            v = {window->absolutePosition().x() + window->width() + 3, journey.app->width(),
                 journey.app->height() - 28};
            return window;
        });
        const auto showing = [&](const std::string& name, auto shows) {
            return wait_for_value([&] { return journey.screenshot(shots + name + ".png"); }, shows);
        };
        plain = journey.screenshot(shots + "plain.png");

        journey.click(journey.find("Show Advanced", panel));
        const auto choose = [&](const std::string& row, const std::string& item) {
            nanogui::Widget* combo = journey.row(row, panel);
            journey.click(combo);
            journey.click(journey.find(item, journey.popup(combo)));
        };
        choose("Color Mode", "Distance");
        coloured_shot =
            showing("coloured", [&](const Screenshot& s) { return v.coloured_count(s) > 200u; });
        choose("Display Mode", "Grid");
        const double lines_share = v.isolated_share(coloured_shot);
        gridded = showing("gridded", [&](const Screenshot& s) {
            return v.isolated_share(s) > lines_share + 0.15;
        });
        journey.type_into(journey.row("Point Size", panel), "8");
        const double grid_thickness = v.point_thickness(gridded);
        styled = showing("styled", [&](const Screenshot& s) {
            return v.point_thickness(s) > grid_thickness * 1.5;
        });

        // The group of the sensor with serial 4242, and its popups.
        const std::string name = journey.gui([&] { return sensor_group(view, 4242); });
        nanogui::Widget* header = journey.find(name, panel);
        ASSERT_NE(header, nullptr) << name;
        journey.scroll_into_view(header);
        journey.click(header);
        nanogui::Widget* group = journey.panel(name, panel);
        const auto open = [&](const std::string& caption) {
            nanogui::Widget* button = journey.find(caption, group);
            journey.scroll_into_view(button);
            journey.click(button);
            return journey.popup(button);
        };
        nanogui::Widget* pose = open("Transform");
        journey.type_into(journey.row("Y", pose), "-12");  // its points go behind the view's centre
        moved = showing("moved", [&](const Screenshot& s) { return v.behind_count(s) > 100u; });
        journey.type_into(journey.row("Azimuth", pose), "90");
        nanogui::Widget* clip = open("Clip");
        journey.type_into(journey.row("Max Dist", clip), "3");  // nearer than any of its points
        clipped = showing("clipped", [&](const Screenshot& s) { return v.behind_count(s) < 20u; });
    });
    journey.end();  // saves the settings files, as the end of the main loop does

    // The drawn points: coloured by distance, gridded and larger; the sensor's
    // points moved behind its place, then clipped away.
    const std::string& home = journey.data_dir;
    ASSERT_TRUE(v.covers(moved)) << "screenshots in " << home;
    EXPECT_LT(v.coloured_count(plain), 50u) << home;
    EXPECT_GT(v.coloured_count(coloured_shot), 200u) << home;
    // The hex grid turns the sensors' lines into separate cells.
    EXPECT_GT(v.isolated_share(gridded), v.isolated_share(coloured_shot) + 0.15) << home;
    EXPECT_GT(v.point_thickness(styled), v.point_thickness(gridded) * 1.5) << home;
    EXPECT_LT(v.behind_count(styled), 20u) << home;
    EXPECT_GT(v.behind_count(moved), 100u) << home;
    EXPECT_LT(v.behind_count(clipped), 20u) << home;

    const std::string settings = home + "/druvex/";
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
