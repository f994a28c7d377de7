// Feeds arbitrary bytes to the transforms store as a transforms file.
#include "settings/transforms_store.h"
#include "settings_fuzz.h"

using namespace druvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TransformsStore store;
    store.load(settings_fuzz::write_scratch(data, size), false);
    settings_fuzz::check_round_trip(store, transforms_to_json, transforms_from_json);
    return 0;
}
