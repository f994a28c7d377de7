// Ground rings and distance markers: steps, counts and line geometry.
#pragma once

#include "line_strips.h"

#include <cstdint>

namespace druvex {

// Geometry of the ground rings and of the distance markers along world y.
// Pure: the view renderer uploads and draws what these build.

// 1, 2, 5, 10, 20, 50, ... : the nice step for k tens of metres.
int nice_grid_step(int k);

// Metres between distance markers for a visible ground of `ground_extent`.
int distance_marker_step(float ground_extent);

// Markers are shown only when the camera looks down by more than 10 degrees.
bool distance_markers_visible(float elevation);

// Number of marker ticks (and labels) along half of an axis `length` long.
int distance_marker_count(float length, int step);

// `ring_count` circles of radius i * spacing about the origin; every tenth
// ring in `major_color`.
LineStrips build_ground_rings(int ring_count, float spacing, uint32_t ring_color,
                              uint32_t major_color);

// The world-y axis from -length to length and a tick `tick` wide across it at
// every multiple of `step` on both sides.
LineStrips build_distance_markers(float length, int step, float tick, uint32_t color);

}  // namespace druvex
