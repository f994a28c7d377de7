// Writing a view's current points to a PLY file.
#pragma once

#include <string>

namespace druvex {

class View;

// The positions of the view's current point vertices, binary little-endian PLY.
// False when the file cannot be opened or a write fails.
bool write_points_ply(const View& view, const std::string& path);

}  // namespace druvex
