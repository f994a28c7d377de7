// Exported call that injects a packet as if it had arrived from the network.
#include "core/sdk_manager.h"
#include "druvex_sdk.h"
#include "network/mock_receive.h"

extern "C" DRUVEX_API int32_t druvex_sdk_mock_network_receive(uint64_t handle,
                                                              int64_t timestamp_usec,
                                                              const uint8_t* buffer, size_t size) {
    return druvex_sdk::report(
        [&] { return druvex_sdk::mock_network_receive(handle, timestamp_usec, buffer, size); });
}
