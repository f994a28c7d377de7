// AngularPointGrid: the newest point per direction of a turning sensor, kept
// as a full-circle panorama that fades a second after the scan passed again.
#pragma once

#include "render/point_program.h"

#include <druvex_sdk.h>

#include <cstdint>
#include <vector>

namespace druvex {

class ViewHost;

struct AngularCell {
    PointVertex vertex;
    int64_t timestamp;  // microseconds of the sensor clock
};

class AngularPointGrid {
public:
    // `resolution`: the bin size in radians, in azimuth and in elevation
    // tangent units.
    AngularPointGrid(ViewHost* app, const DruvexSensorInformation& info, float resolution);

    // Keeps the vertex in its bin unless it lies 45 degrees or more above or
    // below the horizon (or is not a finite point).
    void add(const PointVertex& vertex, int64_t timestamp);
    // Appends every bin whose point is not older than one second before the
    // newest point near its azimuth, moved by the sensor's pose when
    // transforms are on.
    void collect(std::vector<PointVertex>& out) const;
    void clear();

    ViewHost* app;
    DruvexSensorInformation info;
    int32_t azimuth_bins;
    int32_t elevation_bins;
    std::vector<int64_t> azimuth_times;
    std::vector<AngularCell> cells;  // bin (a, e) at a * elevation_bins + e
};

}  // namespace druvex
