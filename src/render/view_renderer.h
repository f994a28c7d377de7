// ViewRenderer: the overlays of one view and its camera operations.
#pragma once

#include "point_program.h"
#include "render_config.h"

#include <Eigen/Core>

#include <cstddef>
#include <cstdint>
#include <string>

struct NVGcontext;

namespace druvex {

// Draws one view: its points, the caption, the ground rings, the distance
// markers with their labels, the highlight point and the measuring line; and
// moves its camera. Text goes through the application's NanoVG context (not
// owned), geometry through the process-wide lines renderer.
class ViewRenderer {
public:
    ViewRenderer(NVGcontext* nvg, const RenderConfig* initial);

    int ring_count = 100;
    float ring_spacing = 10.0f;
    uint32_t ring_color = 0xFF505050;
    uint32_t major_ring_color = 0xFFC0C0C0;
    uint32_t label_color = 0xFFA0A0A0;  // bytes 2, 1, 0 are red, green, blue
    float label_font_size = 14.0f;
    bool measuring = false;
    std::string title;
    std::string measure_line_name;  // set by the owning view

    // Drawing, GL thread, once per frame.
    void draw_title();
    void draw_ground_grid();
    void draw_highlight();
    void draw_measure();
    void draw_named(const char* name);
    void draw_points() { points_.draw(camera_); }
    void upload_points(size_t count, const PointVertex* data) { points_.upload(count, data); }
    void compile_point_program() { points_.compile(); }
    // (x, y, z) in render coordinates.
    void draw_text_at(float x, float y, float z, const char* text);

    // Camera operations.
    void reset_camera();
    void orbit(float d_azimuth, float d_elevation, float d_roll);
    void set_view_front();
    void set_view_side();
    void set_view_top();
    void set_view_origin();
    void toggle_flip() { camera_.flip = !camera_.flip; }
    void toggle_mirror() { camera_.mirror = !camera_.mirror; }
    void toggle_perspective() { camera_.perspective = !camera_.perspective; }
    void translate(float dx, float dy, float dz);
    void pan_by_fraction(float fx, float fy);
    void zoom(float factor) { camera_.zoom_scale *= factor; }
    RenderConfig get_config() const { return camera_; }
    void set_config(const RenderConfig& config) { camera_ = config; }
    RenderConfig& camera() { return camera_; }

    // Measuring (world coordinates).
    void set_measure_start(float x, float y, float z);
    void set_measure_end(float x, float y, float z, uint32_t color);

    bool markers_visible() const { return markers_visible_; }
    int marker_step() const { return marker_step_; }
    const PointProgram& points() const { return points_; }

private:
    void ensure_ground_rings();
    void update_distance_markers();
    void draw_distance_markers();
    float marker_axis_length() const { return ring_count * ring_spacing; }

    NVGcontext* nvg_;
    RenderConfig camera_;
    PointProgram points_;
    bool markers_visible_ = false;
    int marker_step_ = 0;
    Eigen::Vector3f measure_start_ = Eigen::Vector3f::Zero();
    Eigen::Vector3f measure_end_ = Eigen::Vector3f::Zero();
};

}  // namespace druvex
