// Camera, projection, viewport and colour range of a view.
#include "render_config.h"

#include "colormap.h"
#include "platform/saturating_int.h"

#include <Eigen/Geometry>

#include <algorithm>
#include <cmath>
#include <limits>

namespace druvex {

Eigen::Matrix4f RenderConfig::projection() const {
    const float aspect = float(viewport_width) / float(viewport_height);
    const float f = far_distance;
    Eigen::Matrix4f p = Eigen::Matrix4f::Zero();
    p(0, 0) = zoom_scale / aspect;
    p(1, 1) = zoom_scale;
    p(2, 2) = 2.0f / (f - (-f));
    if (perspective) {
        p(3, 2) = perspective_scale;
        p(3, 3) = 1.0f - perspective_scale;
    } else {
        p(2, 3) = (f + (-f)) / (2.0f * f);
        p(3, 3) = 1.0f;
    }
    return p;
}

Eigen::Matrix4f RenderConfig::view_matrix() const {
    using Eigen::AngleAxisf;
    using Eigen::Vector3f;
    const Eigen::Quaternionf q = AngleAxisf(-view_rotation_roll, Vector3f::UnitZ()) *
                                 AngleAxisf(-view_rotation_elevation, Vector3f::UnitX()) *
                                 AngleAxisf(-view_rotation_azimuth, Vector3f::UnitY());
    Eigen::Matrix4f r = Eigen::Matrix4f::Identity();
    r.topLeftCorner<3, 3>() = q.toRotationMatrix();
    Eigen::Matrix4f t = Eigen::Matrix4f::Identity();
    t.topRightCorner<3, 1>() = -Vector3f(view_center_x, view_center_y, view_center_z);
    return r * t;
}

Eigen::Matrix4f RenderConfig::model_matrix() const {
    Eigen::Matrix4f m = Eigen::Matrix4f::Identity();
    if (mirror) m(0, 0) = -1.0f;
    if (flip) {
        m(0, 0) = -m(0, 0);
        m(1, 1) = -1.0f;
    }
    return m;
}

Eigen::Matrix4f RenderConfig::mvp() const { return projection() * view_matrix() * model_matrix(); }

Eigen::Vector3f RenderConfig::unproject(int x, int y, const Eigen::Matrix4f& m) const {
    const float px = x * pixel_ratio - viewport_x;
    const float ndc_x = 2.0f * px / viewport_width - 1.0f;
    const float py = y * pixel_ratio + viewport_y - window_height + 1;
    const float ndc_y = py / viewport_height * (-2.0f) - 1.0f;
    const Eigen::Vector4f world = m.inverse() * Eigen::Vector4f(ndc_x, ndc_y, 0.0f, 1.0f);
    return world.head<3>();
}

Eigen::Vector3f RenderConfig::screen_to_world(int x, int y) const { return unproject(x, y, mvp()); }

Eigen::Vector3f RenderConfig::screen_delta_to_world(int dx, int dy,
                                                    const Eigen::Matrix4f& m) const {
    return unproject(dx, dy, m) - unproject(0, 0, m);
}

Eigen::Vector2i RenderConfig::project(float a, float b, float c) const {
    const Eigen::Vector4f clip = mvp() * Eigen::Vector4f(a, b, c, 1.0f);
    const float nx = clip.x() / clip.w();
    const float ny = clip.y() / clip.w();
    const double x = ((nx + 1) * viewport_width * 0.5 + viewport_x) / pixel_ratio;
    const double y =
        (window_height - 1 - (ny + 1) * viewport_height * 0.5 - viewport_y) / pixel_ratio;
    return {saturating_trunc(x), saturating_trunc(y)};
}

bool RenderConfig::contains_point(int x, int y) const {
    const long long dx = (long long)saturating_trunc(double(x) * pixel_ratio) - viewport_x;
    if (dx < 0 || dx > viewport_width) return false;
    const long long dy =
        (long long)window_height - saturating_trunc(double(y) * pixel_ratio) - viewport_y;
    return dy >= 0 && dy <= viewport_height;
}

Eigen::Vector2i RenderConfig::viewport_position() const {
    return {saturating_trunc(viewport_x / pixel_ratio),
            saturating_trunc((window_height - viewport_height - viewport_y) / pixel_ratio)};
}

Eigen::Vector2i RenderConfig::viewport_size() const {
    return {saturating_trunc(viewport_width / pixel_ratio),
            saturating_trunc(viewport_height / pixel_ratio)};
}

float RenderConfig::ground_extent() const {
    if (view_rotation_elevation == 0.0f) return std::numeric_limits<float>::infinity();
    return (2.0f / zoom_scale) / std::fabs(std::sin(view_rotation_elevation));
}

void RenderConfig::set_grid_viewport(int ww, int wh, int index, int count, float ratio) {
    const Eigen::Vector2i shape = compute_grid_shape(ww, wh, count);
    const int columns = shape.x(), rows = shape.y();
    if (columns == 0) return;
    pixel_ratio = ratio;
    window_width = ww;
    window_height = wh;
    const int row = index / columns, column = index % columns;
    viewport_x = column * ww / columns;
    viewport_y = (rows - row - 1) * wh / rows;
    viewport_width = ww / columns;
    viewport_height = wh / rows;
}

Eigen::Vector2f RenderConfig::point_scale() const {
    return {float(viewport_height) * zoom_scale / float(viewport_width) * point_size,
            point_size * zoom_scale};
}

std::pair<float, float> RenderConfig::shader_color_range() const {
    return {color_min, color_max > color_min ? color_max : color_min};
}

int RenderConfig::shader_colormap() const {
    // A hand-edited settings file may hold any id; draw it as Constant rather
    // than failing the frame.
    return colormap_stops(colormap) ? colormap : COLORMAP_CONSTANT;
}

Eigen::Vector2i compute_grid_shape(int width, int height, int count) {
    if (width <= 0 || height <= 0 || count <= 0) return {0, 0};
    const float root = std::ceil(std::sqrt(float(width) * float(count) / float(height)));
    const int c0 = saturating_trunc(std::min(root, 1e9f));  // keeps c0 + 1 representable
    Eigen::Vector2i best(0, 0);
    int best_cell = 0;
    for (int c = std::max(c0 - 1, 1); c <= c0; ++c) {
        const int r = (count - 1 + c) / c;
        const int cell = std::min(height / r, width / c);
        if (cell > best_cell) {
            best_cell = cell;
            best = {c, r};
        }
    }
    return best;
}

}  // namespace druvex
