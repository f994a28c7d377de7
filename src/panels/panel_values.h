// What the panels show and store: colour and display modes, their defaults,
// and the conversions between stored values and the numbers in the fields.
#pragma once

#include "render/render_config.h"

#include <cstdint>
#include <string>
#include <vector>

namespace druvex {

enum ColorModeEnum : int {
    COLOR_MODE_CONSTANT = 0,
    COLOR_MODE_TIME = 1,
    COLOR_MODE_DISTANCE = 2,
    COLOR_MODE_X = 3,
    COLOR_MODE_Y = 4,
    COLOR_MODE_Z = 5,
    COLOR_MODE_INTENSITY = 6,
    COLOR_MODE_RETURN = 7,
    COLOR_MODE_SENSOR = 8,
    COLOR_MODE_RAW_INTENSITY = 9,
    COLOR_MODE_POWER = 10,
    COLOR_MODE_LASER = 11,
};

// The combo index of the display modes a user can choose.
enum DisplayModeWidgetEnum : int {
    DISPLAY_MODE_RAW = 0,
    DISPLAY_MODE_GRID = 1,
    DISPLAY_MODE_DEMO = 2,
    DISPLAY_MODE_FULL_GRID = 3,
    DISPLAY_MODE_DEMO_2 = 4,
};

// All twelve colour modes, by id; the short names differ only for "Raw Intensity".
const std::vector<std::string>& color_mode_names();
const std::vector<std::string>& color_mode_short_names();
const std::vector<std::string>& colormap_names();
// All five display modes, by combo index.
const std::vector<std::string>& display_mode_names();

// Modes whose values are categories or times: they use no colour range.
bool is_categorical_color_mode(int mode);
float default_color_scale(int mode);
int default_colormap(int mode);

// A colour mode or colormap chosen from its combo: the colormap and range
// start again from the mode's defaults.
void choose_color_mode(ViewConfig& config, RenderConfig& camera, int mode);
void choose_colormap(const ViewConfig& config, RenderConfig& camera, int colormap);

// The stored display_mode bit set of a combo index, and back (0 when absent).
int display_mode_value(int index);
int display_mode_index(int value);

// Angles of the image clip are stored as tangents; an angle of 90 degrees or
// more has none that keeps its side, so typed angles are held within +-89.9.
constexpr float max_clip_angle_degrees = 89.9f;
float tangent_to_degrees(float tangent);
float degrees_to_tangent(float degrees);

// The hex grid's spacing, shown in degrees, stored as a tangent. Only
// spacings within the camera's grid bounds are stored: 0 or less would have no cells.
float grid_spacing_degrees(float spacing);
float grid_spacing_from_degrees(float degrees);

// The zoom is shown as its natural logarithm, held within the camera's zoom bounds.
float zoom_to_log(float zoom_scale);
float zoom_from_log(float log_zoom);

// Colour range edits. A range of no width colours nothing (the point program
// divides by it): when an edit would leave max <= min, the other end moves so
// the range keeps its previous width.
constexpr float min_color_scale = 0.001f;
float color_scale(const RenderConfig& camera);
void set_color_scale(RenderConfig& camera, float scale);
void set_color_min(RenderConfig& camera, float value);
void set_color_max(RenderConfig& camera, float value);

// The sensor's measurement period in whole microseconds; 0 for a period that
// is not a number, and saturated where it does not fit.
int64_t period_microseconds(float seconds);

// A float printed with "%f" (the default texts of the fields).
std::string format_fixed(float value);

}  // namespace druvex
