// PLY export of a view's points.
#include "point_export.h"

#include "view/view.h"

#include <fmt/format.h>

#include <fstream>

namespace druvex {

bool write_points_ply(const View& view, const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << fmt::format(
        "ply\nformat binary_little_endian 1.0\nelement vertex {}\nproperty float x\n"
        "property float y\nproperty float z\nend_header\n",
        view.vertices.size());
    for (const PointVertex& v : view.vertices) {
        const float xyz[3] = {v.x, v.y, v.z};
        out.write(reinterpret_cast<const char*>(xyz), sizeof xyz);
    }
    out.close();
    return !out.fail();
}

}  // namespace druvex
