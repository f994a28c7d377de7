// Reading and writing the viewer config file.
#include "viewer_config.h"

namespace druvex {

ViewerConfig default_viewer_config() { return ViewerConfig(); }

namespace {

// One list of (key, field) pairs serves both directions.
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
void top_fields(Config& c, Fn&& fn) {
    fn("enable_clips", c.enable_clips);
    fn("enable_transforms", c.enable_transforms);
    fn("n_streams", c.n_streams);
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
    void operator()(const char* key, float v) const { j[key] = float_array_to_json(&v, 1)[0]; }
};

// A value of the wrong type leaves the field unchanged.
struct Reader {
    const json& j;
    template <typename T>
    void operator()(const char* key, T& v) const {
        if (!j.is_object() || !j.contains(key)) return;
        const json& m = j.at(key);
        if constexpr (std::is_same_v<T, bool>) {
            if (m.is_boolean()) v = m.get<bool>();
        } else if constexpr (std::is_same_v<T, std::string>) {
            if (m.is_string()) v = m.get<std::string>();
        } else if constexpr (std::is_same_v<T, float>) {
            if (m.is_number() || m.is_boolean()) v = json_to_float(m);
        } else {
            if (m.is_number()) v = m.get<T>();
        }
    }
};

}  // namespace

void view_config_to_json(const ViewConfig& config, json& j) { view_fields(config, Writer{j}); }

bool view_config_from_json(ViewConfig& config, const json& j) {
    view_fields(config, Reader{j});
    return true;
}

void viewer_config_to_json(const ViewerConfig& config, json& j) {
    top_fields(config, Writer{j});
    view_config_to_json(config.single_stream, j["single_stream"]);
    for (const ViewConfig& view : config.group_streams) {
        json element;
        view_config_to_json(view, element);
        j["group_streams"].push_back(element);
    }
}

bool viewer_config_from_json(ViewerConfig& config, const json& j) {
    top_fields(config, Reader{j});
    if (j.is_object() && j.contains("single_stream")) {
        view_config_from_json(config.single_stream, j.at("single_stream"));
    }
    config.group_streams.clear();
    if (j.is_object() && j.contains("group_streams") && j.at("group_streams").is_array()) {
        for (const json& element : j.at("group_streams")) {
            ViewConfig view;
            view_config_from_json(view, element);
            config.group_streams.push_back(view);
        }
    }
    // A hand-edited count must not make the viewer allocate without bound.
    if (config.n_streams > kMaxGroupViews) config.n_streams = kMaxGroupViews;
    config.group_streams.resize(config.n_streams);
    return true;
}

}  // namespace druvex
