// Colormaps for point colouring: ids and colour stops.
#pragma once

#include <Eigen/Core>

#include <map>
#include <vector>

namespace druvex {

// The id is also the point program's colormap constant and the "colormap"
// uniform, so the values are fixed.
enum ColormapEnum : int {
    COLORMAP_CATEGORICAL = 0,
    COLORMAP_CIRCULAR = 1,
    COLORMAP_CONSTANT = 2,
    COLORMAP_DIVERGING = 3,
    COLORMAP_SEQUENTIAL = 4,
};

using ColormapStops = std::vector<Eigen::Vector4f>;

// Every colormap's RGBA stops, built once before main and never changed.
const std::map<int, ColormapStops>& colormap_stop_table();

// The stops of `id`, or nullptr when no colormap has that id.
const ColormapStops* colormap_stops(int id);

}  // namespace druvex
