// Where replayed packets go: the SDK router or a program of its own.
#include "replay_delivery.h"

#include "core/callback.h"
#include "core/error_queue.h"
#include "network/mock_receive.h"

namespace druvex_sdk {

int32_t deliver_replayed_packet(uint64_t handle, int64_t timestamp_usec, const uint8_t* data,
                                size_t size) {
    network_packet_callback().invoke(handle, timestamp_usec, data, size);
    // The routing result itself, not the calling thread's stored last error:
    // an old failure left unfetched there must not stop a replay.
    return route_mock_packet(handle, timestamp_usec, data, size);
}

void report_replay_error(int32_t code, const std::string& message) {
    queue_error(0, code, message);
    dispatch_queued_errors();
}

}  // namespace druvex_sdk
