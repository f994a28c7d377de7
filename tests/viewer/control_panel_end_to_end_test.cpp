// The Control Panel driven with real X input on a virtual display: the
// second of two views is set up from its panel, whose controls are found by
// their captions, and the effects are checked on the drawn points and in the
// saved settings files.
#include "panels/control_panel.h"
#include "support/app_journey.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

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
    // Points drawn white, as the constant colour mode draws them, beside the
    // grid's grey lines and captions.
    size_t white_count(const Screenshot& s) const {
        return count(s, [](const unsigned char* p, int) {
            return std::min({p[0], p[1], p[2]}) > 200 && !coloured(p);
        });
    }
    size_t coloured_count(const Screenshot& s) const {
        return count(s, [](const unsigned char* p, int) { return coloured(p); });
    }
    // Points more than about 4 m behind the sensors.
    size_t behind_count(const Screenshot& s) const {
        return count(s, [](const unsigned char* p, int y) { return y > 460 && coloured(p); });
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
    return view->panel() ? static_cast<ControlPanel&>(*view->panel()).window() : nullptr;
}

// The name its per-sensor group shows for the sensor with this serial number.
std::string sensor_group(View* view, uint64_t serial) {
    for (const auto& [handle, stream] : view->streams()) {
        if (stream->info().serial_number == serial) return stream->name();
    }
    return "";
}

// The sensor with serial 4242 in the second of two views: the app loads the
// sample capture, and the driver works the view's panel.
class ControlPanelEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
        const std::string capture = AppJourney::sample_capture();
        ASSERT_FALSE(capture.empty()) << "no sample capture";
        journey.app->load_capture(capture);
    }

    // On the driver's thread: the second view, once both sensors have sent it
    // frames since `since` (a wall time in seconds) and its panel is built for
    // them. A sensor silent for two seconds is dropped and comes back with its
    // next frame, which rebuilds the panel. The measures then cover the part
    // of the view that the panel leaves uncovered.
    void wait_for_both_sensors(int64_t since = 0) {
        ASSERT_TRUE(journey.wait_until([&] {
            const std::vector<View*> views = journey.app->get_views();
            view = views.size() == 2 ? views[1] : nullptr;
            if (view == nullptr || view->streams().size() != 2 || view->rebuild_pending() ||
                panel_window(view) == nullptr) {
                return false;
            }
            return std::all_of(view->streams().begin(), view->streams().end(),
                               [&](const auto& s) { return s.second->last_push_time() >= since; });
        }));
        journey.gui([&] {
            nanogui::Window* window = panel_window(view);
            v = {window->absolutePosition().x() + window->width() + 3, journey.app->width(),
                 journey.app->height() - 28};
        });
    }
    // The view's Control Panel as now built.
    nanogui::Widget* panel() {
        return journey.gui([&] { return static_cast<nanogui::Widget*>(panel_window(view)); });
    }
    // The replay held at one moment of the capture, as the step buttons leave
    // it: pictures taken now show the same frames.
    void hold_the_replay(float at = 1.0f) {
        journey.gui([&] {
            ASSERT_TRUE(journey.app->replay_control().pause().ok());
            ASSERT_TRUE(journey.app->replay_control().seek(at).ok());
            journey.toolbar().refresh_frames();
        });
        journey.frames();
    }
    // The view's points as last drawn.
    std::vector<PointVertex> drawn_points() {
        return journey.gui([&] { return view->vertices(); });
    }
    // Both sensors in the view and each with its group in the view's panel.
    bool both_sensors_shown() {
        if (journey.gui([&] { return view->streams().size() != 2 || view->rebuild_pending(); }))
            return false;
        for (uint64_t serial : {4242, 5150}) {
            const std::string name = journey.gui([&] { return sensor_group(view, serial); });
            if (name.empty() || journey.find(name, panel()) == nullptr) return false;
        }
        return true;
    }
    // The first picture that `shows` what the step must show.
    template <typename Shows>
    Screenshot picture(const std::string& name, Shows shows) {
        return wait_for_value([&] { return journey.screenshot(shot_path(name)); }, shows);
    }
    // The same while the replay runs: it starts over every few seconds and
    // the views fill again, so a picture counts once the replay is well into
    // the capture and has not started over while it was taken.
    template <typename Shows>
    Screenshot running_picture(const std::string& name, Shows shows) {
        const auto position = [&] {
            return journey.gui([&] { return journey.app->replay_control().get_position(); });
        };
        return wait_for_value(
            [&] {
                Screenshot shot;
                wait_until([&] {
                    const float before = position();
                    shot = journey.screenshot(shot_path(name));
                    return before > 0.3f && position() >= before;
                });
                return shot;
            },
            shows);
    }
    void choose(const std::string& row, const std::string& item) {
        nanogui::Widget* combo = journey.row(row, panel());
        ASSERT_NE(combo, nullptr) << row;
        journey.click(combo);
        journey.click(journey.find(item, journey.popup(combo)));
    }
    // Opens the popup `caption` of the sensor's group (null when it is not there).
    nanogui::Widget* open(const std::string& caption) {
        const std::string name = journey.gui([&] { return sensor_group(view, 4242); });
        if (name.empty()) return nullptr;
        nanogui::Widget* group = journey.panel(name, panel());
        if (group != nullptr && !journey.gui([&] { return group->visible(); })) {
            nanogui::Widget* header = journey.find(name, panel());
            journey.scroll_into_view(header);
            journey.click(header);
        }
        nanogui::Widget* button = group != nullptr ? journey.find(caption, group) : nullptr;
        journey.scroll_into_view(button);
        journey.click(button);
        return journey.popup(button);
    }
    std::string shot_path(const std::string& name) const {
        return journey.data_dir + "/" + name + ".png";
    }

    AppJourney journey{{{"druvex_viewer_config.json", R"({"n_streams": 2})"}}};
    View* view = nullptr;
    ViewPixels v;
};

TEST_F(ControlPanelEndToEndTest, PanelEditsReachThePointsAndTheSettingsFiles) {
    Screenshot plain, coloured_shot, gridded, styled, moved, clipped;
    journey.run([&] {
        wait_for_both_sensors();
        // The looks are compared on the same frames: every frame the held
        // replay refills. With the default frame length the picture would
        // depend on how far the SDK lagged behind the refill (frames done
        // together share one age), which a loaded machine changes.
        journey.type_into(journey.row("Frame Length", panel()), "1");
        hold_the_replay();
        plain = journey.screenshot(shot_path("plain"));
        journey.click(journey.find("Show Advanced", panel()));
        choose("Color Mode", "Distance");
        coloured_shot =
            picture("coloured", [&](const Screenshot& s) { return v.coloured_count(s) > 200u; });
        choose("Display Mode", "Grid");
        const size_t raw_points = v.coloured_count(coloured_shot);
        gridded = picture("gridded", [&](const Screenshot& s) {
            return v.coloured_count(s) < raw_points * 3 / 4;
        });
        journey.type_into(journey.row("Point Size", panel()), "8");
        const double grid_thickness = v.point_thickness(gridded);
        styled = picture("styled", [&](const Screenshot& s) {
            return v.point_thickness(s) > grid_thickness * 1.5;
        });

        // A pose applies to the frames that come next.
        const int64_t resumed = std::time(nullptr);
        journey.gui([&] { ASSERT_TRUE(journey.app->replay_control().resume().ok()); });
        wait_for_both_sensors(resumed);
        nanogui::Widget* pose = open("Transform");
        ASSERT_NE(pose, nullptr);
        journey.type_into(journey.row("Y", pose), "-12");  // its points go behind the view's centre
        moved =
            running_picture("moved", [&](const Screenshot& s) { return v.behind_count(s) > 100u; });
        journey.type_into(journey.row("Azimuth", pose), "90");
        nanogui::Widget* clip = open("Clip");
        ASSERT_NE(clip, nullptr);
        journey.type_into(journey.row("Max Dist", clip), "3");  // nearer than any of its points
        clipped = running_picture("clipped",
                                  [&](const Screenshot& s) { return v.behind_count(s) < 20u; });
    });
    journey.end();  // saves the settings files, as the end of the main loop does

    // The drawn points: coloured by distance, gridded and larger; the sensor's
    // points moved behind its place, then clipped away.
    const std::string& home = journey.data_dir;
    ASSERT_TRUE(v.covers(moved)) << "screenshots in " << home;
    EXPECT_LT(v.coloured_count(plain), 50u) << home;
    EXPECT_GT(v.coloured_count(coloured_shot), 200u) << home;
    // The hex grid keeps a point a cell of the same frames: far fewer are drawn.
    EXPECT_LT(v.coloured_count(gridded), v.coloured_count(coloured_shot) * 3 / 4) << home;
    EXPECT_GT(v.coloured_count(gridded), 50u) << home;
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

// Threads that keep every core busy while they live.
class Load {
public:
    Load() {
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i) {
            threads_.emplace_back([this] {
                volatile uint64_t spin = 0;
                while (!stop_) spin = spin + 1;
            });
        }
    }
    ~Load() {
        stop_ = true;
        for (std::thread& t : threads_) t.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

bool same_points(const std::vector<PointVertex>& a, const std::vector<PointVertex>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(PointVertex)) == 0;
}

// A paused replay refills its views when an SDK flag changes: with the
// default frame length, both sensors stay in the view and in its panel (which
// is not rebuilt, so the popup stays open), and one paused position draws the
// same points whatever played before and however busy the machine is.
TEST_F(ControlPanelEndToEndTest, PausedRefillKeepsEverySensorAndTheSamePointsUnderLoad) {
    std::vector<PointVertex> quiet, unticked, loaded;
    Screenshot before, ticked, after;
    bool shown_ticked = false, shown_unticked = false, popup_open = false, shown_loaded = false;
    journey.run([&] {
        wait_for_both_sensors();
        hold_the_replay(2.5f);
        quiet = drawn_points();
        before = journey.screenshot(shot_path("before"));

        journey.click(journey.find("Show Advanced"));
        journey.click(journey.find("Config"));
        nanogui::Widget* sdk = journey.find("SDK", journey.panel("Config"));
        ASSERT_NE(sdk, nullptr);
        journey.click(sdk);
        nanogui::Widget* popup = journey.popup(sdk);
        journey.click(journey.row("Stray Filter", popup));
        journey.frames();
        shown_ticked = both_sensors_shown();
        ticked = journey.screenshot(shot_path("ticked"));
        popup_open = journey.gui([&] { return popup->visible(); });
        journey.click(journey.row("Stray Filter", popup));
        journey.frames();
        shown_unticked = both_sensors_shown();
        unticked = drawn_points();
        after = journey.screenshot(shot_path("after"));

        // Played on and paused at a moment the load decides, then held at the
        // same position again.
        const Load load;
        journey.gui([&] { ASSERT_TRUE(journey.app->replay_control().resume().ok()); });
        journey.frames(20);
        hold_the_replay(2.5f);
        shown_loaded = both_sensors_shown();
        loaded = drawn_points();
    });
    const std::string& home = journey.data_dir;
    EXPECT_TRUE(shown_ticked) << home;
    EXPECT_TRUE(shown_unticked) << home;
    EXPECT_TRUE(shown_loaded) << home;
    EXPECT_TRUE(popup_open) << "the panel was rebuilt";
    // The window: the filter takes little from the sample's points, and none
    // of the sensor with most of them (#4242) goes.
    ASSERT_TRUE(v.covers(after)) << home;
    EXPECT_GT(v.white_count(before), 200u) << home;
    EXPECT_GT(v.white_count(ticked), v.white_count(before) * 3 / 4) << home;
    EXPECT_EQ(v.white_count(after), v.white_count(before)) << home;
    EXPECT_GT(quiet.size(), 1000u);
    EXPECT_TRUE(same_points(quiet, unticked)) << quiet.size() << " and " << unticked.size();
    EXPECT_TRUE(same_points(quiet, loaded)) << quiet.size() << " and " << loaded.size();
}

}  // namespace
}  // namespace druvex
