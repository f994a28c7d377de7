// The viewer config file's record and its JSON form.
#pragma once

#include "json_file.h"
#include "render/render_config.h"

#include <cstdint>
#include <map>
#include <vector>

namespace druvex {

// More views than this cannot be told apart on any screen.
constexpr uint64_t kMaxGroupViews = 64;

struct ViewerConfig {
    bool show_advanced = false;
    bool enable_clips = true;
    bool enable_transforms = true;
    uint64_t n_streams = 1;
    bool show_uncalibrated = false;
    bool sdk_disable_distance_clip = false;
    bool sdk_disable_image_clip = false;
    ViewConfig single_stream;
    std::vector<ViewConfig> group_streams;
    std::map<uint64_t, bool> sensor_enabled;  // by serial number; absent = enabled
};

ViewerConfig default_viewer_config();

void viewer_config_to_json(const ViewerConfig& config, json& j);
// Tolerant: keys that are missing or of the wrong type leave their field alone.
bool viewer_config_from_json(ViewerConfig& config, const json& j);
void view_config_to_json(const ViewConfig& config, json& j);
bool view_config_from_json(ViewConfig& config, const json& j);

}  // namespace druvex
