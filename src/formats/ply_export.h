// Writes points as a binary little-endian PLY file of float x, y, z.
#pragma once

#include "render/point_program.h"

#include <cstdint>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace druvex {

// Opens `path` (truncating it) and writes the header for `point_count`
// points. A stream whose header could not be written comes back closed.
std::ofstream open_ply_file(const std::string& path, uint64_t point_count);
bool write_ply_header(std::ostream& out, uint64_t point_count);
// The 12 bytes of one point; false once the stream has failed.
bool write_ply_point(std::ostream& out, float x, float y, float z);

// A view's current points (positions only), written atomically; false with
// the reason when the file could not be written.
bool write_points_ply(const std::vector<PointVertex>& points, const std::string& path,
                      std::string* reason);

}  // namespace druvex
