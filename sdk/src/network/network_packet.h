// One received datagram, as it travels from the I/O thread to the processing
// thread.
#pragma once

#include <cstdint>
#include <vector>

namespace druvex_sdk {

struct NetworkPacket {
    uint64_t handle = 0;    // sender's IPv4 address as a number
    int64_t timestamp = 0;  // host time of arrival, microseconds since 1970
    std::vector<uint8_t> data;
};

}  // namespace druvex_sdk
