// Where replayed packets go: the SDK router or a program of its own.
#include "replay_delivery.h"

#include "api/network_api.h"
#include "core/callback.h"

namespace druvex_sdk {

SensorError deliver_replayed_packet(uint64_t handle, int64_t timestamp_usec, const uint8_t* data,
                                    size_t size) {
    network_packet_callback().invoke(handle, timestamp_usec, data, size);
    // The routing result itself, not the calling thread's stored last error:
    // an old failure left unfetched there must not stop a replay.
    return mock_network_receive(handle, timestamp_usec, data, size);
}

}  // namespace druvex_sdk
