// Tests of a view's display modes: what each mode draws, and the frames,
// settings and sensors that must not break them; the IMU demo's angular grid.
#include "fake_view_host.h"
#include "view/hex_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace druvex {
namespace {

using testing::FakeViewHost;
using testing::raw_point;
using testing::sensor_info;

constexpr int raw = 0, grid = 1, demo = 3, full_grid = 5, demo_2 = 7;

// Pairs of points on a lattice more than a hex cell apart, the pair in one
// direction at 10 and 12 m: the grid keeps the nearer of each pair, and hole
// filling adds the cells between the lattice points.
std::vector<DruvexSensorRawPointWithTime> lattice(int64_t t) {
    std::vector<DruvexSensorRawPointWithTime> points;
    for (int i = -10; i <= 10; ++i) {
        for (int j = -10; j <= 10; ++j) {
            const float u = 0.026f * static_cast<float>(i), v = 0.026f * static_cast<float>(j);
            points.push_back(raw_point(t, u, v, 10.0f));
            points.push_back(raw_point(t, u, v, 12.0f));
        }
    }
    return points;
}

class DisplayModesTest : public ::testing::Test {
protected:
    size_t drawn(View& view, int mode) {
        view.config.display_mode = mode;
        view.clear_frames();
        const auto points = lattice(host_.now_us);
        view.on_frame(sensor_info(1), host_.now_us, points.size(), points.data());
        view.refresh_streams();
        view.refresh_streams();
        return view.collect_points() ? view.vertices().size() : 0;
    }

    FakeViewHost host_;
};

TEST_F(DisplayModesTest, EachModeChoosesGridAndFilling) {
    View view(&host_, nullptr, 0);
    const size_t raw_points = drawn(view, raw);
    EXPECT_EQ(raw_points, 2u * 21 * 21);
    EXPECT_FALSE(view.streams().at(1)->hex_grid());
    const size_t grid_points = drawn(view, grid);
    EXPECT_EQ(grid_points, 21u * 21);  // one per cell, the nearer of each pair
    ASSERT_TRUE(view.streams().at(1)->hex_grid());
    for (const PointVertex& v : view.vertices()) EXPECT_LT(v.y, 10.001f);
    EXPECT_EQ(drawn(view, demo), grid_points);
    EXPECT_GT(drawn(view, full_grid), grid_points);
    EXPECT_EQ(drawn(view, demo_2), drawn(view, full_grid));
    // Until a background was learnt nothing is clustered.
    EXPECT_FALSE(view.cluster_grid());
    EXPECT_EQ(drawn(view, raw), raw_points);
    EXPECT_FALSE(view.streams().at(1)->hex_grid());
}

TEST_F(DisplayModesTest, EmptyFramesAndOddSpacingsAreHarmless) {
    View view(&host_, nullptr, 0);
    view.config.display_mode = demo_2;
    // A raw frame without points, first and later.
    EXPECT_TRUE(view.on_frame(sensor_info(1), host_.now_us, 0, nullptr));
    view.refresh_streams();
    view.refresh_streams();
    EXPECT_FALSE(view.collect_points());
    EXPECT_GT(drawn(view, demo_2), 0u);

    // Spacings read from a file or typed: the grid stays usable and small,
    // and is not rebuilt on every frame for a value that never compares equal.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float spacing : {0.0f, -1.0f, 1e-12f, 1e12f, nan}) {
        view.config.grid_spacing = spacing;
        EXPECT_GT(drawn(view, grid), 0u) << spacing;
        const HexGrid* made = view.streams().at(1)->hex_grid();
        EXPECT_LT(made->cell_count, 200000) << spacing;
        drawn(view, grid);
        EXPECT_EQ(view.streams().at(1)->hex_grid(), made) << spacing;
    }
}

TEST_F(DisplayModesTest, ClusterSetNamesOfViewsNeverMeet) {
    auto named = [&](View& view, uint64_t handle) {
        const auto points = lattice(host_.now_us);
        view.on_frame(sensor_info(handle), host_.now_us, points.size(), points.data());
        return view.name();
    };
    View one(&host_, nullptr, 0), twelve(&host_, nullptr, 0), group(&host_, nullptr, 1);
    EXPECT_EQ(named(twelve, 12), "vw12");
    // "vw1" would draw its faces as "vw12", the other view's outlines.
    const std::string first = named(one, 1);
    EXPECT_NE(first + "2", "vw12");
    // A second view of the same sensor gets a name of its own.
    EXPECT_NE(named(group, 12), "vw12");
    {
        View later(&host_, nullptr, 0);
        EXPECT_NE(named(later, 1), first);
    }
}

TEST_F(DisplayModesTest, AngularGridKeepsAFadingPanorama) {
    host_.imu_samples = true;
    const auto points = lattice(host_.now_us);
    View imu(&host_, nullptr, 0);
    imu.on_frame(sensor_info(2), host_.now_us, points.size(), points.data());
    imu.refresh_streams();
    imu.refresh_streams();
    imu.collect_points();
    ASSERT_TRUE(imu.angular_grid());
    AngularPointGrid& g = *imu.angular_grid();
    EXPECT_EQ(g.azimuth_bins, 1800);
    EXPECT_EQ(g.elevation_bins, 572);

    // Straight behind the sensor is bin 0; just below 45 degrees the top bin.
    g.clear();
    g.add({0.5f, -1.0f, 0.0f, std::nextafter(1.0f, 0.0f), 3.0f}, 5000000);
    const AngularCell& behind = g.cells[static_cast<size_t>(g.elevation_bins - 1)];
    EXPECT_EQ(behind.timestamp, 5000000);
    EXPECT_EQ(behind.vertex.importance, 1.0f);
    EXPECT_EQ(g.azimuth_times[1795], 4000000);  // five bins before, wrapping
    EXPECT_EQ(g.azimuth_times[4], 4000000);     // four after
    EXPECT_EQ(g.azimuth_times[5], 0);
    // Steep, not a number, or infinitely far: not kept.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const PointVertex& v : {PointVertex{1, 0, 1, 1.5f, 0}, PointVertex{1, nan, 1, 0, 0},
                                 PointVertex{1, inf, 1, 0, 0}}) {
        g.add(v, 6000000);
    }
    EXPECT_EQ(g.azimuth_times[1350], 0);
    EXPECT_EQ(g.azimuth_times[900], 0);

    // Empty bins of azimuths not scanned yet show as points at the origin;
    // near a point, only points not a second older than it show.
    std::vector<PointVertex> out;
    g.collect(out);
    EXPECT_EQ(out.size(), static_cast<size_t>(g.azimuth_bins - 10) * 572 + 1);
    auto kept = [&] {
        out.clear();
        g.collect(out);
        size_t n = 0;
        for (const PointVertex& v : out) n += v.importance == 1.0f ? 1 : 0;
        return n;
    };
    g.add({1, -1.0f, -0.001f, 0.0f, 0}, 5500000);  // bin 0, half a second later
    EXPECT_EQ(kept(), 2u);
    const double theta = 3.5 * 2.0 * M_PI / 1800.0 - M_PI;  // the middle of bin 3
    g.add({1, static_cast<float>(std::cos(theta)), static_cast<float>(std::sin(theta)), 0, 0},
          6200000);
    EXPECT_EQ(kept(), 2u);  // the first point, 1.2 s older than this one, faded
}

}  // namespace
}  // namespace druvex
