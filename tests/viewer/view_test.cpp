// Tests of a view's sensors and streams.
#include "fake_view_host.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

namespace druvex {
namespace {

using testing::FakeViewHost;
using testing::raw_frame;
using testing::raw_point;
using testing::sensor_info;

class ViewTest : public ::testing::Test {
protected:
    bool frame(View& view, uint64_t handle, std::vector<DruvexSensorRawPointWithTime> points,
               int64_t time_us = 0) {
        const DruvexSensorInformation info = sensor_info(handle, handle + 1000);
        return view.on_frame(info, time_us != 0 ? time_us : host_.now_us, points.size(),
                             points.data());
    }
    // A new stream joins on the first refresh and hands over its frames on the next.
    static void refresh(View& view) {
        view.refresh_streams();
        view.refresh_streams();
    }
    // The view's points for one frame of the given points.
    std::vector<PointVertex> points_of(View& view,
                                       std::vector<DruvexSensorRawPointWithTime> points) {
        frame(view, 1, std::move(points));
        refresh(view);
        EXPECT_TRUE(view.collect_points());
        return view.vertices();
    }

    FakeViewHost host_;
};

TEST_F(ViewTest, SingleViewKeepsItsFirstSensor) {
    View view(&host_, nullptr, 0);
    EXPECT_TRUE(frame(view, 1, raw_frame(3, 1)));
    EXPECT_FALSE(frame(view, 2, raw_frame(3, 1)));  // still pending, but bound
    view.refresh_streams();
    EXPECT_EQ(view.sensor_handles(), std::vector<uint64_t>{1});
    EXPECT_FALSE(frame(view, 2, raw_frame(3, 1)));
    EXPECT_EQ(view.name(), "vw1");

    view.remove_streams();
    EXPECT_TRUE(frame(view, 2, raw_frame(3, 1)));
    view.refresh_streams();
    EXPECT_EQ(view.sensor_handles(), std::vector<uint64_t>{2});
    EXPECT_EQ(view.name(), "vw1");  // fixed by the first frame
}

TEST_F(ViewTest, GroupViewTakesEverySensorAndIndexesThemByHandle) {
    View view(&host_, nullptr, 1);
    EXPECT_TRUE(frame(view, 9, raw_frame(1, 1)));
    EXPECT_TRUE(frame(view, 4, raw_frame(1, 1)));
    view.refresh_streams();
    EXPECT_EQ(view.stream_index(4), 0u);
    EXPECT_EQ(view.stream_index(9), 1u);
    EXPECT_EQ(view.stream_index(5), 2u);
    EXPECT_TRUE(view.rebuild_pending());
}

TEST_F(ViewTest, SilentSensorIsRemovedAgainstTheNewestData) {
    View view(&host_, nullptr, 0);
    frame(view, 1, raw_frame(1, 1));
    view.refresh_streams();
    SensorStream& stream = *view.streams().at(1);
    stream.push_frame(1, 0, nullptr, FrameArrival{0, 100});  // last arrived at 100 s
    host_.data_time = 101;                                   // last push is not below 101 - 1
    view.refresh_streams();
    EXPECT_EQ(view.streams().size(), 1u);
    host_.data_time = 102;
    view.refresh_streams();
    EXPECT_TRUE(view.streams().empty());
    EXPECT_TRUE(view.accepting_new_stream());
}

TEST_F(ViewTest, ClearFramesKeepsStreams) {
    View view(&host_, nullptr, 0);
    frame(view, 1, raw_frame(5, 1));
    refresh(view);
    ASSERT_FALSE(view.streams().at(1)->frames().empty());
    view.clear_frames();
    EXPECT_EQ(view.streams().size(), 1u);
    EXPECT_FALSE(view.collect_points());
}

TEST_F(ViewTest, NoPointsKeepsStatisticsAndPreviousUpload) {
    View view(&host_, nullptr, 0);
    frame(view, 1, raw_frame(1, 1), host_.now_us + 1'000'000);  // not yet due
    refresh(view);
    EXPECT_FALSE(view.collect_points());
    EXPECT_EQ(view.range_extent().next, 0u);
}

TEST_F(ViewTest, HighlightFadesLowValues) {
    View view(&host_, nullptr, 0);
    view.config.highlight_mode = 1;
    view.config.color_mode = 9;  // raw intensity / 255
    DruvexSensorRawPointWithTime low = raw_point(1, 0, 0, 4), high = raw_point(2, 0, 0, 4);
    low.intensity[0] = 12;
    high.intensity[0] = 200;
    const auto out = points_of(view, {low, high});
    EXPECT_FLOAT_EQ(out[0].importance, 0.5f);
    EXPECT_FLOAT_EQ(out[1].importance, 1.0f);
}

TEST_F(ViewTest, FocusBoxIsOpenAndAppliesToGroupViewsWithClips) {
    host_.clips_on = true;
    host_.clips_store.focus.max_y = 4.0f;
    View single(&host_, nullptr, 0);
    EXPECT_FLOAT_EQ(points_of(single, {raw_point(1, 0, 0, 4)})[0].importance, 1.0f);
    View group(&host_, nullptr, 1);
    const auto out = points_of(group, {raw_point(1, 0, 0, 4), raw_point(2, 0, 0, 3)});
    EXPECT_FLOAT_EQ(out[0].importance, 0.0f);  // on the face
    EXPECT_FLOAT_EQ(out[1].importance, 1.0f);
}

TEST_F(ViewTest, GroundFadesNearLowPoints) {
    host_.clips_on = true;
    host_.clips_store.ground = {0.0f, 10.0f};
    View group(&host_, nullptr, 1);
    const auto out = points_of(group, {raw_point(1, 0, 0.1f, 4), raw_point(2, 0, -0.1f, 4)});
    EXPECT_FLOAT_EQ(out[0].importance, 0.0f);  // z below the ground height
    EXPECT_FLOAT_EQ(out[1].importance, 1.0f);
}

TEST_F(ViewTest, DynamicColourFollowsTheMeanExtent) {
    View view(&host_, nullptr, 0);
    view.config.dynamic_color = true;
    view.config.color_mode = 2;
    RenderConfig camera = view.renderer.get_config();
    camera.color_min = 5.0f;
    view.renderer.set_config(camera);
    for (int i = 0; i < 16; ++i) {
        frame(view, 1, {raw_point(i, 0, 0, 40), raw_point(i, 0, 0, 10)}, host_.now_us);
        refresh(view);
        ASSERT_TRUE(view.collect_points());
    }
    EXPECT_NEAR(view.renderer.get_config().color_max, 45.0f, 1e-3f);
    EXPECT_NEAR(view.vertices()[0].intensity, 40.0f, 1e-3f);

    view.config.color_mode = 6;  // not a positional mode: the range stays
    camera.color_max = 1.0f;
    view.renderer.set_config(camera);
    ASSERT_TRUE(view.collect_points());
    EXPECT_FLOAT_EQ(view.renderer.get_config().color_max, 1.0f);
}

TEST_F(ViewTest, PositionalColourModes) {
    View view(&host_, nullptr, 0);
    for (int mode : {3, 4, 5}) {
        view.config.color_mode = mode;
        const auto out = points_of(view, {raw_point(1, 1.0f, 1.0f, 3.0f)});
        const float expected[] = {out[0].x, out[0].y, out[0].z};
        EXPECT_FLOAT_EQ(out[0].intensity, expected[mode - 3]) << mode;
    }
}

TEST_F(ViewTest, TimeColourRunsFromOldestToNewest) {
    View view(&host_, nullptr, 0);
    view.config.color_mode = 1;
    const int64_t t = host_.now_us;
    auto out = points_of(view, {raw_point(t - 300, 0, 0, 4), raw_point(t - 100, 0, 0, 4),
                                raw_point(t - 200, 0, 0, 4)});
    EXPECT_FLOAT_EQ(out[0].intensity, 0.0f);
    EXPECT_FLOAT_EQ(out[1].intensity, 1.0f);
    EXPECT_FLOAT_EQ(out[2].intensity, 0.5f);
    view.clear_frames();
    out = points_of(view, {raw_point(t, 0, 0, 4), raw_point(t, 0, 0, 5)});
    EXPECT_FLOAT_EQ(out[0].intensity, 1.0f);  // one instant: no division by zero
    EXPECT_FLOAT_EQ(out[1].intensity, 1.0f);
}

TEST_F(ViewTest, DisplayModeConfiguresHexGrids) {
    View view(&host_, nullptr, 0);
    frame(view, 1, raw_frame(1, 1));
    view.refresh_streams();
    view.config.display_mode = 5;
    view.collect_points();
    EXPECT_FLOAT_EQ(view.streams().at(1)->hex_spacing(), view.config.grid_spacing);
    view.config.display_mode = 0;
    view.collect_points();
    EXPECT_FLOAT_EQ(view.streams().at(1)->hex_spacing(), 0.0f);
}

TEST_F(ViewTest, DisabledSensorsAreLeftOutOfGroupViews) {
    View group(&host_, nullptr, 1);
    host_.enabled[1] = false;
    frame(group, 1, raw_frame(4, 1));
    refresh(group);
    EXPECT_FALSE(group.collect_points());
}

TEST_F(ViewTest, KeysMoveTheCamera) {
    View view(&host_, nullptr, 0);
    const float zoom = view.renderer.get_config().zoom_scale;
    EXPECT_TRUE(view.handle_key(GLFW_KEY_UP, GLFW_MOD_SHIFT | GLFW_MOD_CONTROL));  // Shift wins
    EXPECT_FLOAT_EQ(view.renderer.get_config().zoom_scale, zoom * 1.2f);
    EXPECT_FALSE(view.handle_key(GLFW_KEY_UP, GLFW_MOD_ALT));
    EXPECT_FALSE(view.handle_key(GLFW_KEY_ESCAPE, 0));  // not measuring
    view.renderer.measuring = true;
    EXPECT_TRUE(view.handle_key(GLFW_KEY_ESCAPE, GLFW_MOD_ALT));
    EXPECT_FALSE(view.renderer.measuring);
    EXPECT_TRUE(view.handle_key(GLFW_KEY_LEFT, 0));
    EXPECT_NEAR(view.renderer.get_config().view_rotation_azimuth, 0.08726647f, 1e-6f);
    EXPECT_TRUE(view.handle_key(GLFW_KEY_F5, 0));
    EXPECT_TRUE(view.handle_key(GLFW_KEY_P, 0));
    EXPECT_TRUE(view.get_config().perspective);
}

}  // namespace
}  // namespace druvex
