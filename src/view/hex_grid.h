// HexGrid: a stream's points binned by direction into hexagonal cells, with
// hole filling and a learnt background per cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace druvex {

// The grid's spacing from a view's settings, made safe to build a grid with:
// settings files and typed values may hold 0, negative, NaN or extreme
// spacings, and the cell count grows with the inverse square of the spacing.
float usable_grid_spacing(float spacing);

struct HexCell {
    uint32_t state = 0;  // 0 empty, 1 filled by fill_holes, 2 hit by a point
    uint64_t fill_pass = 0;
    // What the cell showed during the current background period (see
    // HexGrid::clear): the nearest of the showings that agree with the
    // background, and the farthest of all.
    float period_a = std::numeric_limits<float>::infinity();
    float period_b = -std::numeric_limits<float>::infinity();
    float background = 0.0f;  // metres; 0 not yet known, 1000 nothing seen
    float nearest = std::numeric_limits<float>::infinity();
    float value = 0.0f;
};

// Cells are laid out row by row in (u, v) = (x / y, z / y): even rows hold
// `columns` cells centred at x_min + (c + 0.5) * cell_w, odd rows one more,
// shifted half a cell to the left. Row r is centred at z_min + (r + 0.5) * size.
class HexGrid {
public:
    // A cell's background once the sensor saw nothing there for a whole period.
    static constexpr float unseen_background = 1000.0f;
    // Pushed frames per background period.
    static constexpr int32_t period_frames = 41;

    HexGrid(float x_min, float x_max, float z_min, float z_max, float size);

    // False when (u, v) lies outside the grid (or is not a number).
    bool add(float u, float v, float distance, float value);
    // Empties the cells for the next drawing pass; the background learning
    // keeps what they showed.
    void clear();
    // Calls f(u, v, distance, value, background) once per non-empty cell, at
    // the cell's centre direction.
    template <typename F>
    void evaluate(F&& f) const;
    // Fills empty cells from their neighbours, one ring per pass.
    bool fill_holes();
    // Once per pushed frame: revises the backgrounds at the end of a period.
    void tick();
    void reset_background();

    int64_t cell_index(int64_t row, int64_t column) const {
        return (((2 * columns + 1) * row) >> 1) + column;
    }
    int64_t row_length(int64_t row) const { return columns + (row & 1); }
    // Whether the cell at (row, column), not in the first or last row, is
    // background for clustering.
    bool is_background(int64_t index, int64_t row, int64_t column) const;

    uint64_t fill_threshold = 1;
    uint64_t fill_distance = 1;
    int64_t columns = 0;
    int64_t rows = 0;
    int64_t cell_count = 0;
    int32_t neighbour_offsets[6] = {};
    float x_min, z_min;
    float size;
    float cell_w;
    std::vector<HexCell> cells;
    float seen_u_min = std::numeric_limits<float>::infinity();
    float seen_u_max = -std::numeric_limits<float>::infinity();
    float seen_v_min = std::numeric_limits<float>::infinity();
    float seen_v_max = -std::numeric_limits<float>::infinity();
    int32_t tick_count = 0;
    bool background_ready = false;

private:
    // Per point: the grid's upper bounds, and cells per unit of u and v
    // (multiplying is cheaper than dividing, half a million times a frame).
    float x_max_ = 0.0f, z_max_ = 0.0f;
    float per_column_ = 0.0f, per_row_ = 0.0f;

    bool fill_cell(HexCell& cell, int64_t index, uint64_t pass);
    void revise_backgrounds();
};

template <typename F>
void HexGrid::evaluate(F&& f) const {
    int64_t index = 0;
    for (int64_t r = 0; r < rows; ++r) {
        const float v = z_min + (static_cast<float>(r) + 0.5f) * size;
        const float shift = (r & 1) ? 0.0f : 0.5f;
        const int64_t n = row_length(r);
        for (int64_t c = 0; c < n; ++c, ++index) {
            const HexCell& cell = cells[static_cast<size_t>(index)];
            if (cell.state == 0) continue;
            const float u = x_min + (static_cast<float>(c) + shift) * cell_w;
            f(u, v, cell.nearest, cell.value, is_background(index, r, c));
        }
    }
}

}  // namespace druvex
