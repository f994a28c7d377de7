// ClusterGrid: foreground points counted on the ground plane, joined into
// objects and outlined with boxes.
#pragma once

#include "render/line_strips.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace druvex {

struct ClusterCell {
    uint16_t count = 0;
    uint16_t label = 0;  // 0: none
    float max_z = -std::numeric_limits<float>::infinity();
    float min_z = std::numeric_limits<float>::infinity();
    // The highest z offered to the cell, counted or not.
    float top_z = -std::numeric_limits<float>::infinity();
};

// Cell ranges are [min, max), in cells; x, y, z in metres. The start values
// mark an unused box.
struct ClusterBox {
    int32_t col_min = 32767, col_max = -32768;
    int32_t row_min = 32767, row_max = -32768;
    float x_min = std::numeric_limits<float>::infinity();
    float x_max = -std::numeric_limits<float>::infinity();
    float y_min = std::numeric_limits<float>::infinity();
    float y_max = -std::numeric_limits<float>::infinity();
    float z_min = std::numeric_limits<float>::infinity();
    float z_max = -std::numeric_limits<float>::infinity();
};

// A fixed occupancy grid in the sensor's own frame: x across, y forward.
class ClusterGrid {
public:
    ClusterGrid();

    void reset_cells();
    // Counts a foreground point into its cell. A point that rises more than
    // 0.1 m above everything its cell was offered before is not counted, so
    // a cell's first point never is: a lone return far above the rest (rain,
    // a bird) does not make a box tall.
    void add_point(float x, float y, float z);
    uint16_t find_root(uint16_t label) const;
    // Joins the trees of two labels; the larger root points to the smaller.
    void unite(uint16_t a, uint16_t b);
    // Forgets every label; the next one made is 1.
    void start_labels();
    uint16_t new_label();

    int32_t min_count = 3;
    float x_min = -7.5f, x_max = 7.5f, cell_x = 0.2f;
    float y_min = 1.5f, y_max = 51.5f, cell_y = 0.2f;
    int32_t columns;
    int32_t rows;
    std::vector<ClusterCell> cells;  // cell (c, r) at c + r * columns
    std::vector<ClusterBox> clusters;
    // The union-find table: the parent of every label (a root is its own
    // parent), and how many labels have another. A flat table, reused frame
    // after frame, where an ordered map would allocate per entry.
    std::vector<uint16_t> equivalences;
    size_t equivalence_count = 0;
    // Index in `clusters` of each root's box, -1 before it has one.
    std::vector<int32_t> box_of_root;
};

// Labels the occupied cells, builds `clusters`, merges touching boxes and
// drops tiny ones; false when no cell is occupied.
bool cluster_grid(ClusterGrid& grid);

// The boxes' outlines (cyan line strips) and faces (dark green, translucent,
// one 17-vertex triangle strip each), into reused arrays.
void build_cluster_geometry(const std::vector<ClusterBox>& boxes, LineStrips& outlines,
                            std::vector<LineVertex>& faces);

}  // namespace druvex
