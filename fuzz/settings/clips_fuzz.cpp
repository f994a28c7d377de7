// Feeds arbitrary bytes to the clips store as a clips file.
#include "settings/clips_store.h"
#include "settings_fuzz.h"

using namespace druvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ClipsStore store;
    store.load(settings_fuzz::write_scratch(data, size), false);
    settings_fuzz::check_round_trip(store, clips_to_json, clips_from_json);
    return 0;
}
