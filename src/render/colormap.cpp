// The colormaps' colour stops.
#include "colormap.h"

namespace druvex {
namespace {

ColormapStops opaque(std::initializer_list<Eigen::Vector3f> rgb) {
    ColormapStops stops;
    for (const auto& c : rgb) stops.emplace_back(c.x(), c.y(), c.z(), 1.0f);
    return stops;
}

using V = Eigen::Vector3f;

const std::map<int, ColormapStops> stop_table = {
    {COLORMAP_CATEGORICAL,
     opaque({V(0.89f, 0.10f, 0.11f), V(0.22f, 0.49f, 0.72f), V(0.30f, 0.69f, 0.29f),
             V(0.60f, 0.31f, 0.64f), V(1.00f, 0.50f, 0.00f), V(1.00f, 1.00f, 0.20f),
             V(0.65f, 0.34f, 0.16f), V(0.97f, 0.51f, 0.75f)})},
    {COLORMAP_CIRCULAR,
     opaque({V(1, 0.25f, 0.2f), V(1, 0.55f, 0.2f), V(1, 0.85f, 0.2f), V(0.85f, 1, 0.2f),
             V(0.55f, 1, 0.2f), V(0.25f, 1, 0.2f), V(0.2f, 1, 0.45f), V(0.2f, 1, 0.75f),
             V(0.2f, 0.95f, 1), V(0.2f, 0.65f, 1), V(0.2f, 0.35f, 1), V(0.35f, 0.2f, 1),
             V(0.65f, 0.2f, 1), V(0.95f, 0.2f, 1), V(1, 0.2f, 0.75f), V(1, 0.2f, 0.45f)})},
    {COLORMAP_CONSTANT, opaque({V(1, 1, 1), V(1, 0, 0)})},
    {COLORMAP_DIVERGING,
     opaque({V(0.00f, 0.28f, 0.50f), V(0.26f, 0.48f, 0.65f), V(0.54f, 0.69f, 0.80f),
             V(0.80f, 0.89f, 0.95f), V(0.80f, 0.93f, 0.87f), V(0.54f, 0.73f, 0.64f),
             V(0.26f, 0.52f, 0.40f), V(0.00f, 0.32f, 0.17f)})},
    {COLORMAP_SEQUENTIAL,
     opaque({V(0.13f, 0.19f, 0.55f), V(0.14f, 0.33f, 0.64f), V(0.12f, 0.50f, 0.72f),
             V(0.19f, 0.65f, 0.76f), V(0.37f, 0.75f, 0.75f), V(0.59f, 0.84f, 0.72f),
             V(0.82f, 0.93f, 0.70f), V(0.94f, 0.98f, 0.71f)})},
};

}  // namespace

const std::map<int, ColormapStops>& colormap_stop_table() { return stop_table; }

const ColormapStops* colormap_stops(int id) {
    auto it = stop_table.find(id);
    return it == stop_table.end() ? nullptr : &it->second;
}

}  // namespace druvex
