// The viewer config file: its exact text, and what a hand-edited file does.
#include "settings/viewer_config.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace druvex {
namespace {

// Two views' worth of keys, sorted, indent 4, floats widened with 15
// significant digits, as the viewer writes and a user may edit it.
const char* const config_text = R"({
    "enable_clips": false,
    "enable_transforms": true,
    "group_streams": [
        {
            "caption": "left",
            "color_max": 50.0,
            "color_min": 0.0,
            "color_mode": 2,
            "colormap": 1,
            "display_mode": 5,
            "dynamic_color": true,
            "flip": false,
            "frame_length": 0.5,
            "grid_fill_distance": 3,
            "grid_fill_threshold": 2,
            "grid_spacing": 0.00872679986059666,
            "highlight_mode": 1,
            "perspective": true,
            "perspective_scale": 0.25,
            "point_size": 2.0,
            "show_grid": false,
            "show_invalid_points": true,
            "video_offset": -1.5,
            "view_center_x": 1.0,
            "view_center_y": 2.0,
            "view_center_z": -3.0,
            "view_rotation_azimuth": 0.75,
            "view_rotation_elevation": 1.57079637050629,
            "view_rotation_roll": -0.125,
            "zoom_scale": 0.0500000007450581
        }
    ],
    "n_streams": 1,
    "sdk_disable_distance_clip": true,
    "sdk_disable_image_clip": false,
    "show_uncalibrated": true,
    "single_stream": {
        "caption": "",
        "color_max": 1.0,
        "color_min": 0.0,
        "color_mode": 0,
        "colormap": 2,
        "display_mode": 0,
        "dynamic_color": false,
        "flip": false,
        "frame_length": 0.0,
        "grid_fill_distance": 1,
        "grid_fill_threshold": 1,
        "grid_spacing": 0.00872679986059666,
        "highlight_mode": 0,
        "perspective": false,
        "perspective_scale": 0.200000002980232,
        "point_size": 1.0,
        "show_grid": true,
        "show_invalid_points": false,
        "video_offset": 0.0,
        "view_center_x": 0.0,
        "view_center_y": 0.0,
        "view_center_z": 0.0,
        "view_rotation_azimuth": 0.0,
        "view_rotation_elevation": 1.57079637050629,
        "view_rotation_roll": 0.0,
        "zoom_scale": 0.0500000007450581
    }
})";

ViewerConfig read(const json& j, bool expect = true) {
    ViewerConfig config;
    EXPECT_EQ(viewer_config_from_json(config, j), expect) << j.dump();
    return config;
}

TEST(ViewerConfigFileTest, HandWrittenFileReadsAndWritesBackToTheSameText) {
    const ViewerConfig config = read(json::parse(config_text));
    EXPECT_FALSE(config.enable_clips);
    EXPECT_TRUE(config.sdk_disable_distance_clip);
    ASSERT_EQ(config.group_streams.size(), 1u);
    const ViewConfig& view = config.group_streams[0];
    EXPECT_EQ(view.caption, "left");
    EXPECT_EQ(view.display_mode, 5);
    EXPECT_EQ(view.grid_fill_distance, 3u);
    EXPECT_EQ(view.video_offset, -1.5f);
    EXPECT_EQ(view.zoom_scale, 0.05f);
    json j;
    viewer_config_to_json(config, j);
    EXPECT_EQ(json_file_text(j), config_text);

    // No group views: no "group_streams" key at all.
    ViewerConfig none;
    json k;
    viewer_config_to_json(none, k);
    EXPECT_FALSE(k.contains("group_streams"));
}

TEST(ViewerConfigFileTest, EachKeyIsTakenOnlyWhenItsTypeFits) {
    EXPECT_EQ(read(json::object()).group_streams.size(), 1u);
    EXPECT_EQ(
        read({{"n_streams", 3}, {"group_streams", {{{"caption", "a"}}}}}).group_streams[2].caption,
        "");
    EXPECT_EQ(read({{"n_streams", 3}, {"group_streams", json::array({1, 2, 3, 4, 5})}})
                  .group_streams.size(),
              3u);
    EXPECT_TRUE(read({{"enable_clips", 1}}).enable_clips);

    const ViewConfig view = read({{"single_stream",
                                   {{"point_size", true},
                                    {"colormap", true},
                                    {"color_mode", 2.9},
                                    {"grid_spacing", nullptr},
                                    {"caption", 7},
                                    {"view_center_x", 1e300}}}})
                                .single_stream;
    EXPECT_EQ(view.point_size, 1.0f);
    EXPECT_EQ(view.colormap, 2);
    EXPECT_EQ(view.color_mode, 2);
    EXPECT_EQ(view.grid_spacing, ViewConfig().grid_spacing);  // null is absent
    EXPECT_EQ(view.caption, "");
    EXPECT_EQ(view.view_center_x, 0.0f);  // beyond the float range: absent

    // NaN is saved as null, which reads back as absent.
    ViewerConfig with_nan;
    with_nan.single_stream.grid_spacing = NAN;
    json j;
    viewer_config_to_json(with_nan, j);
    EXPECT_TRUE(j["single_stream"]["grid_spacing"].is_null());
    EXPECT_EQ(read(j).single_stream.grid_spacing, ViewConfig().grid_spacing);

    // Group elements come from an object's values in key order, and a
    // scalar is one default view.
    const ViewerConfig from_object =
        read({{"n_streams", 2},
              {"group_streams", {{"b", {{"caption", "B"}}}, {"a", {{"caption", "A"}}}}}});
    EXPECT_EQ(from_object.group_streams[0].caption, "A");
    EXPECT_EQ(from_object.group_streams[1].caption, "B");
}

TEST(ViewerConfigFileTest, ValuesThatWouldBreakTheViewerAreBroughtIntoRange) {
    const json hostile = {
        {"zoom_scale", -2.0},      {"point_size", 1e30},  {"color_min", -1e38},
        {"color_max", 3e38},       {"colormap", 9},       {"color_mode", -1},
        {"frame_length", -5.0},    {"grid_spacing", 0.0}, {"grid_fill_distance", -1},
        {"grid_fill_threshold", 0}};
    const ViewerConfig config =
        read({{"n_streams", 1e12}, {"single_stream", hostile}, {"group_streams", {hostile}}});
    EXPECT_EQ(config.n_streams, max_group_views);
    EXPECT_EQ(config.group_streams.size(), max_group_views);
    for (const ViewConfig& view : {config.single_stream, config.group_streams[0]}) {
        EXPECT_GT(view.zoom_scale, 0.0f);
        EXPECT_LT(view.point_size, 1e4f);
        EXPECT_TRUE(std::isfinite(view.color_max - view.color_min));
        EXPECT_EQ(view.colormap, 2);
        EXPECT_EQ(view.color_mode, 0);
        EXPECT_EQ(view.frame_length, 0.0f);
        EXPECT_GT(view.grid_spacing, 0.001f);
        EXPECT_LE(view.grid_fill_distance, 1000u);
        EXPECT_EQ(view.grid_fill_threshold, 1u);
    }
}

// The Config panel's bounds hold for the file too; a negative number or a
// non-number is no count at all.
TEST(ViewerConfigFileTest, ViewCountIsHeldToTheBoundsAndANegativeOneIsAbsent) {
    const std::vector<std::pair<json, uint64_t>> cases = {
        {0, 1},  {4, 4},    {4.9, 4},   {7, 6},   {1e7, 6},  {1e30, 6},
        {-1, 3}, {-0.5, 3}, {-1e30, 3}, {"5", 3}, {true, 3}, {nullptr, 3}};
    for (const auto& [value, views] : cases) {
        ViewerConfig config;
        config.n_streams = 3;
        viewer_config_from_json(config, {{"n_streams", value}});
        EXPECT_EQ(config.n_streams, views) << value;
        EXPECT_EQ(config.group_streams.size(), views) << value;
    }
}

TEST(ViewerConfigFileTest, TopLevelThatIsNotAnObjectFailsWithDefaultViews) {
    for (const json& j : {json::array({1}), json(5), json(nullptr), json("x")}) {
        ViewerConfig config;
        config.n_streams = 2;
        config.enable_clips = false;
        EXPECT_FALSE(viewer_config_from_json(config, j));
        EXPECT_FALSE(config.enable_clips);
        EXPECT_EQ(config.group_streams.size(), 2u);
    }
}

}  // namespace
}  // namespace druvex
