// RenderConfig and ViewConfig: a view's camera, colouring and display settings.
#pragma once

#include <Eigen/Core>

#include <cstdint>
#include <string>
#include <utility>

namespace nanogui {
class GLShader;
}

namespace druvex {

// A view's camera and colour record.
//
// A zoom of 0 or infinity leaves nothing to see and cannot be zoomed back:
// the mouse, the panel and the config file all hold it within these bounds.
constexpr float min_zoom_scale = 1e-4f;
constexpr float max_zoom_scale = 1e4f;
// The hex grid's spacing, as the angle between neighbouring cells: finer has
// more cells than a view needs, coarser says nothing; the panel and the config
// file keep it within these.
constexpr float min_grid_spacing_degrees = 0.1f;
constexpr float max_grid_spacing_degrees = 1.0f;

// World points are (x, y, z) with z up; every vertex program feeds (x, z, y)
// to the matrix, so the matrices, the view centre, project() and unproject()
// all work in these render coordinates, whose second component is the height.
struct RenderConfig {
    float color_max = 1.0f;
    float color_min = 0.0f;
    int colormap = 2;  // ColormapEnum
    bool mirror = false;
    bool flip = false;
    float perspective_scale = 0.2f;
    bool perspective = false;
    float point_size = 1.0f;
    bool reverse_colormap = false;
    bool show_grid = true;
    float video_offset = 0.0f;
    float view_center_x = 0.0f;
    float view_center_y = 0.0f;
    float view_center_z = 0.0f;
    float view_rotation_azimuth = 0.0f;
    float view_rotation_elevation = 1.5707964f;
    float view_rotation_roll = 0.0f;
    float far_distance = 2000.0f;
    float zoom_scale = 0.05f;

    // Run-time state: set by the layout and by apply(), never saved.
    int viewport_x = 0;
    int viewport_y = 0;
    int viewport_width = 0;
    int viewport_height = 0;
    int window_width = 0;
    int window_height = 0;
    float pixel_ratio = 0.0f;
    bool colormap_texture_created = false;
    uint32_t colormap_texture = 0;

    Eigen::Matrix4f projection() const;
    Eigen::Matrix4f view_matrix() const;
    Eigen::Matrix4f model_matrix() const;
    Eigen::Matrix4f mvp() const;

    // Screen positions are window units (mouse coordinates, y from the top).
    Eigen::Vector3f unproject(int x, int y, const Eigen::Matrix4f& mvp) const;
    Eigen::Vector3f screen_to_world(int x, int y) const;
    Eigen::Vector3f screen_delta_to_world(int dx, int dy, const Eigen::Matrix4f& mvp) const;
    // Render coordinates to window units. A position that cannot be expressed
    // as an int (behind a perspective camera, zero-sized viewport) comes back
    // as INT_MIN/INT_MAX rather than as an undefined conversion.
    Eigen::Vector2i project(float a, float b, float c) const;
    bool contains_point(int x, int y) const;
    Eigen::Vector2i viewport_position() const;
    Eigen::Vector2i viewport_size() const;
    float ground_extent() const;

    void set_grid_viewport(int window_width, int window_height, int index, int count,
                           float pixel_ratio);

    // What apply() sends to the point program; pure so it can be checked
    // without a GL context.
    Eigen::Vector2f point_scale() const;                 // (x_point_scale, y_point_scale)
    std::pair<float, float> shader_color_range() const;  // never inverted
    int shader_colormap() const;                         // a colormap id that has stops

    // GL thread: bind the shader and set viewport, "m", point-scale, colour
    // and colormap uniforms and the colormap texture.
    void apply(nanogui::GLShader& shader);
    // GL thread: bind the shader and set the viewport and "m" only.
    void apply_transform(nanogui::GLShader& shader) const;
};

// A view's settings: the camera and colour record plus the view's own fields.
struct ViewConfig : RenderConfig {
    std::string caption;
    int color_mode = 0;    // ColorModeEnum
    int display_mode = 0;  // bit 0 grid, bit 1 clustering, bit 2 hole filling
    bool dynamic_color = false;
    float frame_length = 0.0f;
    uint64_t grid_fill_distance = 1;
    uint64_t grid_fill_threshold = 1;
    float grid_spacing = 0.0087268f;  // tan(0.5 degree)
    int highlight_mode = 0;
    bool show_invalid_points = false;
};

// Columns and rows for `count` views in a width x height window; (0, 0) when
// no shape fits (no views, or an empty window).
Eigen::Vector2i compute_grid_shape(int width, int height, int count);

}  // namespace druvex
