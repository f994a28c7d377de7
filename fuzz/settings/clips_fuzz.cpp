// Feeds arbitrary bytes to the clips store as a clips file.
#include "settings/clips_store.h"
#include "settings_fuzz.h"

using namespace druvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ClipsStore store;
    store.load(settings_fuzz::write_scratch(data, size), false);
    json taken;
    clips_to_json(store, taken);
    ClipsStore again;
    settings_fuzz::check_round_trip(
        taken, [&again](json& j) { clips_to_json(again, j); },
        [&again](const json& j) { return clips_from_json(again, j); });
    return 0;
}
