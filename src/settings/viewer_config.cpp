// Writing the viewer config and reading it back tolerantly.
#include "viewer_config.h"

#include "platform/numeric_utils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace druvex {
namespace {

// Ranges the viewer can draw with. Wider than the panels offer where a hand
// edit does no harm; what falls outside would exhaust memory (a grid of
// billions of cells, thousands of views), divide by zero or index past a
// table.
constexpr float min_point_size = 0.01f, max_point_size = 1000.0f;
constexpr float max_color_magnitude = 1e9f;
constexpr int colormap_count = 5;     // Categorical .. Sequential
constexpr int color_mode_count = 12;  // Constant .. Laser
constexpr float max_frame_length = 60.0f;
constexpr uint64_t max_grid_fill_distance = 1000;  // passes; a grid is never wider
constexpr uint64_t min_grid_fill_threshold = 1, max_grid_fill_threshold = 6;  // neighbours

// One list of (key, field) pairs serves both directions.
template <typename Config, typename Fn>
void render_fields(Config& c, Fn&& fn) {
    fn("color_max", c.color_max);
    fn("color_min", c.color_min);
    fn("colormap", c.colormap);
    fn("flip", c.flip);
    fn("perspective_scale", c.perspective_scale);
    fn("perspective", c.perspective);
    fn("point_size", c.point_size);
    fn("show_grid", c.show_grid);
    fn("video_offset", c.video_offset);
    fn("view_center_x", c.view_center_x);
    fn("view_center_y", c.view_center_y);
    fn("view_center_z", c.view_center_z);
    fn("view_rotation_azimuth", c.view_rotation_azimuth);
    fn("view_rotation_elevation", c.view_rotation_elevation);
    fn("view_rotation_roll", c.view_rotation_roll);
    fn("zoom_scale", c.zoom_scale);
}

template <typename Config, typename Fn>
void view_fields(Config& c, Fn&& fn) {
    fn("caption", c.caption);
    fn("color_mode", c.color_mode);
    fn("display_mode", c.display_mode);
    fn("dynamic_color", c.dynamic_color);
    fn("frame_length", c.frame_length);
    fn("grid_fill_distance", c.grid_fill_distance);
    fn("grid_fill_threshold", c.grid_fill_threshold);
    fn("grid_spacing", c.grid_spacing);
    fn("highlight_mode", c.highlight_mode);
    fn("show_invalid_points", c.show_invalid_points);
}

template <typename Config, typename Fn>
void top_fields(Config& c, Fn&& fn) {
    fn("enable_clips", c.enable_clips);
    fn("enable_transforms", c.enable_transforms);
    fn("show_uncalibrated", c.show_uncalibrated);
    fn("sdk_disable_distance_clip", c.sdk_disable_distance_clip);
    fn("sdk_disable_image_clip", c.sdk_disable_image_clip);
}

struct Writer {
    json& j;
    template <typename T>
    void operator()(const char* key, const T& v) const {
        j[key] = v;
    }
    void operator()(const char* key, float v) const { j[key] = float_to_json(v); }
};

struct Reader {
    const json& j;
    template <typename T>
    void operator()(const char* key, T& v) const {
        get_json_value(j, key, v);
    }
};

// Truncated toward zero; beyond the range, the nearest end of it.
int32_t float_to_int32(double d) {
    if (d >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (d <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(d);
}

// Truncated toward zero; a negative value keeps its 64-bit pattern, as a
// signed integer does.
uint64_t float_to_uint64(double d) {
    constexpr double two_to_63 = 9223372036854775808.0;
    if (d >= 2 * two_to_63) return std::numeric_limits<uint64_t>::max();
    if (d >= two_to_63) return static_cast<uint64_t>(d);
    if (d >= -two_to_63) return static_cast<uint64_t>(static_cast<int64_t>(d));
    return static_cast<uint64_t>(std::numeric_limits<int64_t>::min());
}

void bring_into_range(RenderConfig& c) {
    const RenderConfig defaults;
    c.zoom_scale = std::clamp(c.zoom_scale, min_zoom_scale, max_zoom_scale);
    c.point_size = std::clamp(c.point_size, min_point_size, max_point_size);
    c.color_min = std::clamp(c.color_min, -max_color_magnitude, max_color_magnitude);
    c.color_max = std::clamp(c.color_max, -max_color_magnitude, max_color_magnitude);
    if (c.colormap < 0 || c.colormap >= colormap_count) c.colormap = defaults.colormap;
}

void bring_into_range(ViewConfig& c) {
    const ViewConfig defaults;
    if (c.color_mode < 0 || c.color_mode >= color_mode_count) c.color_mode = defaults.color_mode;
    c.frame_length = std::clamp(c.frame_length, 0.0f, max_frame_length);
    c.grid_spacing =
        std::clamp(c.grid_spacing, std::tan(degrees_to_radians(min_grid_spacing_degrees)),
                   std::tan(degrees_to_radians(max_grid_spacing_degrees)));
    c.grid_fill_distance = std::min(c.grid_fill_distance, max_grid_fill_distance);
    c.grid_fill_threshold =
        std::clamp(c.grid_fill_threshold, min_grid_fill_threshold, max_grid_fill_threshold);
}

// A count: a negative number reads as absent, not as the huge count its
// 64-bit pattern would make.
void read_group_view_count(const json& j, uint64_t& n) {
    const json* m = json_member(j, "n_streams");
    if (m == nullptr || !m->is_number() || m->get<double>() < 0.0) return;
    get_json_value(j, "n_streams", n);
}

// The first `limit` elements of "group_streams": an array's in order, an
// object's member values in key order, a single scalar as one, null as none.
// The rest could never be a view.
template <typename Fn>
void for_each_element(const json& value, size_t limit, Fn&& fn) {
    if (value.is_null()) return;
    if (value.is_array() || value.is_object()) {
        for (auto it = value.begin(); it != value.end() && limit > 0; ++it, --limit) fn(*it);
    } else {
        fn(value);
    }
}

}  // namespace

void get_json_value(const json& j, const char* key, bool& value) {
    const json* m = json_member(j, key);
    if (m != nullptr && m->is_boolean()) value = m->get<bool>();
}

void get_json_value(const json& j, const char* key, std::string& value) {
    const json* m = json_member(j, key);
    if (m != nullptr && m->is_string()) value = m->get<std::string>();
}

void get_json_value(const json& j, const char* key, float& value) {
    const json* m = json_member(j, key);
    if (m != nullptr && (m->is_number() || m->is_boolean())) json_to_float(*m, value);
}

void get_json_value(const json& j, const char* key, int32_t& value) {
    const json* m = json_member(j, key);
    if (m == nullptr) return;
    if (m->is_number_unsigned()) {
        value = static_cast<int32_t>(m->get<uint64_t>());  // cut to 32 bits
    } else if (m->is_number_integer()) {
        value = static_cast<int32_t>(m->get<int64_t>());
    } else if (m->is_number_float()) {
        value = float_to_int32(m->get<double>());
    }
}

void get_json_value(const json& j, const char* key, uint64_t& value) {
    const json* m = json_member(j, key);
    if (m == nullptr) return;
    if (m->is_number_unsigned()) {
        value = m->get<uint64_t>();
    } else if (m->is_number_integer()) {
        value = static_cast<uint64_t>(m->get<int64_t>());
    } else if (m->is_number_float()) {
        value = float_to_uint64(m->get<double>());
    }
}

ViewerConfig default_viewer_config() { return ViewerConfig(); }

void render_config_to_json(const RenderConfig& config, json& j) {
    render_fields(config, Writer{j});
}

bool render_config_from_json(RenderConfig& config, const json& j) {
    render_fields(config, Reader{j});
    bring_into_range(config);
    return true;
}

void view_config_to_json(const ViewConfig& config, json& j) {
    view_fields(config, Writer{j});
    render_config_to_json(config, j);
}

bool view_config_from_json(ViewConfig& config, const json& j) {
    view_fields(config, Reader{j});
    bring_into_range(config);
    return render_config_from_json(config, j);
}

void viewer_config_to_json(const ViewerConfig& config, json& j) {
    top_fields(config, Writer{j});
    j["n_streams"] = config.n_streams;
    view_config_to_json(config.single_stream, j["single_stream"]);
    for (const ViewConfig& view : config.group_streams) {
        json element;
        view_config_to_json(view, element);
        j["group_streams"].push_back(std::move(element));  // none: no key at all
    }
}

bool viewer_config_from_json(ViewerConfig& config, const json& j) {
    bool result = j.is_object();
    top_fields(config, Reader{j});
    read_group_view_count(j, config.n_streams);
    if (const json* single = json_member(j, "single_stream"))
        result &= view_config_from_json(config.single_stream, *single);
    config.group_streams.clear();
    if (const json* groups = json_member(j, "group_streams")) {
        for_each_element(*groups, max_group_views, [&config, &result](const json& element) {
            ViewConfig view;
            if (view_config_from_json(view, element)) {
                config.group_streams.push_back(std::move(view));
            } else {
                result = false;
            }
        });
    }
    config.n_streams = bounded_group_views(config.n_streams);
    config.group_streams.resize(config.n_streams);
    return result;
}

ConfigFileRead read_viewer_config_file(ViewerConfig& config, const std::string& path,
                                       std::string* reason) {
    config = default_viewer_config();
    json j;
    if (!read_json_file(j, path, reason)) return ConfigFileRead::unreadable;
    return viewer_config_from_json(config, j) ? ConfigFileRead::loaded : ConfigFileRead::invalid;
}

bool write_viewer_config_file(const ViewerConfig& config, const std::string& path) {
    json j;
    viewer_config_to_json(config, j);
    return write_json_file(j, path);
}

}  // namespace druvex
