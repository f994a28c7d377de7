// Feeds arbitrary bytes to the viewer config reader as a config file.
#include "settings/viewer_config.h"
#include "settings_fuzz.h"

using namespace druvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ViewerConfig config;
    if (read_viewer_config_file(config, settings_fuzz::write_scratch(data, size)) ==
        ConfigFileRead::unreadable) {
        return 0;
    }
    json taken;
    viewer_config_to_json(config, taken);
    ViewerConfig again;
    settings_fuzz::check_round_trip(
        taken, [&again](json& j) { viewer_config_to_json(again, j); },
        [&again](const json& j) { return viewer_config_from_json(again, j); });
    return 0;
}
