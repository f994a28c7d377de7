// The Clips panel's Focus and Ground popups grey out the points they leave
// out; every number field holds what is typed to its range.
#include "panels/toolbar_common.h"
#include "support/panel_test.h"
#include "support/process_runner.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace druvex {
namespace {

using namespace druvex::testing;

using ClipsPanelTest = PanelTest;

float median(std::vector<PointVertex> v, float PointVertex::*axis) {
    std::sort(v.begin(), v.end(), [axis](auto& a, auto& b) { return a.*axis < b.*axis; });
    return v.empty() ? 0.0f : v[v.size() / 2].*axis;
}

// (points left out that should be, points kept that should be, points in all)
struct Greyed {
    size_t out_faded = 0, in_shown = 0, out = 0;
};

Greyed count(const std::vector<PointVertex>& v,
             const std::function<bool(const PointVertex&)>& out) {
    Greyed g;
    for (const PointVertex& p : v) {
        if (out(p)) {
            ++g.out;
            g.out_faded += p.importance == 0.0f ? 1 : 0;
        } else {
            g.in_shown += p.importance > 0.0f ? 1 : 0;
        }
    }
    return g;
}

TEST_F(ClipsPanelTest, FocusBoxAndGroundGreyOutThePointsTheyLeaveOut) {
    const std::string capture = sample_capture();
    ASSERT_FALSE(capture.empty()) << "no sample capture";
    journey.app->set_show_advanced(true);
    journey.run([&] {
        journey.load_paused(capture);
        journey.click(journey.find("Clips"));
        nanogui::Widget* clips = journey.panel("Clips");
        nanogui::Widget* focus_button = journey.find("Focus", clips);
        journey.click(focus_button);
        nanogui::Widget* focus = journey.popup(focus_button);
        const float max_y = std::round(median(journey.points(), &PointVertex::y) * 10.0f) / 10.0f;
        journey.type_into(journey.row("Max Y", focus), fmt::format("{:.1f}", max_y));
        EXPECT_FLOAT_EQ(journey.app->clips().focus.max_y, max_y);
        journey.frames();
        auto beyond = [max_y](const PointVertex& p) { return p.y >= max_y; };
        Greyed g = count(journey.points(), beyond);
        EXPECT_GT(g.out, 100u);
        EXPECT_EQ(g.out_faded, g.out);
        EXPECT_GT(g.in_shown, 100u);

        journey.click(journey.find("Enable", clips));  // clipping off
        EXPECT_FALSE(journey.app->viewer_config().enable_clips);
        journey.frames();
        EXPECT_EQ(count(journey.points(), beyond).out_faded, 0u);
        journey.click(journey.find("Enable", clips));
        journey.click(journey.find("Clear", focus));
        EXPECT_EQ(journey.app->clips().focus.max_y, 10000.0f);
        EXPECT_TRUE(journey.gui([&] { return focus->visible(); })) << "Clear leaves it open";

        nanogui::Widget* ground_button = journey.find("Ground", clips);
        journey.click(ground_button);
        nanogui::Widget* ground = journey.popup(ground_button);
        const float height =
            std::round(median(journey.points(), &PointVertex::z) * 100.0f) / 100.0f;
        journey.type_into(journey.row("Height", ground), fmt::format("{:.2f}", height));
        journey.type_into(journey.row("Max Distance", ground), "1000");
        journey.frames();
        g = count(journey.points(), [height](const PointVertex& p) { return p.z <= height; });
        EXPECT_GT(g.out, 100u);
        EXPECT_EQ(g.out_faded, g.out);
        EXPECT_GT(g.in_shown, 100u);
        journey.screenshot(journey.data_dir + "/clips_panel.png");
        journey.click(journey.find("Clear", ground));
        EXPECT_EQ(journey.app->clips().ground.max_distance, 0.0f);
    });
}

// A number typed beyond a field's range reaches the setting held to that
// range, as the field shows it.
TEST_F(ClipsPanelTest, NumbersBeyondAFieldsRangeAreHeldToIt) {
    const std::string capture = sample_capture();
    ASSERT_FALSE(capture.empty()) << "no sample capture";
    journey.app->set_show_advanced(true);
    constexpr float largest = largest_metres;
    journey.run([&] {
        journey.load_paused(capture);
        nanogui::Widget* speed = journey.row("Speed", journey.panel("Capture"));
        journey.type_into(speed, "5");
        EXPECT_FLOAT_EQ(journey.app->replay_control().get_speed(), 3.0f);
        journey.type_into(speed, "0");
        EXPECT_FLOAT_EQ(journey.app->replay_control().get_speed(), 0.01f);

        journey.click(journey.find("Clips"));
        nanogui::Widget* clips = journey.panel("Clips");
        nanogui::Widget* focus_button = journey.find("Focus", clips);
        journey.click(focus_button);
        journey.type_into(journey.row("Min X", journey.popup(focus_button)), "1e39");
        EXPECT_EQ(journey.app->clips().focus.min_x, largest);
        journey.type_into(journey.row("Min X", journey.popup(focus_button)), "1.234");
        EXPECT_FLOAT_EQ(journey.app->clips().focus.min_x, 1.234f) << "passed on as typed";
        nanogui::Widget* ground_button = journey.find("Ground", clips);
        journey.click(ground_button);
        journey.type_into(journey.row("Height", journey.popup(ground_button)), "-1e39");
        EXPECT_EQ(journey.app->clips().ground.height, -largest);
    });
    // What was stored stays readable: no infinity reaches the clips file.
    journey.app->save_clips(journey.data_dir + "/clips.json");
    ClipsStore reread;
    EXPECT_TRUE(reread.load(journey.data_dir + "/clips.json", false));
    EXPECT_EQ(reread.ground.height, -largest);
}

}  // namespace
}  // namespace druvex
