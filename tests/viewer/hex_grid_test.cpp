// Tests of the hex grid: cell indexing at the borders, hole filling ring by
// ring, and the background model that separates foreground from background.
#include "view/hex_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace druvex {
namespace {

constexpr float narrow = 0.3639702f;  // tan(20 degrees)
constexpr float finest = 0.0017453f;  // tan(0.1 degree)
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

HexGrid grid(float spacing = 0.0087268f) {
    return HexGrid(-narrow, narrow, -narrow, narrow, spacing);
}

float row_v(const HexGrid& g, int64_t r) {
    return g.z_min + (static_cast<float>(r) + 0.5f) * g.size;
}

float cell_u(const HexGrid& g, int64_t r, int64_t c) {
    return g.x_min + (static_cast<float>(c) + ((r & 1) ? 0.0f : 0.5f)) * g.cell_w;
}

std::vector<int64_t> hit_cells(const HexGrid& g) {
    std::vector<int64_t> hits;
    for (int64_t i = 0; i < g.cell_count; ++i) {
        if (g.cells[static_cast<size_t>(i)].state != 0) hits.push_back(i);
    }
    return hits;
}

// One drawing pass over the grid with a point per (u, v, distance).
struct Hit {
    float u, v, distance;
};
void pass(HexGrid& g, const std::vector<Hit>& hits) {
    g.clear();
    for (const Hit& h : hits) g.add(h.u, h.v, h.distance, 0.0f);
}

TEST(HexGridTest, IndexesEvenAndOddRowsAtTheBorders) {
    const HexGrid standard = grid();
    EXPECT_EQ(standard.columns, 48);
    EXPECT_EQ(standard.rows, 83);
    EXPECT_EQ(standard.cell_count, 4025);
    EXPECT_EQ(HexGrid(-0.7002077f, 0.7002077f, -narrow, narrow, 0.0087268f).cell_count, 7677);

    // At the finest spacing the divisions round points just below the upper
    // bounds into the next column and row: another row's cell, or past the end.
    HexGrid g = grid(finest);
    const int64_t n = g.columns;
    const float right = std::nextafter(g.x_min + static_cast<float>(n) * g.cell_w, 0.0f);
    const float top = std::nextafter(g.z_min + static_cast<float>(g.rows) * g.size, 0.0f);
    const struct {
        float u, v;
        int64_t index;
    } cases[] = {
        {g.x_min, row_v(g, 0), 0},                    // even row, first column
        {g.x_min, row_v(g, 1), n},                    // odd row, first column
        {right, row_v(g, 0), n - 1},                  // even row, last of n
        {right, row_v(g, 1), 2 * n},                  // odd row, last of n + 1
        {g.x_min, top, g.cell_index(g.rows - 1, 0)},  // last row
        {right, top, g.cell_count - 1},
    };
    for (const auto& c : cases) {
        g.clear();
        EXPECT_TRUE(g.add(c.u, c.v, 5.0f, 1.0f)) << c.u << " " << c.v;
        EXPECT_EQ(hit_cells(g), std::vector<int64_t>{c.index}) << c.u << " " << c.v;
    }
    g.clear();
    EXPECT_FALSE(g.add(g.x_min + static_cast<float>(n) * g.cell_w, 0.0f, 5.0f, 1.0f));
    EXPECT_FALSE(g.add(0.0f, g.z_min + static_cast<float>(g.rows) * g.size, 5.0f, 1.0f));
    EXPECT_EQ(g.neighbour_offsets[0], -n - 1);
    EXPECT_EQ(g.neighbour_offsets[5], n + 1);
}

TEST(HexGridTest, NonFiniteInputAndOddSpacingsAreRefused) {
    HexGrid g = grid();
    for (const Hit& h : {Hit{nan, 0, 5}, Hit{0, nan, 5}, Hit{inf, 0, 5}, Hit{0, -inf, 5},
                         Hit{0, 0, nan}, Hit{0, 0, inf}}) {
        EXPECT_FALSE(g.add(h.u, h.v, h.distance, 1.0f));
    }
    EXPECT_TRUE(hit_cells(g).empty());
    // They must not widen the seen bounds either: hole filling turns those
    // into cell numbers. Before any point it has nothing to fill.
    EXPECT_FALSE(g.fill_holes());
    EXPECT_TRUE(hit_cells(g).empty());
}

TEST(HexGridTest, FillingGrowsOneRingPerPass) {
    HexGrid g = grid();
    const int64_t r = 40, c = 20;
    // The corners were seen, so hole filling may reach the whole grid.
    const std::vector<Hit> seen = {{-1, -1, 5}, {1, 1, 5}, {cell_u(g, r, c), row_v(g, r), 5}};
    for (const uint64_t distance : {1u, 2u, 3u}) {
        pass(g, seen);
        g.fill_distance = distance;
        EXPECT_TRUE(g.fill_holes());
        // 1 + 6 + 12 + 18 ...: one hexagonal ring more per pass.
        EXPECT_EQ(hit_cells(g).size(), 1 + 3 * distance * (distance + 1)) << distance;
    }

    // A hole inside a ring of six hit cells: filled with a threshold of 3,
    // not with 7; a threshold of 0 fills no cell without neighbours (0 / 0).
    const int64_t centre = g.cell_index(r, c);  // r even: odd rows above and below
    std::vector<Hit> ring = {{-1, -1, 5}, {1, 1, 5}};
    for (const auto& [rr, cc] :
         {std::pair{r, c - 1}, {r, c + 1}, {r - 1, c}, {r - 1, c + 1}, {r + 1, c}, {r + 1, c + 1}})
        ring.push_back({cell_u(g, rr, cc), row_v(g, rr), 6});
    g.fill_distance = 1;
    for (const auto& [threshold, filled] : {std::pair{3u, 7u}, {7u, 6u}}) {
        pass(g, ring);
        g.fill_threshold = threshold;
        g.fill_holes();
        EXPECT_EQ(hit_cells(g).size(), filled) << threshold;
    }
    pass(g, ring);
    g.fill_threshold = 0;
    g.fill_holes();
    EXPECT_EQ(g.cells[static_cast<size_t>(centre)].nearest, 6.0f);
    for (const HexCell& cell : g.cells) EXPECT_FALSE(std::isnan(cell.nearest));
}

// Foreground as the clustering sees it: cells whose evaluate call reports
// "not background".
std::vector<int64_t> foreground(const HexGrid& g) {
    std::vector<int64_t> cells;
    g.evaluate([&](float u, float v, float, float, bool background) {
        const int64_t r = static_cast<int64_t>(std::floor((v - g.z_min) / g.size));
        const int64_t c =
            static_cast<int64_t>(std::floor((u - g.x_min) / g.cell_w + 0.5f * (r & 1)));
        if (!background) cells.push_back(g.cell_index(r, c));
    });
    return cells;
}

TEST(HexGridTest, ForegroundIsNearerThanTheLearntBackground) {
    HexGrid g = grid();
    const int64_t r = 40;
    auto wall_with = [&](std::vector<int64_t> object_columns, float object_distance) {
        std::vector<Hit> hits;
        for (int64_t c = 10; c < 30; ++c) {
            bool object = false;
            for (const int64_t o : object_columns) object = object || o == c;
            for (int64_t rr = r - 3; rr <= r + 3; ++rr)
                hits.push_back({cell_u(g, rr, c), row_v(g, rr), object ? object_distance : 20.0f});
        }
        // Through a fence: a far second return in a cell that shows a near one.
        hits.push_back({cell_u(g, r, 12), row_v(g, r), 30.0f});
        return hits;
    };
    auto frames = [&](int n, const std::vector<Hit>& hits) {
        for (int i = 0; i < n; ++i) {
            pass(g, hits);
            g.tick();
        }
        pass(g, hits);
    };

    // A period with an object passing: the wall stays the background.
    frames(20, wall_with({}, 0));
    frames(HexGrid::period_frames - 20, wall_with({15, 16}, 8.0f));
    ASSERT_TRUE(g.background_ready);
    EXPECT_FLOAT_EQ(g.cells[static_cast<size_t>(g.cell_index(r, 15))].background, 20.0f);
    EXPECT_FLOAT_EQ(g.cells[static_cast<size_t>(g.cell_index(r, 12))].background, 20.0f);
    frames(1, wall_with({}, 0));
    EXPECT_TRUE(foreground(g).empty());

    // Now an object stops in front: foreground (with its hit neighbours'
    // backgrounds behind it too) until it stood there long enough.
    frames(1, wall_with({18, 19, 20}, 8.0f));
    const std::vector<int64_t> front = foreground(g);
    EXPECT_NE(std::find(front.begin(), front.end(), g.cell_index(r, 19)), front.end());
    EXPECT_EQ(std::find(front.begin(), front.end(), g.cell_index(r, 25)), front.end());
    frames(3 * HexGrid::period_frames, wall_with({18, 19, 20}, 8.0f));
    EXPECT_TRUE(foreground(g).empty());
    EXPECT_FLOAT_EQ(g.cells[static_cast<size_t>(g.cell_index(r, 19))].background, 8.0f);

    // At a row's ends the neighbour offsets would reach the far end of the
    // same or another row: a near background over there is no neighbour's.
    pass(g, {});
    const int64_t odd = 41, last = g.row_length(odd) - 1;
    HexCell& left = g.cells[static_cast<size_t>(g.cell_index(odd, 0))];
    HexCell& right = g.cells[static_cast<size_t>(g.cell_index(odd, last))];
    left.background = 20.0f;
    right.background = 5.0f;
    g.add(cell_u(g, odd, 0), row_v(g, odd), 8.0f, 0.0f);
    // The last cell of an odd row is centred on the grid's right edge.
    g.add(cell_u(g, odd, last) - 0.25f * g.cell_w, row_v(g, odd), 5.0f, 0.0f);
    EXPECT_EQ(foreground(g), std::vector<int64_t>{g.cell_index(odd, 0)});

    // F5: learning starts afresh and feeds no clustering until it has.
    g.reset_background();
    EXPECT_FALSE(g.background_ready);
    EXPECT_EQ(g.cells[static_cast<size_t>(g.cell_index(r, 19))].background, 0.0f);
}

}  // namespace
}  // namespace druvex
