// HexGrid: binning, hole filling and the background model of a stream's grid.
#include "hex_grid.h"

#include <algorithm>
#include <cmath>

namespace druvex {
namespace {

constexpr float sqrt_3 = 1.7320508f;
// tan(0.5 degree): the settings' default.
constexpr float default_grid_spacing = 0.0087268f;
// tan(0.1 degree) and tan(10 degrees). The finest spacing keeps the widest
// grid under 200 000 cells (8 MB); the coarsest still gives a few rows.
constexpr float min_grid_spacing = 0.0017453f;
constexpr float max_grid_spacing = 0.1763270f;
// A distance this much nearer than a background is in front of it.
constexpr float background_margin = 0.1f;
// Cells along one axis never exceed this, whatever the grid is built with.
constexpr double max_cells_per_axis = 16384.0;

int64_t cells_along(float extent, float step) {
    const double n = std::trunc(static_cast<double>(extent) / static_cast<double>(step));
    if (!(n > 0.0)) return 0;  // also NaN
    return static_cast<int64_t>(std::min(n, max_cells_per_axis));
}

// floor(x) as an integer within [lo, hi]; x may be far outside any integer type.
int64_t clamped_floor(float x, int64_t lo, int64_t hi) {
    const double f = std::floor(static_cast<double>(x));
    if (!(f > static_cast<double>(lo))) return lo;
    if (f > static_cast<double>(hi)) return hi;
    return static_cast<int64_t>(f);
}

bool background_unknown(float background) {
    return background == 0.0f || background == HexGrid::unseen_background;
}

}  // namespace

float usable_grid_spacing(float spacing) {
    if (std::isnan(spacing)) return default_grid_spacing;
    return std::clamp(spacing, min_grid_spacing, max_grid_spacing);
}

HexGrid::HexGrid(float x_min_, float x_max, float z_min_, float z_max, float size_)
    : x_min(x_min_), z_min(z_min_), size(size_), cell_w(size_ * sqrt_3) {
    columns = cells_along(x_max - x_min, cell_w);
    rows = cells_along(z_max - z_min, size);
    cell_count = ((2 * columns + 1) * rows) >> 1;
    const int32_t c = static_cast<int32_t>(columns);
    const int32_t offsets[6] = {-c - 1, -c, -1, 1, c, c + 1};
    std::copy(offsets, offsets + 6, neighbour_offsets);
    cells.resize(static_cast<size_t>(cell_count));
    x_max_ = x_min + static_cast<float>(columns) * cell_w;
    z_max_ = z_min + static_cast<float>(rows) * size;
    per_column_ = 1.0f / cell_w;
    per_row_ = 1.0f / size;
}

bool HexGrid::add(float u, float v, float distance, float value) {
    // A NaN passes every range test below, and an infinity would spoil the
    // seen bounds that hole filling turns into cell numbers.
    if (!std::isfinite(u) || !std::isfinite(v) || !std::isfinite(distance)) return false;
    seen_u_min = std::min(seen_u_min, u);
    seen_u_max = std::max(seen_u_max, u);
    seen_v_min = std::min(seen_v_min, v);
    seen_v_max = std::max(seen_v_max, v);
    if (u < x_min || u >= x_max_ || v < z_min || v >= z_max_) return false;
    // Just below the upper bounds the products can round up to the next row
    // or column, which would be another row's cell or past the end.
    const int64_t r = std::min(static_cast<int64_t>((v - z_min) * per_row_), rows - 1);
    const float shift = 0.5f * static_cast<float>(r & 1);
    const int64_t c =
        std::min(static_cast<int64_t>((u - x_min) * per_column_ + shift), row_length(r) - 1);
    HexCell& cell = cells[static_cast<size_t>(cell_index(r, c))];
    if (distance < cell.nearest) {
        cell.value = value;
        cell.nearest = distance;
        cell.state = 2;
    }
    return true;
}

// Background model: a cell's background is the farthest distance it showed
// (its nearest point of a drawing pass) over the last period of 41 frames.
// Only what the cell showed counts, not every point in it, so the surface
// behind a fence seen through its gaps does not become the fence's
// background. Something passing in front leaves the farthest showing, the
// surface behind, in place. Something that stays in front for a whole period
// (a car that parked) shows nothing that agrees with the old background: the
// cell then counts as having seen nothing (unseen_background) and takes the
// farthest showing of the next period, so the parked car becomes background
// after one to two periods.
void HexGrid::clear() {
    for (HexCell& cell : cells) {
        if (cell.state == 2) {
            cell.period_b = std::max(cell.period_b, cell.nearest);
            if (background_unknown(cell.background) ||
                cell.nearest > cell.background - background_margin)
                cell.period_a = std::min(cell.period_a, cell.nearest);
        }
        cell.state = 0;
        cell.fill_pass = 0;
        cell.nearest = std::numeric_limits<float>::infinity();
        cell.value = 0.0f;
    }
}

void HexGrid::revise_backgrounds() {
    for (HexCell& cell : cells) {
        if (cell.period_a == std::numeric_limits<float>::infinity()) {
            cell.background = unseen_background;
        } else if (cell.period_a > 0.5f && (background_unknown(cell.background) ||
                                            cell.period_b > cell.background - background_margin)) {
            cell.background = cell.period_b;
        }
        cell.period_a = std::numeric_limits<float>::infinity();
        cell.period_b = -std::numeric_limits<float>::infinity();
    }
}

void HexGrid::tick() {
    if (++tick_count < period_frames) return;
    background_ready = true;
    tick_count = 0;
    revise_backgrounds();
}

// A fresh start: the next revision comes after a whole period of learning.
void HexGrid::reset_background() {
    background_ready = false;
    tick_count = 0;
    for (HexCell& cell : cells) {
        cell.background = 0.0f;
        cell.period_a = std::numeric_limits<float>::infinity();
        cell.period_b = -std::numeric_limits<float>::infinity();
    }
}

bool HexGrid::is_background(int64_t index, int64_t row, int64_t column) const {
    if (index < columns + 1 || index + columns + 1 >= cell_count) return true;
    const HexCell& cell = cells[static_cast<size_t>(index)];
    if (cell.state != 2 || cell.nearest > cell.background - background_margin) return true;
    // The neighbour offsets hold inside a row; at a row's ends some of them
    // would reach the far end of another row, which is not a neighbour.
    const bool odd = (row & 1) != 0;
    const bool left_open = column > 0, right_open = column < row_length(row) - 1;
    const bool valid[6] = {!odd || left_open, !odd || right_open, left_open,
                           right_open,        !odd || left_open,  !odd || right_open};
    for (int k = 0; k < 6; ++k) {
        if (!valid[k]) continue;
        const HexCell& n = cells[static_cast<size_t>(index + neighbour_offsets[k])];
        if (n.state == 2 && cell.nearest > n.background - background_margin) return true;
    }
    return false;
}

// Neighbours hit by a point, or filled in an earlier pass, feed an empty cell.
bool HexGrid::fill_cell(HexCell& cell, int64_t index, uint64_t pass) {
    uint64_t count = 0;
    float nearest = 0.0f, value = 0.0f;
    for (const int32_t offset : neighbour_offsets) {
        const HexCell& n = cells[static_cast<size_t>(index + offset)];
        if (n.state == 2 || (n.state == 1 && n.fill_pass != pass)) {
            ++count;
            nearest += n.nearest;
            value += n.value;
        }
    }
    // A threshold of 0 must not fill a cell from no neighbours at all (0 / 0).
    if (count == 0 || count < fill_threshold) return false;
    cell.nearest = nearest / static_cast<float>(count);
    cell.value = value / static_cast<float>(count);
    cell.state = 1;
    cell.fill_pass = pass;
    return true;
}

bool HexGrid::fill_holes() {
    // Before any point was seen the bounds are still +inf and -inf.
    if (!(seen_u_min <= seen_u_max) || !(seen_v_min <= seen_v_max)) return false;
    const int64_t lo = clamped_floor((seen_u_min - x_min) / cell_w, 1, columns);
    const int64_t hi = clamped_floor((seen_u_max - x_min) / cell_w, 0, columns - 1);
    const int64_t rlo = clamped_floor((seen_v_min - z_min) / size, 1, rows);
    const int64_t rhi = clamped_floor((seen_v_max - z_min) / size, 0, rows - 1);
    for (uint64_t pass = 0; pass < fill_distance; ++pass) {
        if (rhi <= rlo) return false;
        bool changed = false, any_hit = false;
        for (int64_t r = rlo; r < rhi; ++r) {
            for (int64_t c = lo; c < hi + (r & 1) - 1; ++c) {
                const int64_t index = cell_index(r, c);
                HexCell& cell = cells[static_cast<size_t>(index)];
                if (cell.state != 0) {
                    any_hit = true;
                } else if (fill_cell(cell, index, pass)) {
                    changed = true;
                }
            }
        }
        if (!any_hit) return false;
        if (!changed) break;
    }
    return true;
}

}  // namespace druvex
