// The viewer config file's record and its JSON form.
#pragma once

#include "json_file.h"
#include "render/render_config.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace druvex {

// The default config file's name in the data directory.
constexpr const char* viewer_config_file_name = "druvex_viewer_config.json";

// The number of group views the file and the Config panel's "# Viewers"
// allow: more cannot be told apart on a screen, and every view holds its own
// frames and GL buffers.
constexpr uint64_t min_group_views = 1;
constexpr uint64_t max_group_views = 6;
constexpr uint64_t bounded_group_views(uint64_t n) {
    return n < min_group_views ? min_group_views : n > max_group_views ? max_group_views : n;
}

struct ViewerConfig {
    bool show_advanced = false;  // not saved
    bool enable_clips = true;
    bool enable_transforms = true;
    uint64_t n_streams = 1;  // group views; read back within the bounds above
    bool show_uncalibrated = false;
    bool sdk_disable_distance_clip = false;  // SDK control flag 8
    bool sdk_disable_image_clip = false;     // SDK control flag 4
    ViewConfig single_stream;
    std::vector<ViewConfig> group_streams;
    std::map<uint64_t, bool> sensor_enabled;  // by serial number; absent = enabled; not saved
};

ViewerConfig default_viewer_config();

// `j` must be null or an object.
void viewer_config_to_json(const ViewerConfig& config, json& j);
// Tolerant: a key that is missing, null or of the wrong type leaves its field
// as it was; so does a negative view count. Values the viewer cannot work
// with (a view count, grid, zoom, point size, colour range, frame length or
// id out of range) are brought into range. `group_streams` ends with exactly
// `n_streams` entries; no more than max_group_views of the file's are read.
// False only for a value that is not an object.
bool viewer_config_from_json(ViewerConfig& config, const json& j);
void view_config_to_json(const ViewConfig& config, json& j);
bool view_config_from_json(ViewConfig& config, const json& j);
void render_config_to_json(const RenderConfig& config, json& j);
bool render_config_from_json(RenderConfig& config, const json& j);

// The tolerant reader of every key of the file: if `j` has the member `key`
// and it converts to the field's type, `value` takes it; otherwise `value` stays. bool and
// string take only their own JSON type; float takes numbers and booleans
// (0/1) within the float range; int and uint64 take numbers (floats
// truncated toward zero), not booleans.
void get_json_value(const json& j, const char* key, bool& value);
void get_json_value(const json& j, const char* key, float& value);
void get_json_value(const json& j, const char* key, int32_t& value);
void get_json_value(const json& j, const char* key, uint64_t& value);
void get_json_value(const json& j, const char* key, std::string& value);

enum class ConfigFileRead {
    loaded,
    unreadable,  // missing, or not JSON
    invalid,     // JSON, but not a config object
};

// Resets `config` to the defaults and reads the file into it; for an
// unreadable file, `reason` (when given) says why (see read_json_file).
ConfigFileRead read_viewer_config_file(ViewerConfig& config, const std::string& path,
                                       std::string* reason = nullptr);
// False when the file cannot be written.
bool write_viewer_config_file(const ViewerConfig& config, const std::string& path);

}  // namespace druvex
