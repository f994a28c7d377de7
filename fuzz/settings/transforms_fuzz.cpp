// Feeds arbitrary bytes to the transforms store as a transforms file.
#include "settings/transforms_store.h"
#include "settings_fuzz.h"

using namespace druvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TransformsStore store;
    store.load(settings_fuzz::write_scratch(data, size), false);
    json taken;
    transforms_to_json(store, taken);
    TransformsStore again;
    settings_fuzz::check_round_trip(
        taken, [&again](json& j) { transforms_to_json(again, j); },
        [&again](const json& j) { return transforms_from_json(again, j); });
    return 0;
}
