// Tests of the clustering: which shapes make which boxes, and which points
// count towards them.
#include "view/clustering.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace druvex {
namespace {

// Occupies the cells marked '#' of the picture; its first line is row 0.
void occupy(ClusterGrid& g, const std::vector<std::string>& rows, int32_t count = 3) {
    g.reset_cells();
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            if (rows[r][c] != '#') continue;
            ClusterCell& cell = g.cells[c + r * static_cast<size_t>(g.columns)];
            cell.count = static_cast<uint16_t>(count);
            cell.min_z = -1.0f;
            cell.max_z = static_cast<float>(r);
        }
    }
}

size_t boxes_of(ClusterGrid& g, const std::vector<std::string>& rows) {
    occupy(g, rows);
    EXPECT_TRUE(cluster_grid(g));
    return g.clusters.size();
}

TEST(ClusteringTest, ShapesMakeBoxes) {
    ClusterGrid g;
    EXPECT_EQ(g.columns, 75);
    EXPECT_EQ(g.rows, 250);

    // The arms get labels of their own; the bottom row unites them.
    EXPECT_EQ(boxes_of(g, {"#...#", "#...#", "#####"}), 1u);
    EXPECT_EQ(boxes_of(g, {"#####", "#...#", "#...#"}), 1u);
    // Diagonal contact joins; one empty column keeps two boxes apart.
    EXPECT_EQ(boxes_of(g, {"##..", "..##"}), 1u);
    EXPECT_EQ(boxes_of(g, {"##.##"}), 2u);
    // Size filter: a single cell is no box, two side by side are.
    EXPECT_EQ(boxes_of(g, {"#"}), 0u);
    EXPECT_EQ(boxes_of(g, {"", "", "...##"}), 1u);
    const ClusterBox& b = g.clusters[0];
    EXPECT_NEAR(b.x_max - b.x_min, 0.4f, 1e-5f);
    EXPECT_NEAR(b.y_max - b.y_min, 0.2f, 1e-5f);
    EXPECT_FLOAT_EQ(b.x_min, -7.5f + 3 * 0.2f);
    EXPECT_FLOAT_EQ(b.y_min, 1.5f + 2 * 0.2f);
    EXPECT_FLOAT_EQ(b.z_max, 2.0f);
    // A count of 2 is empty: nothing occupied at all.
    occupy(g, {"##"}, 2);
    EXPECT_FALSE(cluster_grid(g));

    // The labels of a frame do not leak into the next.
    EXPECT_EQ(boxes_of(g, {"#.#.#.#.#", "#########"}), 1u);
    EXPECT_EQ(boxes_of(g, {"##......##"}), 2u);
}

TEST(ClusteringTest, OnlyPointsThatRiseGentlyAreCounted) {
    ClusterGrid g;
    const ClusterCell& first = g.cells[0];
    // The first point of a cell and a jump of more than 0.1 m are not counted.
    for (const float z : {0.0f, 0.05f, 0.1f, 0.5f, 0.55f, 0.2f}) g.add_point(-7.4f, 1.6f, z);
    EXPECT_EQ(first.count, 4);
    EXPECT_FLOAT_EQ(first.max_z, 0.55f);
    EXPECT_FLOAT_EQ(first.min_z, 0.05f);

    // Just below the far edges the division rounds into the next column or
    // row: the point must stay in the last one.
    const float right = std::nextafter(g.x_max, 0.0f), far = std::nextafter(g.y_max, 0.0f);
    for (int i = 0; i < 3; ++i) g.add_point(right, far, 1.0f);
    EXPECT_EQ(g.cells.back().count, 2);
    // Outside, or not a number: not counted anywhere.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float x : {g.x_max, g.x_min - 0.01f, nan}) {
        for (int i = 0; i < 3; ++i) g.add_point(x, 10.0f, 0.0f);
    }
    size_t counted = 0;
    for (const ClusterCell& cell : g.cells) counted += cell.count;
    EXPECT_EQ(counted, 6u);
}

}  // namespace
}  // namespace druvex
