// Drawing of a view's ground grid, markers, labels, title and measuring line.
#include "view_renderer.h"

#include "ground_grid.h"
#include "lines_renderer.h"
#include "platform/saturating_int.h"

#include <nanovg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace druvex {
namespace {

constexpr const char* ground_grid_lines = "ground_grid";
constexpr const char* distance_marker_lines = "distance_markers";
constexpr const char* highlight_point_lines = "highlight_point";
constexpr float half_pi = 1.5707964f;

}  // namespace

ViewRenderer::ViewRenderer(NVGcontext* nvg, const RenderConfig* initial) : nvg_(nvg) {
    if (initial) camera_ = *initial;
}

void ViewRenderer::draw_text_at(float x, float y, float z, const char* text) {
    const Eigen::Vector2i p = camera_.project(x, y, z);
    nvgText(nvg_, float(p.x()), float(p.y()), text, nullptr);
}

void ViewRenderer::draw_title() {
    if (title.empty()) return;
    const RenderConfig& c = camera_;
    nvgSave(nvg_);
    nvgFillColor(nvg_, nvgRGB(255, 255, 255));
    nvgFontSize(nvg_, 30.0f);
    nvgFontFace(nvg_, "sans-bold");
    nvgTextAlign(nvg_, NVG_ALIGN_CENTER | NVG_ALIGN_BOTTOM);
    const float x = (c.viewport_width * 0.5f + c.viewport_x) / c.pixel_ratio;
    const float y = (c.window_height - c.viewport_y) / c.pixel_ratio - 30.0f;
    nvgText(nvg_, x, y, title.c_str(), nullptr);
    nvgRestore(nvg_);
}

void ViewRenderer::ensure_ground_rings() {
    LinesRenderer* lines = LinesRenderer::instance();
    std::lock_guard<std::mutex> lock(LinesRenderer::global_mutex());
    if (lines->find(ground_grid_lines)) return;  // shared by every view, built once
    lines->set_lines(
        ground_grid_lines,
        build_ground_rings(ring_count, ring_spacing, ring_color, major_ring_color).vertices);
}

void ViewRenderer::draw_ground_grid() {
    if (!camera_.show_grid) return;
    ensure_ground_rings();
    draw_lines(ground_grid_lines, camera_);
    if (camera_.perspective) return;
    update_distance_markers();
    draw_distance_markers();
}

void ViewRenderer::update_distance_markers() {
    markers_visible_ = distance_markers_visible(camera_.view_rotation_elevation);
    if (!markers_visible_) {
        marker_step_ = 0;
        clear_lines(distance_marker_lines);
        return;
    }
    const int step = distance_marker_step(camera_.ground_extent());
    if (step == marker_step_) return;
    marker_step_ = step;
    clear_lines(distance_marker_lines);
    const float tick = 0.05f / camera_.zoom_scale;  // constant size on screen
    set_lines(distance_marker_lines,
              build_distance_markers(marker_axis_length(), step, tick, ring_color));
}

void ViewRenderer::draw_distance_markers() {
    if (!markers_visible_) return;
    const float length = marker_axis_length();
    const int count = distance_marker_count(length, marker_step_);
    if (count <= 0) return;
    draw_lines(distance_marker_lines, camera_);
    nvgSave(nvg_);
    nvgFillColor(nvg_,
                 nvgRGB((label_color >> 16) & 0xFF, (label_color >> 8) & 0xFF, label_color & 0xFF));
    nvgFontSize(nvg_, label_font_size);
    char text[16];
    for (int i = 1; i <= count; ++i) {
        const long long d = (long long)i * marker_step_;
        if (d > length) continue;
        for (const int sign : {1, -1}) {
            const float y = float(sign * d);
            const Eigen::Vector2i p = camera_.project(0, 0, y);
            if (!camera_.contains_point(p.x(), p.y())) continue;
            std::snprintf(text, sizeof text, "%dm", int(sign * d));
            draw_text_at(0, 0, y, text);
        }
    }
    nvgRestore(nvg_);
}

void ViewRenderer::draw_highlight() { draw_lines(highlight_point_lines, camera_); }

void ViewRenderer::draw_named(const char* name) { draw_lines(name, camera_); }

void ViewRenderer::draw_measure() {
    if (!measuring) return;
    if (camera_.perspective) {
        measuring = false;
        measure_start_.setZero();
        measure_end_.setZero();
        clear_lines(measure_line_name);
        return;
    }
    draw_lines(measure_line_name, camera_);
    const Eigen::Vector3d a = measure_start_.cast<double>(), b = measure_end_.cast<double>();
    const double d = (b - a).norm();
    if (d == 0) return;
    const Eigen::Vector3d mid = a.cwiseMin(b) + (b - a).cwiseAbs() / 2;
    nvgSave(nvg_);
    nvgFontSize(nvg_, 20.0f);
    nvgFontFace(nvg_, "sans-bold");
    nvgFillColor(nvg_, nvgRGB(255, 255, 255));
    char text[32];
    std::snprintf(text, sizeof text, "%6.2fm", d);
    draw_text_at(float(mid.x()), float(mid.z()), float(mid.y()), text);  // render order
    nvgRestore(nvg_);
}

void ViewRenderer::set_measure_start(float x, float y, float z) { measure_start_ = {x, y, z}; }

void ViewRenderer::set_measure_end(float x, float y, float z, uint32_t color) {
    measure_end_ = {x, y, z};
    clear_lines(measure_line_name);
    LineStrips strips;
    strips.restart_color = 0;
    strips.color = color;
    strips.add_strip({measure_start_, measure_end_});
    set_lines(measure_line_name, strips);
}

void ViewRenderer::reset_camera() {
    // Keep the colormap texture: a fresh record would create (and leak) another.
    const RenderConfig old = camera_;
    camera_ = RenderConfig();
    camera_.colormap_texture_created = old.colormap_texture_created;
    camera_.colormap_texture = old.colormap_texture;
}

void ViewRenderer::orbit(float d_azimuth, float d_elevation, float d_roll) {
    camera_.view_rotation_azimuth += d_azimuth;
    camera_.view_rotation_elevation =
        std::clamp(camera_.view_rotation_elevation + d_elevation, -half_pi, half_pi);
    camera_.view_rotation_roll += d_roll;
}

void ViewRenderer::set_view_front() {
    camera_.view_rotation_azimuth = 0;
    camera_.view_rotation_elevation = 0;
    camera_.view_rotation_roll = 0;
}

void ViewRenderer::set_view_side() {
    camera_.view_rotation_azimuth = -half_pi;
    camera_.view_rotation_elevation = 0;
}

void ViewRenderer::set_view_top() {
    camera_.view_rotation_azimuth = 0;
    camera_.view_rotation_elevation = half_pi;
}

void ViewRenderer::set_view_origin() {
    camera_.view_center_x = camera_.view_center_y = camera_.view_center_z = 0;
}

void ViewRenderer::translate(float dx, float dy, float dz) {
    camera_.view_center_x += dx;
    camera_.view_center_y += dy;
    camera_.view_center_z += dz;
}

void ViewRenderer::pan_by_fraction(float fx, float fy) {
    const RenderConfig& c = camera_;
    const int px = saturating_trunc(double(fx) * c.viewport_width / c.pixel_ratio);
    const int py = saturating_trunc(-(double(fy) * c.viewport_height / c.pixel_ratio));
    const Eigen::Vector3f d = c.screen_delta_to_world(px, py, c.projection() * c.view_matrix());
    translate(d.x(), d.y(), d.z());
}

}  // namespace druvex
