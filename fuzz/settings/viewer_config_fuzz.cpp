// Feeds arbitrary bytes to the viewer config reader as a config file.
#include "settings/viewer_config.h"
#include "settings_fuzz.h"

using namespace druvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ViewerConfig config;
    const std::string& path = settings_fuzz::write_scratch(data, size);
    if (read_viewer_config_file(config, path) == ConfigFileRead::unreadable) return 0;
    settings_fuzz::check_round_trip(config, viewer_config_to_json, viewer_config_from_json);
    return 0;
}
