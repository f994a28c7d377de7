// Colour and display modes, their defaults, and the conversions of the panels' fields.
#include "panel_values.h"

#include "platform/numeric_utils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace druvex {

const std::vector<std::string>& color_mode_names() {
    static const std::vector<std::string> names = {
        "Constant", "Time",   "Distance",      "X",     "Y",    "Z", "Intensity",
        "Return #", "Sensor", "Raw Intensity", "Power", "Laser"};
    return names;
}

const std::vector<std::string>& color_mode_short_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = color_mode_names();
        n[COLOR_MODE_RAW_INTENSITY] = "Raw I";
        return n;
    }();
    return names;
}

const std::vector<std::string>& colormap_names() {
    static const std::vector<std::string> names = {"Categorical", "Circular", "Constant",
                                                   "Diverging", "Sequential"};
    return names;
}

const std::vector<std::string>& display_mode_names() {
    static const std::vector<std::string> names = {"Raw", "Grid", "Demo", "Full Grid", "Demo 2"};
    return names;
}

namespace {

constexpr int display_mode_values[] = {0, 1, 3, 5, 7};
constexpr int display_mode_count = sizeof display_mode_values / sizeof display_mode_values[0];

}  // namespace

bool is_categorical_color_mode(int mode) {
    return mode == COLOR_MODE_CONSTANT || mode == COLOR_MODE_TIME || mode == COLOR_MODE_RETURN ||
           mode == COLOR_MODE_SENSOR || mode == COLOR_MODE_LASER;
}

float default_color_scale(int mode) {
    switch (mode) {
        case COLOR_MODE_DISTANCE:
        case COLOR_MODE_X:
        case COLOR_MODE_Y: return 50.0f;
        case COLOR_MODE_Z: return 3.0f;
        default: return 1.0f;
    }
}

int default_colormap(int mode) {
    switch (mode) {
        case COLOR_MODE_TIME:
        case COLOR_MODE_INTENSITY:
        case COLOR_MODE_RAW_INTENSITY:
        case COLOR_MODE_POWER: return 4;  // Sequential
        case COLOR_MODE_DISTANCE:
        case COLOR_MODE_X:
        case COLOR_MODE_Y: return 1;  // Circular
        case COLOR_MODE_Z: return 3;  // Diverging
        case COLOR_MODE_RETURN:
        case COLOR_MODE_SENSOR:
        case COLOR_MODE_LASER: return 0;  // Categorical
        default: return 2;                // Constant
    }
}

void choose_color_mode(ViewConfig& config, RenderConfig& camera, int mode) {
    config.color_mode = mode;
    choose_colormap(config, camera, default_colormap(mode));
}

void choose_colormap(const ViewConfig& config, RenderConfig& camera, int colormap) {
    camera.colormap = colormap;
    camera.color_min = 0.0f;
    camera.color_max = default_color_scale(config.color_mode);
    camera.reverse_colormap = false;
}

int display_mode_value(int index) {
    return index >= 0 && index < display_mode_count ? display_mode_values[index] : 0;
}

int display_mode_index(int value) {
    for (int i = 0; i < display_mode_count; ++i) {
        if (display_mode_values[i] == value) return i;
    }
    return 0;
}

float tangent_to_degrees(float tangent) { return radians_to_degrees(std::atan(tangent)); }

float degrees_to_tangent(float degrees) {
    if (std::isnan(degrees)) degrees = 0.0f;
    degrees = std::clamp(degrees, -max_clip_angle_degrees, max_clip_angle_degrees);
    return std::tan(degrees_to_radians(degrees));
}

float grid_spacing_degrees(float spacing) { return radians_to_degrees(std::atan(spacing)); }

float grid_spacing_from_degrees(float degrees) {
    if (std::isnan(degrees)) degrees = min_grid_spacing_degrees;
    degrees = std::clamp(degrees, min_grid_spacing_degrees, max_grid_spacing_degrees);
    return std::tan(degrees_to_radians(degrees));
}

float zoom_to_log(float zoom_scale) { return std::log(zoom_scale); }

float zoom_from_log(float log_zoom) {
    if (std::isnan(log_zoom)) return RenderConfig().zoom_scale;
    return std::clamp(std::exp(log_zoom), min_zoom_scale, max_zoom_scale);
}

float color_scale(const RenderConfig& camera) { return camera.color_max - camera.color_min; }

namespace {

// The width an edit keeps when it would close or invert the range.
float kept_width(const RenderConfig& camera) {
    const float width = color_scale(camera);
    return width >= min_color_scale && std::isfinite(width) ? width : min_color_scale;
}

}  // namespace

void set_color_scale(RenderConfig& camera, float scale) {
    if (!std::isfinite(scale)) return;
    camera.color_max = camera.color_min + std::max(scale, min_color_scale);
}

void set_color_min(RenderConfig& camera, float value) {
    if (!std::isfinite(value)) return;
    const float width = kept_width(camera);
    camera.color_min = value;
    if (camera.color_max <= camera.color_min) camera.color_max = camera.color_min + width;
}

void set_color_max(RenderConfig& camera, float value) {
    if (!std::isfinite(value)) return;
    const float width = kept_width(camera);
    camera.color_max = value;
    if (camera.color_max <= camera.color_min) camera.color_min = camera.color_max - width;
}

int64_t period_microseconds(float seconds) {
    // In single precision, as the sensor reports it: 0.0001 s is 100 us.
    const float us = seconds * 1e6f;
    if (std::isnan(us)) return 0;
    constexpr float two_to_63 = 9.2233720e18f;
    if (us >= two_to_63) return std::numeric_limits<int64_t>::max();
    if (us < -two_to_63) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(us);
}

std::string format_fixed(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    return buffer;
}

}  // namespace druvex
