// PLY export of points.
#include "ply_export.h"

#include "platform/safe_file.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace druvex {

bool write_ply_header(std::ostream& out, uint64_t point_count) {
    const std::string header = fmt::format(
        "ply\nformat binary_little_endian 1.0\nelement vertex {}\nproperty float x\n"
        "property float y\nproperty float z\nend_header\n",
        point_count);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    return static_cast<bool>(out);
}

std::ofstream open_ply_file(const std::string& path, uint64_t point_count) {
    std::ofstream out;
    // A device or a pipe is never opened, let alone truncated.
    if (!is_replaceable(path)) return out;
    out.open(path, std::ios::binary | std::ios::trunc);
    if (!write_ply_header(out, point_count) || !out.flush()) out.close();
    return out;
}

bool write_ply_point(std::ostream& out, float x, float y, float z) {
    unsigned char bytes[12];
    const float values[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &values[i], sizeof bits);
        for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<unsigned char>(bits >> (8 * b));
    }
    // Not flushed per point: the bytes are the same once the stream is
    // closed, and a large export is not a million system calls.
    out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    return static_cast<bool>(out);
}

bool write_points_ply(const std::vector<PointVertex>& points, const std::string& path,
                      std::string* reason) {
    std::ostringstream out;
    bool ok = write_ply_header(out, points.size());
    for (const PointVertex& v : points) ok = ok && write_ply_point(out, v.x, v.y, v.z);
    errno = 0;
    if (ok && write_file_atomically(path, out.str())) return true;
    if (reason != nullptr) *reason = write_failure_reason(path, errno);
    return false;
}

}  // namespace druvex
