// ClusterGrid: counting foreground points, labelling, merging and box geometry.
#include "clustering.h"

#include <algorithm>
#include <cmath>

namespace druvex {
namespace {

constexpr float max_rise = 0.1f;
constexpr uint32_t outline_color = 0xFFFFFF00;  // cyan, opaque
constexpr uint32_t face_color = 0x40003F00;     // dark green at alpha 64
constexpr size_t reserved_vertices = 400;

int32_t cells_along(float extent, float step) {
    return static_cast<int32_t>(std::ceil(extent / step));
}

// Maxima are exclusive ends, so boxes that only touch at an edge or a corner meet.
bool boxes_meet(const ClusterBox& a, const ClusterBox& b) {
    return a.col_min <= b.col_max && b.col_min <= a.col_max && a.row_min <= b.row_max &&
           b.row_min <= a.row_max;
}

void widen(ClusterBox& box, const ClusterBox& by) {
    box.col_min = std::min(box.col_min, by.col_min);
    box.col_max = std::max(box.col_max, by.col_max);
    box.row_min = std::min(box.row_min, by.row_min);
    box.row_max = std::max(box.row_max, by.row_max);
    box.x_min = std::min(box.x_min, by.x_min);
    box.x_max = std::max(box.x_max, by.x_max);
    box.y_min = std::min(box.y_min, by.y_min);
    box.y_max = std::max(box.y_max, by.y_max);
    box.z_min = std::min(box.z_min, by.z_min);
    box.z_max = std::max(box.z_max, by.z_max);
}

void add_cell(ClusterBox& box, const ClusterGrid& grid, int32_t c, int32_t r,
              const ClusterCell& cell) {
    const float cx = grid.x_min + static_cast<float>(c) * grid.cell_x;
    const float cy = grid.y_min + static_cast<float>(r) * grid.cell_y;
    ClusterBox one;
    one.col_min = c, one.col_max = c + 1, one.row_min = r, one.row_max = r + 1;
    one.x_min = cx, one.x_max = cx + grid.cell_x, one.y_min = cy, one.y_max = cy + grid.cell_y;
    one.z_min = cell.min_z, one.z_max = cell.max_z;
    widen(box, one);
}

// First pass: a label runs along a row through `carry` and down from the
// row above; where the two differ they are united.
void label_cells(ClusterGrid& grid) {
    grid.start_labels();
    for (int32_t r = 0; r < grid.rows; ++r) {
        uint16_t carry = 0;
        for (int32_t c = 0; c < grid.columns; ++c) {
            const size_t index = static_cast<size_t>(c + r * grid.columns);
            ClusterCell& cell = grid.cells[index];
            cell.label = 0;
            if (cell.count < grid.min_count) {
                carry = 0;
                continue;
            }
            cell.label = carry;
            if (r > 0) {
                const uint16_t above = grid.cells[index - static_cast<size_t>(grid.columns)].label;
                if (above != 0 && cell.label == 0) {
                    cell.label = above;
                } else if (above != 0 && cell.label != above) {
                    grid.unite(above, cell.label);
                }
            }
            if (cell.label == 0) cell.label = carry = grid.new_label();
        }
    }
}

// Second pass: one box per root, handed out in order of first appearance.
void build_boxes(ClusterGrid& grid, size_t roots) {
    grid.clusters.assign(roots, ClusterBox{});
    grid.box_of_root.assign(grid.equivalences.size(), -1);
    int32_t next_box = 0;
    for (int32_t r = 0; r < grid.rows; ++r) {
        for (int32_t c = 0; c < grid.columns; ++c) {
            const ClusterCell& cell = grid.cells[static_cast<size_t>(c + r * grid.columns)];
            if (cell.label == 0) continue;
            int32_t& box = grid.box_of_root[grid.find_root(cell.label)];
            if (box < 0) box = next_box++;
            add_cell(grid.clusters[static_cast<size_t>(box)], grid, c, r, cell);
        }
    }
}

// From the last box down: a box that meets an earlier one widens it and
// goes; one that meets none stays when it spans at least three cells in
// rows plus columns.
void merge_and_filter(std::vector<ClusterBox>& boxes) {
    for (size_t i = boxes.size(); i-- > 0;) {
        size_t j = 0;
        while (j < i && !boxes_meet(boxes[j], boxes[i])) ++j;
        const ClusterBox& box = boxes[i];
        if (j < i) {
            widen(boxes[j], box);
        } else if ((box.row_max - box.row_min) + (box.col_max - box.col_min) >= 3) {
            continue;
        }
        boxes.erase(boxes.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

}  // namespace

ClusterGrid::ClusterGrid()
    : columns(cells_along(x_max - x_min, cell_x)), rows(cells_along(y_max - y_min, cell_y)) {
    cells.resize(static_cast<size_t>(columns) * static_cast<size_t>(rows));
    // Labels are 16 bits: no grid of this size can need more.
    equivalences.reserve(static_cast<size_t>(columns) * static_cast<size_t>(rows) / 2 + 1);
    reset_cells();
}

void ClusterGrid::reset_cells() { std::fill(cells.begin(), cells.end(), ClusterCell{}); }

void ClusterGrid::add_point(float x, float y, float z) {
    if (!(x_min <= x && x < x_max && y_min <= y && y < y_max)) return;  // also NaN
    // Just below x_max or y_max the division can round up to the next cell.
    const int32_t c = std::min(static_cast<int32_t>((x - x_min) / cell_x), columns - 1);
    const int32_t r = std::min(static_cast<int32_t>((y - y_min) / cell_y), rows - 1);
    ClusterCell& cell = cells[static_cast<size_t>(c + r * columns)];
    if (z > cell.top_z) {
        const float old = cell.top_z;
        cell.top_z = z;
        if (z > old + max_rise) return;
    }
    cell.max_z = std::max(cell.max_z, z);
    cell.min_z = std::min(cell.min_z, z);
    if (cell.count < UINT16_MAX) ++cell.count;
}

void ClusterGrid::start_labels() {
    equivalences.assign(1, 0);  // label 0 is "none"
    equivalence_count = 0;
}

uint16_t ClusterGrid::new_label() {
    const auto label = static_cast<uint16_t>(equivalences.size());
    equivalences.push_back(label);
    return label;
}

uint16_t ClusterGrid::find_root(uint16_t label) const {
    while (equivalences[label] != label) label = equivalences[label];
    return label;
}

void ClusterGrid::unite(uint16_t a, uint16_t b) {
    const uint16_t ra = find_root(a), rb = find_root(b);
    if (ra == rb) return;
    equivalences[std::max(ra, rb)] = std::min(ra, rb);
    ++equivalence_count;
}

bool cluster_grid(ClusterGrid& grid) {
    label_cells(grid);
    const size_t roots = grid.equivalences.size() - 1 - grid.equivalence_count;
    if (roots == 0) return false;
    build_boxes(grid, roots);
    merge_and_filter(grid.clusters);
    return true;
}

void build_cluster_geometry(const std::vector<ClusterBox>& boxes, LineStrips& outlines,
                            std::vector<LineVertex>& faces) {
    outlines.restart_color = 0;
    outlines.color = outline_color;
    outlines.vertices.clear();
    outlines.vertices.reserve(reserved_vertices);
    faces.clear();
    faces.reserve(reserved_vertices);
    for (const ClusterBox& b : boxes) {
        outlines.add_box_outline(b.x_min, b.y_min, b.z_min, b.x_max, b.y_max, b.z_max);
        add_box_faces(faces, b.x_min, b.x_max, b.y_min, b.y_max, b.z_min, b.z_max, face_color);
    }
}

}  // namespace druvex
