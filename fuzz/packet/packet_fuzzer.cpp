// libFuzzer entry: arbitrary packet streams through the packet router.
#include <cstddef>
#include <cstdint>

#include "packet_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    druvex_fuzz::feed_packets(data, size);
    return 0;
}
